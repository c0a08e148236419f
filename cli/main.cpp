#include <iostream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "StopSignal.h"
#include "TerminalHost.h"
#include "document/TunFile.h"

int main(int argc, char** argv) {
    // Before any thread starts, so that every thread leaves the signals to the watcher.
    static CStopSignal stop;
    SignalWatch::Install(stop);
    TunFile::SurviveFileSizeLimit();
    CTerminalHost host;
    host.SetStop(&stop);  // a stop cuts waits and questions short
    CCliContext context{host, std::cout, std::cerr};
    context.stop = &stop;
    return RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
