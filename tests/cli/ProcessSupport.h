#pragma once

// Running the shipped programs from a test: a program with its output in a file and the
// settings of the run under a folder of its own, its exit status, and what it wrote.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace processtest {

/// Starts a program with its standard output and error in a file and the settings of this
/// run under the folder given (so no user settings are read or written).
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& outFile,
                   const std::string& configHome) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        ::_exit(126);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

/// Exit status of a finished program (-1 when it did not exit normally, -signal when a
/// signal ended it).
inline int Wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    if (!WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

inline std::string Text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// The lines the test set received, from a bench trace file, in order.
inline std::vector<std::string> TestSetLines(const std::string& trace) {
    std::vector<std::string> out;
    std::istringstream lines(Text(trace));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(" testset ");
        if (at != std::string::npos)
            out.push_back(line.substr(at + 9));
    }
    return out;
}

}  // namespace processtest
