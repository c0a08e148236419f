#pragma once

#include <string>
#include <vector>

struct CCliContext;

/// vegal-cli align: reads the radio, aligns every feature the test set can measure, programs
/// each feature whose rows passed, prints the report and writes it as CSV and PDF when asked.
/// Exit status 0 when every row passed, 1 when any failed (or the radio could not be read),
/// 2 on a usage error (a bad limits file included).
int RunAlignCommand(const std::vector<std::string>& args, CCliContext& context);

/// vegal-cli test: reads the radio and measures every transmit row at the values it holds,
/// changing nothing; prints the report and writes it as CSV and PDF when asked. Exit status 0
/// when every row is within its limits, 1 otherwise, 2 on a usage error.
int RunTestCommand(const std::vector<std::string>& args, CCliContext& context);

/// The run behind both: the test alone, or the alignment with its tests.
int RunWholeRadio(const std::vector<std::string>& args, CCliContext& context, bool test);

/// The align and test lines of the usage text.
std::string AlignUsage();
std::string TestUsage();
