#pragma once

#include <array>
#include <string>

/// Configuration data that real radios define: the supported model identifiers, the serial
/// number of a controller board that has not been initialised and which models have PA bias
/// softpots. The simulated radio
/// of the bench uses the same data.
namespace ModelConfig {

/// The three supported 16-byte model identifiers as 32 lower-case hex digits.
/// The first gives model family 1, the second and third family 2.
const std::array<std::string, 3>& ModelIdentifiers();

/// Family of a model identifier (32 hex digits, any case): 1, 2, or 0 when unknown.
int FamilyOf(const std::string& identifierHex);

/// The 10-character serial number a controller board reports before initialisation,
/// built at run time.
std::string BlankSerialNumber();

/// Whether a radio of this model number carries the power-amplifier bias softpots PA Bias 1
/// to 3. The sixth character of a model number names the power-amplifier option; 'B' is the
/// amplifier with adjustable bias, and only those radios have the softpots. The read asks
/// for their values only then, so other radios see no extra request.
bool HasPaBias(const std::string& modelNumber);

}  // namespace ModelConfig
