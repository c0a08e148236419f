#pragma once

#include <string>
#include <vector>

struct CCliContext;

/// vegal-cli ber: the receiver bit error rate test of a radio from a script. It sets the
/// radio up with the bit error rate screen's own commands and rules (CBerTest), prints each
/// result as the screen shows it, appends to the data file when it exists and leaves the
/// radio out of test mode. args start with "ber". Exit status: 0 when every result had sync,
/// 1 otherwise (or when the test could not run), 2 on a usage error.
int RunBer(const std::vector<std::string>& args, CCliContext& context);

/// The usage text of vegal-cli ber.
std::string BerUsage();
