#pragma once

#include <array>
#include <string>

/// Configuration data that real radios define: the supported model identifiers and the
/// serial number of a controller board that has not been initialised. The simulated radio
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

}  // namespace ModelConfig
