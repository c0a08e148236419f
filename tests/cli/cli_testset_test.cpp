// vegal-cli testset on the bench's simulated HP8920B over its pseudo-terminal, in simulated
// time: every wait of the link lets the bench's test set catch up instead of passing.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "autotune/ResidentProgramText.h"
#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "bench/TestSetProgramCopy.h"
#include "support/RecordingHost.h"

namespace {

class CliTestSetTest : public ::testing::Test {
protected:
    void StartBench(BenchOptions::TestSetStart start, const BenchFaults& faults = {}) {
        BenchOptions options;
        options.testSet = true;
        options.paced = false;
        options.noise = false;
        options.testSetStart = start;
        options.faults = faults;
        bench = std::make_unique<CBench>(options);
        std::string error;
        ASSERT_TRUE(bench->Start(error)) << error;
        settings.portMap.SetDeviceLister([] { return std::vector<std::string>{}; });
        settings.portMap.SetMapping(2, bench->TestSetDevice());
        host.onSleep = [this](std::uint32_t ms) {
            bench->SettleTestSet(ms, link ? link->Stats().bytesSent : 0);
        };
    }
    void TearDown() override {
        if (bench)
            bench->Stop();
    }
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; },
                        [this](CTestSetLink& l) { link = &l; }};
        const int rc = RunCli(args, ctx);
        link = nullptr;
        return rc;
    }

    CRecordingHost host;
    CCliSettings settings;
    std::unique_ptr<CBench> bench;
    CTestSetLink* link = nullptr;
    std::ostringstream out, err;
};

TEST_F(CliTestSetTest, DownloadThenCheckThenStop) {
    StartBench(BenchOptions::TestSetStart::Empty);
    EXPECT_EQ(Run({"testset", "check", "--port", "COM2"}), 1);
    EXPECT_NE(out.str().find("does not answer"), std::string::npos);

    bench->ClearTrace();
    EXPECT_EQ(Run({"testset", "download", "--port", "2"}), 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("Serial port COM2 successfully reconfigured.\n"), std::string::npos);
    // The trace holds the loader and the program, line for line, then the start.
    const std::vector<std::string> lines = bench->TestSetLines();
    ASSERT_EQ(lines.size(), 46u + 241u + 4u);
    EXPECT_EQ(lines[0], "SCRATCH ALL");
    EXPECT_EQ(lines[43], "\x1b");
    const std::vector<std::string> program(lines.begin() + 46, lines.begin() + 46 + 241);
    EXPECT_EQ(TestSetProgramCopy::CompareProgram(program), "");
    EXPECT_EQ(lines[46 + 117], "1180   OUTPUT 814;\"RFAN:FREQ \"&Inputstr$");
    EXPECT_EQ(lines.back(), "run");

    EXPECT_EQ(Run({"testset", "check", "--port", "2"}), 0);
    EXPECT_NE(out.str().find("The HP8920B resident program is running."), std::string::npos);
    EXPECT_EQ(Run({"testset", "stop", "--port", "2"}), 0);
    EXPECT_EQ(Run({"testset", "check", "--port", "2"}), 1);
    EXPECT_EQ(Run({"testset", "start", "--port", "2"}), 0);  // stored since the download
}

TEST_F(CliTestSetTest, MeasureAutomaticAndManual) {
    StartBench(BenchOptions::TestSetStart::Running);
    EXPECT_EQ(Run({"testset", "measure", "--port", "2"}), 0) << out.str();
    EXPECT_NE(out.str().find("Tune frequency: 0.00000000E+000\nPower (W): 0.00000000E+000\n"
                             "FM deviation: 0.00000000E+000\n"),
              std::string::npos)
        << out.str();
    bench->ClearTrace();
    EXPECT_EQ(Run({"testset", "measure", "--port", "2", "--manual", "--freq", "851.025"}), 0);
    EXPECT_NE(out.str().find("Analyzer frequency: 851.0250 MHz\n"), std::string::npos);
    EXPECT_NE(out.str().find("\nFrequency error: "), std::string::npos);
    EXPECT_EQ(bench->TestSetLines(), (std::vector<std::string>{"2", "851025000", "4"}));
}

TEST_F(CliTestSetTest, FailuresAndUsage) {
    BenchFaults f;
    f.testSetShortReplies = true;
    StartBench(BenchOptions::TestSetStart::Running, f);
    EXPECT_EQ(Run({"testset", "measure", "--port", "2"}), 1);
    EXPECT_EQ(host.Count(CTestSetLink::kReadingIncorrect), 1);
    f = {};
    f.testSetNoCts = true;
    bench->SetFaults(f);
    EXPECT_EQ(Run({"testset", "measure", "--port", "2", "--freq", "851.025"}), 1);
    EXPECT_NE(out.str().find("CTS"), std::string::npos);

    EXPECT_EQ(Run({"testset", "check", "--port", "7"}), 1);  // no device for COM7
    EXPECT_NE(out.str().find("There is no serial device for the test-set port COM7"),
              std::string::npos);
    const std::vector<std::vector<std::string>> usage = {
        {"testset"},
        {"testset", "check"},
        {"testset", "frobnicate", "--port", "2"},
        {"testset", "check", "--port", "1234567"},
        {"testset", "check", "--port", "2", "--manual"},
        {"testset", "measure", "--port", "2", "--freq", "abc"},
        {"testset", "measure", "--port", "2", "--freq"},
    };
    for (const auto& args : usage) EXPECT_EQ(Run(args), 2) << args.back();
}

}  // namespace
