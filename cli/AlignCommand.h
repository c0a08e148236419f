#pragma once

#include <string>
#include <vector>

struct CCliContext;

/// vegal-cli align: reads the radio, aligns every feature the test set can measure, programs
/// each feature whose rows passed, prints the report and writes it as CSV and PDF when asked.
/// Exit status 0 when every row passed, 1 when any failed (or the radio could not be read),
/// 2 on a usage error (a bad limits file included).
int RunAlignCommand(const std::vector<std::string>& args, CCliContext& context);

/// The align lines of the usage text.
std::string AlignUsage();
