// The shipped binaries together, as a service shop scripts them: vegal-bench plays the radio
// behind a pseudo-terminal with a trace, vegal-cli reads it into a .tun file and writes that
// file back, and the trace shows every request in the order of a read and of a write.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../bench/RadioBenchFixture.h"
#include "../document/TunTestSupport.h"

namespace fs = std::filesystem;
using namespace tuntest;

namespace {

/// Starts a program with its standard output and error in a file and the settings of this
/// run under the folder given (so no user settings are read or written).
pid_t Spawn(const std::vector<std::string>& args, const std::string& outFile,
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

/// Exit status of a finished program (-1 when it did not exit normally).
int Wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string Text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// The radio payloads of a trace file, in order.
std::vector<std::string> RadioPayloads(const std::string& trace) {
    std::vector<std::string> out;
    std::istringstream lines(Text(trace));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(" radio ");
        if (at != std::string::npos)
            out.push_back(line.substr(at + 7));
    }
    return out;
}

TEST(CliWithBenchBinary, ReadThenWriteTheSavedFileInTheTracedOrder) {
    ASSERT_TRUE(fs::exists(VEGAL_BENCH_BIN)) << VEGAL_BENCH_BIN;
    ASSERT_TRUE(fs::exists(VEGAL_CLI_BIN)) << VEGAL_CLI_BIN;
    TempDir dir;
    const std::string link = dir.File("radio");
    const std::string trace = dir.File("trace");
    const pid_t bench =
        Spawn({VEGAL_BENCH_BIN, "--radio", link, "--profile", "family1-k", "--trace", trace},
              dir.File("bench.out"), dir.Path());
    ASSERT_GT(bench, 0);
    for (int i = 0; i < 250 && !fs::is_symlink(link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::is_symlink(link)) << Text(dir.File("bench.out"));

    const std::string file = dir.File("radio.tun");
    const int readStatus = Wait(Spawn({VEGAL_CLI_BIN, "read", "--port", link, "--out", file},
                                      dir.File("read.out"), dir.Path()));
    const int writeStatus = Wait(
        Spawn({VEGAL_CLI_BIN, "write", "--port", link, file}, dir.File("write.out"), dir.Path()));
    ::kill(bench, SIGTERM);
    EXPECT_EQ(Wait(bench), 0) << Text(dir.File("bench.out"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the bench removes its symlink";

    const std::string readOut = Text(dir.File("read.out"));
    ASSERT_EQ(readStatus, 0) << readOut;
    EXPECT_NE(readOut.find("read: "), std::string::npos) << readOut;
    EXPECT_EQ(ReadBytes(file).size(), 1301u);
    const std::string writeOut = Text(dir.File("write.out"));
    ASSERT_EQ(writeStatus, 0) << writeOut;
    EXPECT_NE(writeOut.find("Programming Successful\n"), std::string::npos) << writeOut;

    CRadioProfile profile;
    ASSERT_TRUE(CRadioProfile::BuiltIn("family1-k", profile));
    std::vector<std::string> expected = RadioBenchFixture::ExpectedRead(profile);
    expected.push_back("000d");
    for (const char* q : {"0012", "000c", "001100", "001000"}) expected.push_back(q);
    for (const auto& q : RadioBenchFixture::ExpectedProgramming(profile)) expected.push_back(q);
    expected.push_back("000d");

    // Programming requests carry the values: compare their opcode, function and type.
    std::vector<std::string> seen = RadioPayloads(trace);
    for (auto& q : seen) {
        if (q.rfind("000104", 0) == 0)
            q = q.substr(0, 8);
    }
    EXPECT_EQ(seen, expected);
}

/// The test-set lines of a trace file, in order.
std::vector<std::string> TestSetLines(const std::string& trace) {
    std::vector<std::string> out;
    std::istringstream lines(Text(trace));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(" testset ");
        if (at != std::string::npos)
            out.push_back(line.substr(at + 9));
    }
    return out;
}

TEST(CliWithBenchBinary, TestSetStartMeasureAndStopAsTraced) {
    ASSERT_TRUE(fs::exists(VEGAL_BENCH_BIN)) << VEGAL_BENCH_BIN;
    TempDir dir;
    const std::string radio = dir.File("radio");
    const std::string testSet = dir.File("testset");
    const std::string trace = dir.File("trace");
    const pid_t bench = Spawn({VEGAL_BENCH_BIN, "--radio", radio, "--testset", testSet,
                               "--testset-stored", "--trace", trace},
                              dir.File("bench.out"), dir.Path());
    ASSERT_GT(bench, 0);
    for (int i = 0; i < 250 && !fs::is_symlink(testSet); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::is_symlink(testSet)) << Text(dir.File("bench.out"));

    auto cli = [&](std::vector<std::string> args, const std::string& name) {
        args.insert(args.begin(), {VEGAL_CLI_BIN, "testset"});
        args.insert(args.end(), {"--port", testSet});
        return Wait(Spawn(args, dir.File(name), dir.Path()));
    };
    const int before = cli({"check"}, "check1.out");
    const int start = cli({"start"}, "start.out");
    const int measure = cli({"measure", "--manual", "--freq", "851.0125"}, "measure.out");
    const int stop = cli({"stop"}, "stop.out");
    ::kill(bench, SIGTERM);
    EXPECT_EQ(Wait(bench), 0) << Text(dir.File("bench.out"));

    EXPECT_EQ(before, 1) << Text(dir.File("check1.out"));
    EXPECT_EQ(start, 0) << Text(dir.File("start.out"));
    EXPECT_NE(
        Text(dir.File("start.out")).find("Serial port " + testSet + " successfully reconfigured."),
        std::string::npos);
    EXPECT_EQ(measure, 0) << Text(dir.File("measure.out"));
    EXPECT_NE(Text(dir.File("measure.out")).find("Power (W): "), std::string::npos);
    EXPECT_EQ(stop, 0) << Text(dir.File("stop.out"));
    EXPECT_EQ(TestSetLines(trace),
              (std::vector<std::string>{"SCRATCH ALL", "MASS STORAGE IS \":MEMORY,0\"",
                                        "GET \"Quorvin\"", "run", "2", "851012500", "4", "1"}));
}

/// vegal-cli ber against vegal-bench as separate processes: with sync it exits 0, against a
/// detuned radio (front-end filter far off) it reports no sync and exits 1; both leave the
/// radio out of test mode.
TEST(CliWithBenchBinary, BitErrorRateTestBySyncAndExitStatus) {
    TempDir dir;
    const std::string detuned = dir.File("detuned.profile");
    std::ofstream(detuned) << "base = standard\nvalue = 3 255\n";
    for (const std::string profile : {"standard", detuned.c_str()}) {
        const bool sync = profile == "standard";
        const std::string link = dir.File(sync ? "radio" : "radio-detuned");
        const std::string trace = link + ".trace";
        const pid_t bench = Spawn({VEGAL_BENCH_BIN, "--radio", link, "--profile", profile,
                                   "--no-noise", "--trace", trace},
                                  link + ".out", dir.Path());
        ASSERT_GT(bench, 0);
        for (int i = 0; i < 250 && !fs::is_symlink(link); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(fs::is_symlink(link)) << Text(link + ".out");
        const int status = Wait(
            Spawn({VEGAL_CLI_BIN, "ber", "--port", link, "--freq", "851.0125", "--frames", "1"},
                  dir.File("ber.out"), dir.Path()));
        ::kill(bench, SIGTERM);
        EXPECT_EQ(Wait(bench), 0);
        const std::string output = Text(dir.File("ber.out"));
        EXPECT_EQ(status, sync ? 0 : 1) << output;
        EXPECT_NE(output.find(sync ? "Tag 1: Sync Detected, Number Of Bit Errors: 005"
                                   : "Tag 1: No Sync Detected"),
                  std::string::npos)
            << output;
        const std::vector<std::string> seen = RadioPayloads(trace);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), "000d") << "out of test mode";
    }
}

}  // namespace
