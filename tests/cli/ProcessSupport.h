#pragma once

// Running the shipped programs from a test: a program with its output in a file and the
// settings of the run under a folder of its own, its exit status, and what it wrote.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../document/TunTestSupport.h"

namespace processtest {

/// Starts a program with its standard output and error in a file and the settings of this
/// run under the folder given (so no user settings are read or written).
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& outFile,
                   const std::string& configHome, rlim_t fileSizeLimit = RLIM_INFINITY) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (fileSizeLimit != RLIM_INFINITY) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
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

/// The lines of a bench trace file that one of its instruments received ("radio" payloads,
/// "testset" lines), in order.
inline std::vector<std::string> TraceOf(const std::string& trace, const std::string& what) {
    std::vector<std::string> out;
    std::istringstream lines(Text(trace));
    const std::string tag = " " + what + " ";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(tag);
        if (at != std::string::npos)
            out.push_back(line.substr(at + tag.size()));
    }
    return out;
}

/// The lines the test set received, from a bench trace file, in order.
inline std::vector<std::string> TestSetLines(const std::string& trace) {
    return TraceOf(trace, "testset");
}

/// The radio payloads of a trace file, in order.
inline std::vector<std::string> RadioPayloads(const std::string& trace) {
    return TraceOf(trace, "radio");
}

/// A vegal-bench process with its radio link (and the test set's, when the flags ask for
/// one with --testset) and its trace in a temp folder; killed when it goes.
class BenchProcess {
public:
    BenchProcess(const tuntest::TempDir& dir, std::vector<std::string> flags)
        : link(dir.File("radio")), trace(dir.File("trace")), m_out(dir.File("bench.out")) {
        std::vector<std::string> args = {VEGAL_BENCH_BIN, "--radio", link, "--trace", trace};
        args.insert(args.end(), flags.begin(), flags.end());
        for (std::size_t i = 0; i + 1 < flags.size(); ++i)
            if (flags[i] == "--testset")
                testSet = flags[i + 1];
        pid = Spawn(args, m_out, dir.Path());
        for (int i = 0; i < 250 && !Ready(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~BenchProcess() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            Wait(pid);
        }
    }
    BenchProcess(const BenchProcess&) = delete;
    BenchProcess& operator=(const BenchProcess&) = delete;

    bool Ready() const {
        namespace fs = std::filesystem;
        return pid > 0 && fs::is_symlink(link) && (testSet.empty() || fs::is_symlink(testSet));
    }
    std::string Output() const { return Text(m_out); }
    /// Stops it (SIGTERM, or SIGKILL) and returns its exit status.
    int Stop(int signal = SIGTERM) {
        ::kill(pid, signal);
        const int status = Wait(pid);
        pid = -1;
        return status;
    }

    std::string link;
    std::string testSet;  ///< empty without a test set
    std::string trace;
    pid_t pid = -1;

private:
    std::string m_out;
};

}  // namespace processtest
