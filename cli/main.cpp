#include <iostream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "TerminalHost.h"
#include "document/TunFile.h"

int main(int argc, char** argv) {
    TunFile::SurviveFileSizeLimit();
    CTerminalHost host;
    CCliContext context{host, std::cout, std::cerr};
    return RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
