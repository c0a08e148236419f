// vegal-cli align on the bench's radio and HP8920B over their pseudo-terminals, in simulated
// time: the report on standard output, the CSV beside it, exit codes and usage errors.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "support/RecordingHost.h"

namespace {

class CliAlignTest : public ::testing::Test {
protected:
    void StartBench(const std::string& profile) {
        BenchOptions options;
        options.testSet = true;
        options.paced = false;
        options.noise = false;
        options.profile = profile;
        options.testSetStart = BenchOptions::TestSetStart::Running;
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
        for (const std::string& f : files) std::remove(f.c_str());
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
    std::string TempFile(const std::string& text = {}) {
        char path[] = "/tmp/vegal-align-XXXXXX";
        const int fd = mkstemp(path);
        close(fd);
        std::ofstream(path) << text;
        files.push_back(path);
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    CRecordingHost host;
    CCliSettings settings;
    std::unique_ptr<CBench> bench;
    CTestSetLink* link = nullptr;
    std::ostringstream out, err;
    std::vector<std::string> files;
};

TEST_F(CliAlignTest, ADetunedRadioPassesIsProgrammedAndLeavesTestMode) {
    StartBench("detuned");
    const std::string csv = TempFile();
    ASSERT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--report", csv,
                   "--features", "refOsc,powerHigh"}),
              0)
        << out.str() << err.str();
    EXPECT_NE(out.str().find("Overall result: PASS"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("Saved " + csv), std::string::npos);
    const std::string text = Read(csv);
    EXPECT_NE(text.find("Result,PASS\r\n"), std::string::npos);
    EXPECT_NE(text.find("Reference Oscillator,1,146.0125,20,"), std::string::npos) << text;
    EXPECT_NE(text.find("Tx Power High,3,173.9875,120,"), std::string::npos) << text;
    EXPECT_EQ(bench->Radio().Programmed(0)[0], 72);
    EXPECT_FALSE(bench->Radio().Keyed());
    EXPECT_FALSE(bench->Radio().InTestMode());
    EXPECT_EQ(bench->RadioRequests().back(), "000d");
    EXPECT_TRUE(host.m_progress.size() >= 4u);
}

TEST_F(CliAlignTest, AFailedRowExitsOneAndLeavesItsFeatureUnprogrammed) {
    const std::string profile = TempFile("base = standard\ndevBalanceIdeal = 90\n");
    StartBench(profile);
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "COM2", "--features",
                   "devBalance"}),
              1);
    EXPECT_NE(out.str().find("Tx Deviation Balance  (not programmed: a row failed)"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("the slider stopped at 63, the end of its range"), std::string::npos);
    EXPECT_EQ(bench->Radio().Programmed(2), std::vector<int>(3, 24));
}

// A test-set port that cannot be opened is said once, with the device and the reason; the
// radio is not left keyed and the run tunes nothing.
TEST_F(CliAlignTest, ATestSetPortThatCannotBeOpenedIsNamedOnce) {
    StartBench("detuned");
    const std::string reason =
        "Cannot open the test-set port /tmp/vegal-no-test-set: No such file or directory.";
    EXPECT_EQ(Run({"align", "--port", bench->RadioDevice(), "--testset", "/tmp/vegal-no-test-set"}),
              1);
    int said = 0;
    for (const std::string& text : host.Texts()) said += text == reason;
    for (std::size_t at = err.str().find(reason); at != std::string::npos;
         at = err.str().find(reason, at + 1))
        ++said;
    EXPECT_EQ(said, 1) << err.str();
    EXPECT_FALSE(bench->Radio().Keyed());
}

TEST_F(CliAlignTest, UsageErrorsAndABadLimitsFileExitTwoBeforeTheRadioIsTouched) {
    StartBench("standard");
    const std::string badLimits = TempFile("refOscTarget = 0\n\npowerLowTolerance = none\n");
    const std::string port = bench->RadioDevice();
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"align", "--port", port}, "usage:"},
        {{"align", "--testset", "COM2"}, "usage:"},
        {{"align", "--port", port, "--testset", "COM2", "--bogus"}, "unknown option --bogus"},
        {{"align", "--port", port, "--testset", "COM2", "--limits"}, "--limits needs a value"},
        {{"align", "--port", port, "--testset", "COM2", "--limits", badLimits},
         ": line 3: powerLowTolerance needs a number, not \"none\""},
        {{"align", "--port", port, "--testset", "COM2", "--limits", "/nonexistent/limits"},
         "limits file /nonexistent/limits: cannot be read"},
        {{"align", "--port", port, "--testset", "COM2", "--features", "refOsc,rx"},
         "unknown feature \"rx\""},
        {{"align", "--port", port, "--testset", "COM1234567"}, "--testset: "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), 2) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    }
    EXPECT_TRUE(bench->RadioRequests().empty());
}

}  // namespace
