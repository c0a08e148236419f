// vegal-cli testset against vegal-bench as separate processes: a signal ends a download
// between items with the signal's exit status, a line held with XOFF ends it within seconds,
// a value that is no measurement fails a measurement, and a file is never taken for a port.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../document/TunTestSupport.h"
#include "ProcessSupport.h"

namespace fs = std::filesystem;
using namespace processtest;
using namespace std::chrono_literals;

namespace {

/// The bench with a test set beside its radio.
class TestSetBench : public BenchProcess {
public:
    TestSetBench(const tuntest::TempDir& dir, std::vector<std::string> flags)
        : BenchProcess(dir, WithTestSet(dir, std::move(flags))) {}

private:
    static std::vector<std::string> WithTestSet(const tuntest::TempDir& dir,
                                                std::vector<std::string> flags) {
        flags.insert(flags.begin(), {"--testset", dir.File("testset")});
        return flags;
    }
};

TEST(TestSetBinary, SigintEndsADownloadBetweenItemsWithStatus130) {
    ASSERT_TRUE(fs::exists(VEGAL_BENCH_BIN)) << VEGAL_BENCH_BIN;
    ASSERT_TRUE(fs::exists(VEGAL_CLI_BIN)) << VEGAL_CLI_BIN;
    tuntest::TempDir dir;
    TestSetBench bench(dir, {});
    ASSERT_TRUE(bench.Ready()) << bench.Output();

    const pid_t cli = Spawn({VEGAL_CLI_BIN, "testset", "download", "--port", bench.testSet},
                            dir.File("cli.out"), dir.Path());
    ASSERT_GT(cli, 0);
    // Under way: the first loader items have reached the test set (one every 500 ms).
    for (int i = 0; i < 500 && TestSetLines(bench.trace).size() < 3; ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_GE(TestSetLines(bench.trace).size(), 3u) << Text(dir.File("cli.out"));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(cli, SIGINT);
    const int status = Wait(cli);
    const auto took = std::chrono::steady_clock::now() - signalled;

    EXPECT_EQ(status, 130) << Text(dir.File("cli.out"));
    EXPECT_LT(took, 3s);
    std::this_thread::sleep_for(700ms);  // nothing more comes after the exit
    EXPECT_LT(TestSetLines(bench.trace).size(), 46u) << "the loader was not sent to its end";
}

TEST(TestSetBinary, ALineHeldWithXoffEndsTheDownloadWithinSeconds) {
    tuntest::TempDir dir;
    TestSetBench bench(dir, {"--testset-xoff"});
    ASSERT_TRUE(bench.Ready()) << bench.Output();
    const auto start = std::chrono::steady_clock::now();
    const int status = Wait(Spawn({VEGAL_CLI_BIN, "testset", "download", "--port", bench.testSet},
                                  dir.File("cli.out"), dir.Path()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
    EXPECT_EQ(status, 1);
    const std::string out = Text(dir.File("cli.out"));
    EXPECT_NE(out.find("The download stopped at item 1 of 287 (\"SCRATCH ALL\"), which did not go "
                       "out whole."),
              std::string::npos)
        << out;
    EXPECT_TRUE(TestSetLines(bench.trace).empty());
}

TEST(TestSetBinary, AValueThatIsNoMeasurementFailsTheMeasurement) {
    const struct {
        std::vector<std::string> flags;
        const char* why;
    } cases[] = {
        // Nothing keyed on the bench's radio: the instrument reports 9.91E+37.
        {{}, "the HP8920B's FM deviation \" 9.91000000E+037\" is no measurement of a radio"},
        {{"--testset-garbage-field=2"}, "the HP8920B's power \"ZZZZZZZZZZZZZZZZ\" is not a number"},
        {{"--testset-bad-exponent=3"},
         "the HP8920B's FM deviation \" 9.91000000En037\" is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        tuntest::TempDir dir;
        std::vector<std::string> flags = {"--testset-running"};
        flags.insert(flags.end(), c.flags.begin(), c.flags.end());
        TestSetBench bench(dir, flags);
        ASSERT_TRUE(bench.Ready()) << bench.Output();
        const int status =
            Wait(Spawn({VEGAL_CLI_BIN, "testset", "measure", "--port", bench.testSet},
                       dir.File("cli.out"), dir.Path()));
        EXPECT_EQ(status, 1);
        EXPECT_NE(Text(dir.File("cli.out")).find(c.why), std::string::npos)
            << Text(dir.File("cli.out"));
    }
}

TEST(TestSetBinary, AFileIsNeverTakenForTheTestSetPort) {
    tuntest::TempDir dir;
    const std::string notes = dir.File("notes.txt");
    std::ofstream(notes) << "my notes\n";
    const int status = Wait(Spawn({VEGAL_CLI_BIN, "testset", "start", "--port", notes},
                                  dir.File("cli.out"), dir.Path()));
    EXPECT_EQ(status, 1);
    EXPECT_NE(Text(dir.File("cli.out"))
                  .find("The test-set port " + notes + " is a regular file, not a serial line."),
              std::string::npos)
        << Text(dir.File("cli.out"));
    EXPECT_EQ(Text(notes), "my notes\n");
}

}  // namespace
