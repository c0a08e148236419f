#pragma once

#include <string>
#include <vector>

struct CCliContext;

/// vegal-cli testset: the HP8920B's resident program from a terminal, through the same link
/// operations as the Automatic Tuning dialog.
///
///     vegal-cli testset check|start|download|stop --port PORT
///     vegal-cli testset measure --port PORT [--manual] [--freq MHZ]
///
/// PORT is the dialog's "Com Port" text: a number n (COMn, through the settings group Ports),
/// COMn itself, or a device path. args holds everything after "testset". Returns 0 on
/// success, 1 on failure, 2 on a usage error.
int RunTestSetCommand(const std::vector<std::string>& args, CCliContext& context);

/// The "Com Port" text of a --port value: COMn gives n, anything else stays as it is.
std::string TestSetPortText(const std::string& port);

/// The usage lines of the testset command.
std::string TestSetUsage();
