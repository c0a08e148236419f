#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "CliSettings.h"

class CStopSignal;
class CTestSetLink;
class IHost;

/// What one run of the command-line tool works with: the host for messages, the streams
/// for results and the summary, and where the radio settings come from.
struct CCliContext {
    IHost& host;
    std::ostream& out;
    std::ostream& err;
    std::function<CCliSettings()> settings = &CCliSettings::LoadUser;
    /// Called with the test-set link the testset command made (tests watch its counters).
    std::function<void(CTestSetLink&)> testSetLinkCreated = {};
    /// Signals that ask the run to stop (null: nobody can ask).
    CStopSignal* stop = nullptr;
};

/// Runs vegal-cli with its arguments (without the program name): read, write, dump, report,
/// testset, --help. Returns the exit status: 0 on success, 1 on failure, 2 on a usage error.
int RunCli(const std::vector<std::string>& args, CCliContext& context);

/// A radio port name as the transport expects it: COMn in capitals, anything else unchanged.
std::string NormalisePort(const std::string& port);

/// The usage text of --help.
std::string CliUsage();
