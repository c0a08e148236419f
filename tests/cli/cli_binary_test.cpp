// The shipped binaries together, as a service shop scripts them: vegal-bench plays the radio
// behind a pseudo-terminal with a trace, vegal-cli reads it into a .tun file and writes that
// file back, and the trace shows every request in the order of a read and of a write.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include "ProcessSupport.h"

namespace fs = std::filesystem;
using namespace tuntest;
using namespace processtest;

namespace {

/// Whether the transmitter is keyed after each radio request of a trace (000401 keys it,
/// 000501, receiving muted, dekeys it).
std::vector<bool> KeyedAfter(const std::vector<std::string>& requests) {
    std::vector<bool> keyed;
    for (const std::string& q : requests)
        keyed.push_back(q == "000401" || (q != "000501" && !keyed.empty() && keyed.back()));
    return keyed;
}

/// The lines of a text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
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
    // Nothing transmits: the instrument has no frequency error or deviation to report, which
    // is no measurement.
    EXPECT_EQ(measure, 1) << Text(dir.File("measure.out"));
    EXPECT_NE(Text(dir.File("measure.out")).find("Power (W): "), std::string::npos);
    EXPECT_NE(Text(dir.File("measure.out")).find("FM deviation: 9.91000000E+037"),
              std::string::npos)
        << Text(dir.File("measure.out"));
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

// The bench refuses every programming request (status 02): the write fails, exits 1 and
// never says "Programming Successful".
TEST(CliWithBenchBinary, RefusedProgrammingExitsOneWithoutSuccess) {
    TempDir dir;
    BenchProcess bench(dir, {"--profile", "family1-k", "--refuse-request", "000104"});
    ASSERT_TRUE(bench.Ready()) << bench.Output();
    const std::string file = dir.File("radio.tun");
    ASSERT_EQ(Wait(Spawn({VEGAL_CLI_BIN, "read", "--port", bench.link, "--out", file},
                         dir.File("read.out"), dir.Path())),
              0)
        << Text(dir.File("read.out"));
    const int status = Wait(Spawn({VEGAL_CLI_BIN, "write", "--port", bench.link, file},
                                  dir.File("write.out"), dir.Path()));
    const std::vector<std::string> out = Lines(Text(dir.File("write.out")));
    EXPECT_EQ(status, 1);
    // Each feature's refusal is said (the link stays after one), then the summary.
    ASSERT_GE(out.size(), 2u) << Text(dir.File("write.out"));
    EXPECT_EQ(out[0], "The radio refused to program Reference Oscillator (reply status 02).");
    for (std::size_t i = 1; i + 1 < out.size(); ++i)
        EXPECT_EQ(out[i].rfind("The radio refused to program ", 0), 0u) << out[i];
    EXPECT_EQ(out.back().rfind("write: ", 0), 0u) << out.back();
}

// The bench dies while the tool waits for a reply: the read ends with one message that says
// the line hung up (not after the time-out, not with the generic failure twice).
TEST(CliWithBenchBinary, KillingTheBenchDuringAReadEndsItWithOneMessage) {
    TempDir dir;
    BenchProcess bench(dir,
                       {"--profile", "family1-k", "--late-answer=60000", "--only-request", "0100"});
    ASSERT_TRUE(bench.Ready()) << bench.Output();
    const std::string file = dir.File("radio.tun");
    const pid_t read = Spawn({VEGAL_CLI_BIN, "read", "--port", bench.link, "--out", file},
                             dir.File("read.out"), dir.Path());
    for (int i = 0; i < 500 && Text(bench.trace).find(" radio 0100") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(Text(bench.trace).find(" radio 0100"), std::string::npos) << Text(bench.trace);
    bench.Stop(SIGKILL);

    EXPECT_EQ(Wait(read), 1);
    const std::vector<std::string> out = Lines(Text(dir.File("read.out")));
    ASSERT_EQ(out.size(), 2u) << Text(dir.File("read.out"));
    EXPECT_EQ(out[0], "The radio port " + bench.link +
                          " hung up: the other end of the line is gone (the cable or adapter was "
                          "unplugged, or the line was closed).");
    EXPECT_EQ(out[1].rfind("read: 9 exchanges", 0), 0u) << out[1];
    EXPECT_FALSE(fs::exists(file));
}

// A save over the file size limit (ulimit -f) fails with its message and leaves nothing
// behind, instead of killing the tool with SIGXFSZ next to its temporary file.
TEST(CliWithBenchBinary, SaveBeyondTheFileSizeLimitFailsCleanly) {
    TempDir dir;
    BenchProcess bench(dir, {"--profile", "family1-k"});
    ASSERT_TRUE(bench.Ready()) << bench.Output();
    ASSERT_EQ(::mkdir(dir.File("sets").c_str(), 0700), 0);
    const std::string file = dir.File("sets/radio.tun");
    const int status = Wait(Spawn({VEGAL_CLI_BIN, "read", "--port", bench.link, "--out", file},
                                  dir.File("read.out"), dir.Path(), 512));
    const std::string out = Text(dir.File("read.out"));
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("Could not save \"" + file + "\": writing failed: File too large."),
              std::string::npos)
        << out;
    EXPECT_TRUE(fs::is_empty(dir.File("sets"))) << "a temporary file was left behind";
}

TEST(CliWithBenchBinary, AlignADetunedRadioThenReadShowsTheProgrammedValues) {
    ASSERT_TRUE(fs::exists(VEGAL_BENCH_BIN)) << VEGAL_BENCH_BIN;
    TempDir dir;
    const std::string radio = dir.File("radio");
    const std::string testSet = dir.File("testset");
    const std::string trace = dir.File("trace");
    const pid_t bench = Spawn({VEGAL_BENCH_BIN, "--radio", radio, "--testset", testSet, "--profile",
                               "detuned", "--testset-running", "--unpaced", "--trace", trace},
                              dir.File("bench.out"), dir.Path());
    ASSERT_GT(bench, 0);
    for (int i = 0; i < 250 && !fs::is_symlink(testSet); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::is_symlink(testSet)) << Text(dir.File("bench.out"));

    const std::string csv = dir.File("a.csv");
    const std::string pdf = dir.File("a.pdf");
    const int align = Wait(Spawn({VEGAL_CLI_BIN, "align", "--port", radio, "--testset", testSet,
                                  "--report", csv, "--pdf", pdf},
                                 dir.File("align.out"), dir.Path()));
    const std::vector<std::string> requests = RadioPayloads(trace);
    const std::string file = dir.File("after.tun");
    const int read = Wait(Spawn({VEGAL_CLI_BIN, "read", "--port", radio, "--out", file},
                                dir.File("read.out"), dir.Path()));
    const int dump = Wait(Spawn({VEGAL_CLI_BIN, "dump", file}, dir.File("dump.out"), dir.Path()));
    ::kill(bench, SIGTERM);
    EXPECT_EQ(Wait(bench), 0) << Text(dir.File("bench.out"));

    ASSERT_EQ(align, 0) << Text(dir.File("align.out"));
    EXPECT_NE(Text(dir.File("align.out")).find("Overall result: PASS"), std::string::npos);
    EXPECT_EQ(Text(pdf).rfind("%PDF-1.4", 0), 0u);

    // Every row passed with its old and new values; the new ones are what the radio now holds.
    std::istringstream lines(Text(csv));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
        if (fields.size() == 15 && fields[0] != "Feature")
            rows.push_back(fields);
    }
    ASSERT_EQ(rows.size(), 16u) << Text(csv);
    ASSERT_EQ(read, 0) << Text(dir.File("read.out"));
    ASSERT_EQ(dump, 0);
    const std::string dumped = Text(dir.File("dump.out"));
    const char* records[] = {"type 0, level 0", "type 1, level 3", "type 1, level 2",
                             "type 1, level 1", "type 2, level 0", "type 5, level 0"};
    const char* features[] = {"Reference Oscillator", "Tx Power High",        "Tx Power Mid",
                              "Tx Power Low",         "Tx Deviation Balance", "Tx Deviation Limit"};
    std::size_t at = 0;
    for (int f = 0; f < 6; ++f) {
        std::size_t pos = dumped.find(records[f]);
        ASSERT_NE(pos, std::string::npos) << records[f];
        for (; at < rows.size() && rows[at][0] == features[f]; ++at) {
            const auto& r = rows[at];
            EXPECT_EQ(r[11], "PASS") << r[0] << " " << r[1];
            EXPECT_EQ(r[14], "yes");
            EXPECT_NE(r[5], r[6]) << r[0] << " " << r[1];
            pos = dumped.find(r[2] + " MHz  " + r[6] + "\n", pos);
            EXPECT_NE(pos, std::string::npos) << r[0] << " row " << r[1] << " holds " << r[6];
        }
    }
    EXPECT_EQ(at, rows.size());

    // The trace: each feature programmed once, in run order, never while keyed; test mode is
    // left at the end.
    std::vector<std::string> programmed;
    const std::vector<bool> keyed = KeyedAfter(requests);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (requests[i].rfind("000104", 0) == 0) {
            EXPECT_FALSE(keyed[i]);
            programmed.push_back(requests[i].substr(6, 2));
        }
    }
    ASSERT_FALSE(requests.empty());
    EXPECT_FALSE(keyed.back());
    EXPECT_EQ(programmed, (std::vector<std::string>{"00", "01", "01", "01", "02", "05"}));
    EXPECT_EQ(requests.back(), "000d");
}

/// Waits (up to a minute) until a trace holds a line with this text; false when it never did.
bool WaitForTrace(const std::string& trace, const std::string& text) {
    for (int i = 0; i < 3000; ++i) {
        if (Text(trace).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// vegal-bench with the detuned radio and a running HP8920B, paced like real lines, for
/// vegal-cli align runs that are started with the report options given.
class AlignOnBench {
public:
    explicit AlignOnBench(const TempDir& dir)
        : bench(dir,
                {"--testset", dir.File("testset"), "--profile", "detuned", "--testset-running"}),
          m_dir(dir) {}
    pid_t Start(const std::vector<std::string>& reports) {
        std::vector<std::string> args = {VEGAL_CLI_BIN, "align",     "--port",
                                         bench.link,    "--testset", m_dir.File("testset")};
        args.insert(args.end(), reports.begin(), reports.end());
        return Spawn(args, Output(), m_dir.Path());
    }
    std::string Output() const { return m_dir.File("align.out"); }

    BenchProcess bench;

private:
    const TempDir& m_dir;
};

// Ctrl+C while the first row is keyed (the bench paced like a real line): the run ends at its
// next step with the radio dekeyed and out of test mode, exits 130, and both reports list the
// rows it did not finish as stopped. The bound is generous; on an idle machine it takes well
// under a second.
TEST(CliWithBenchBinary, SigintMidRowLeavesTheRadioSafeAndReportsTheRowsStopped) {
    TempDir dir;
    AlignOnBench run(dir);
    ASSERT_TRUE(run.bench.Ready()) << run.bench.Output();
    const std::string csv = dir.File("a.csv");
    const std::string pdf = dir.File("a.pdf");
    const pid_t align = run.Start({"--report", csv, "--pdf", pdf});
    ASSERT_TRUE(WaitForTrace(run.bench.trace, " radio 000401")) << Text(run.Output());
    const Clock::time_point signalled = Clock::now();
    ::kill(align, SIGINT);
    const int status = Wait(align);
    const double seconds = SecondsSince(signalled);
    const std::string out = Text(run.Output());
    EXPECT_EQ(status, 130) << out;
    EXPECT_LT(seconds, 15.0);
    EXPECT_NE(out.find("vegal-cli: stopped by SIGINT"), std::string::npos) << out;
    EXPECT_NE(out.find("Overall result: FAIL"), std::string::npos) << out;

    const std::vector<std::string> requests = RadioPayloads(run.bench.trace);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              (std::vector<std::string>{"000501", "000d"}));
    EXPECT_FALSE(KeyedAfter(requests).back());
    for (const std::string& q : requests) EXPECT_NE(q.rfind("000104", 0), 0u) << "programmed " << q;

    const std::string report = Text(csv);
    EXPECT_NE(report.find("Result,FAIL\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Reference Oscillator,1,"), std::string::npos) << report;
    EXPECT_NE(report.find("Tx Deviation Limit,"), std::string::npos) << report;
    std::size_t stopped = 0;
    for (std::size_t at = report.find("stopped"); at != std::string::npos;
         at = report.find("stopped", at + 1))
        ++stopped;
    EXPECT_GE(stopped, 16u) << report;  // every row, and the Stopped line
    EXPECT_EQ(Text(pdf).rfind("%PDF-1.4", 0), 0u);
}

// A second Ctrl+C while the first stop is under way (here while the radio is still being
// read): the program ends as soon as the radio is dekeyed and out of test mode, without
// writing the report.
TEST(CliWithBenchBinary, ASecondSigintEndsAsSoonAsTheRadioIsSafe) {
    TempDir dir;
    AlignOnBench run(dir);
    ASSERT_TRUE(run.bench.Ready()) << run.bench.Output();
    const std::string csv = dir.File("a.csv");
    const pid_t align = run.Start({"--report", csv});
    ASSERT_TRUE(WaitForTrace(run.bench.trace, " radio 0012")) << Text(run.Output());
    ::kill(align, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(align, SIGINT);
    EXPECT_EQ(Wait(align), 130) << Text(run.Output());
    const std::vector<std::string> requests = RadioPayloads(run.bench.trace);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "000d");
    EXPECT_FALSE(KeyedAfter(requests).back());
    EXPECT_FALSE(fs::exists(csv)) << Text(csv);
}

// vegal-cli ber --continuous ended by SIGTERM or SIGHUP (a closed terminal): the radio's test
// is stopped, test mode is left, and the status is 128 + the signal.
TEST(CliWithBenchBinary, AContinuousBerTestEndedBySignalStopsTheTestAndLeavesTestMode) {
    const struct {
        int signo;
        int status;
        const char* name;
    } cases[] = {{SIGTERM, 143, "SIGTERM"}, {SIGHUP, 129, "SIGHUP"}};
    for (const auto& c : cases) {
        TempDir dir;
        BenchProcess bench(dir, {"--no-noise"});
        ASSERT_TRUE(bench.Ready()) << bench.Output();
        const pid_t ber = Spawn({VEGAL_CLI_BIN, "ber", "--port", bench.link, "--freq", "851.0125",
                                 "--continuous", "600"},
                                dir.File("ber.out"), dir.Path());
        ASSERT_TRUE(WaitForTrace(bench.trace, " radio 0017")) << Text(dir.File("ber.out"));
        const Clock::time_point signalled = Clock::now();
        ::kill(ber, c.signo);
        EXPECT_EQ(Wait(ber), c.status) << c.name << "\n" << Text(dir.File("ber.out"));
        EXPECT_LT(SecondsSince(signalled), 15.0);
        EXPECT_NE(Text(dir.File("ber.out")).find(std::string("stopped by ") + c.name),
                  std::string::npos);
        const std::vector<std::string> requests = RadioPayloads(bench.trace);
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
                  (std::vector<std::string>{"00160000", "000d"}))
            << c.name;
    }
}

}  // namespace
