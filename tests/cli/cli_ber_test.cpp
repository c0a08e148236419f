// vegal-cli ber over the bench's simulated radio on a pseudo-terminal: the same set-up and
// rules as the bit error rate screen, one printed line per result, the data file, the exit
// status by sync, the radio left out of test mode, and usage errors that send nothing.

#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <sstream>

#include "../bench/RadioBenchFixture.h"
#include "../document/TunTestSupport.h"
#include "CliApp.h"
#include "StopSignal.h"
#include "performance/core/BerTest.h"

using namespace tuntest;

namespace {

class CliBerTest : public ::testing::Test, public RadioBenchFixture {
protected:
    void Start(const std::string& profile = "standard", const BenchFaults& faults = {}) {
        ASSERT_TRUE(StartBench(profile, faults));
        Radio().SetClock([this] { return static_cast<std::int64_t>(host.TimeGetTime()); });
        host.m_exeFolder = dir.Path();
        bench = &Bench();
    }
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), "ber");
        CCliContext ctx{host, out, err, [] { return CCliSettings{}; }};
        ctx.stop = stop.get();
        return RunCli(args, ctx);
    }
    int RunOnBench(std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", bench->RadioDevice()});
        return Run(args);
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    TempDir dir;
    std::unique_ptr<CStopSignal> stop = std::make_unique<CStopSignal>();
    CBench* bench = nullptr;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliBerTest, SingleTestWithSyncExitsZeroAndLeavesTestMode) {
    Start();
    WriteBytes(dir.File("BERData.txt"), {});
    ASSERT_EQ(RunOnBench({"--freq", "851.0125", "--frames", "10"}), 0) << err.str();
    // 10 frames, the filter 40 steps off its optimum on the noise-free bench: 58 errors.
    EXPECT_EQ(Lines(), std::vector<std::string>{
                           "Tag 1: Sync Detected, Number Of Bit Errors: 058, BER (%): 0.168"});
    EXPECT_EQ(bench->RadioRequests(),
              (std::vector<std::string>{"0012", "001000", "000c", "000a0a2515843200", "00032100",
                                        "000501", "0016010a", "0017", "000d"}));
    ASSERT_GE(host.m_sleeps.size(), 2u);
    EXPECT_EQ(host.m_sleeps[0], 50u);    // after the set-up
    EXPECT_EQ(host.m_sleeps[1], 3960u);  // 3.6 s and 360 ms
    EXPECT_FALSE(bench->Radio().InTestMode());
    // Appended to the existing data file, as the screen does (no file header: no read).
    const std::string data = ReadText(dir.File("BERData.txt"));
    EXPECT_EQ(data.rfind("\r\n\r\nTest Criteria for BER Test# 1\r\n", 0), 0u) << data;
    EXPECT_NE(data.find("\r\nIntegration Time:\t3.600000\r\nFrames:\t\t\t10\r\n"),
              std::string::npos);
    const std::string record = "\r\n1\t058\t\t0.168\r\n";
    EXPECT_EQ(data.substr(data.size() - record.size()), record);
}

TEST_F(CliBerTest, DetunedRadioReportsNoSyncAndExitsOne) {
    const std::string profile = dir.File("detuned.profile");
    const std::string text = "base = standard\nvalue = 3 255\n";
    WriteBytes(profile, std::vector<std::uint8_t>(text.begin(), text.end()));
    Start(profile);
    EXPECT_EQ(RunOnBench({"--freq", "851.0125", "--frames", "10"}), 1);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Tag 1: No Sync Detected"});
    EXPECT_EQ(bench->RadioRequests().back(), "000d");
}

TEST_F(CliBerTest, ContinuousTestPrintsEachNewResultThenStops) {
    Start();
    ASSERT_EQ(RunOnBench({"--freq", "851.0125", "--continuous", "2", "--pattern", "ccitt-v52",
                          "--modulation", "wide-pulse", "--audio", "external"}),
              0)
        << err.str();
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 5u) << out.str();  // a record every 360 ms of 2 s
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], "Tag " + std::to_string(i + 1) +
                                ": Sync Detected, Number Of Bit Errors: 005, BER (%): 0.145");
    const auto requests = bench->RadioRequests();
    EXPECT_EQ(std::vector<std::string>(requests.begin() + 3, requests.begin() + 7),
              (std::vector<std::string>{"000a0a2515843200", "00032502", "000502", "00160201"}));
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              (std::vector<std::string>{"00160000", "000d"}));
}

// A signal ends the test in the radio and takes it out of test mode; the exit status names the
// signal. Continuous: stopped at its fifth poll; single: stopped during its wait.
TEST_F(CliBerTest, ASignalEndsTheTestInTheRadioAndLeavesTestMode) {
    Start();
    int polls = 0;
    host.onSleep = [&](std::uint32_t ms) {
        if (ms == CBerTest::kPollMs && ++polls == 5)
            stop->Raise(SIGTERM);
    };
    EXPECT_EQ(RunOnBench({"--freq", "851.0125", "--continuous", "60"}), 143);
    EXPECT_EQ(polls, 5) << "no poll after the stop";
    EXPECT_FALSE(Lines().empty());
    EXPECT_NE(err.str().find("vegal-cli ber: stopped by SIGTERM"), std::string::npos) << err.str();
    auto requests = bench->RadioRequests();
    EXPECT_EQ(std::vector<std::string>(requests.end() - 2, requests.end()),
              (std::vector<std::string>{"00160000", "000d"}));
    EXPECT_FALSE(bench->Radio().InTestMode());

    stop = std::make_unique<CStopSignal>();
    host.onSleep = [&](std::uint32_t ms) {
        if (ms > 1000)
            stop->Raise(SIGINT);
    };
    EXPECT_EQ(RunOnBench({"--freq", "851.0125", "--frames", "100"}), 130);
    requests = bench->RadioRequests();
    EXPECT_EQ(std::vector<std::string>(requests.end() - 3, requests.end()),
              (std::vector<std::string>{"0017", "00160000", "000d"}));
    EXPECT_TRUE(stop->RadioSafe());
}

TEST_F(CliBerTest, FrequencyAndTimeFollowTheScreensRules) {
    Start();
    ASSERT_EQ(RunOnBench({"--freq", "800", "--time", "1.0"}), 0) << err.str();
    EXPECT_NE(err.str().find("Rx Frequency (MHz): 851, integration time 1.08 s (3 frames)"),
              std::string::npos)
        << err.str();
    const auto requests = bench->RadioRequests();
    EXPECT_EQ(requests[3], "000a0a250bc03200");  // 851.0 MHz
    EXPECT_EQ(requests[6], "00160103");
}

TEST_F(CliBerTest, RefusedTestFailsAndStillLeavesTestMode) {
    BenchFaults refuse;
    refuse.refuseBer = true;
    Start("standard", refuse);
    EXPECT_EQ(RunOnBench({"--freq", "851.0125"}), 1);
    EXPECT_NE(err.str().find("Test Failed"), std::string::npos);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(RunOnBench({"--freq", "851.0125", "--continuous", "1"}), 1);
    const auto requests = bench->RadioRequests();
    EXPECT_EQ(std::vector<std::string>(requests.end() - 3, requests.end()),
              (std::vector<std::string>{"00160201", "00160000", "000d"}));
}

TEST_F(CliBerTest, UsageErrorsSendNothing) {
    Start();
    const std::string port = bench->RadioDevice();
    const std::vector<std::vector<std::string>> bad = {
        {"--freq", "851.0125"},  // no port
        {"--port", port},        // no frequency
        {"--port", port, "--freq", "abc"},
        {"--port", port, "--freq", "851.0125", "--frames", "0"},
        {"--port", port, "--freq", "851.0125", "--frames", "300"},
        {"--port", port, "--freq", "851.0125", "--frames", "ten"},
        {"--port", port, "--freq", "851.0125", "--time", "x"},
        {"--port", port, "--freq", "851.0125", "--frames", "3", "--time", "1"},
        {"--port", port, "--freq", "851.0125", "--pattern", "prbs"},
        {"--port", port, "--freq", "851.0125", "--continuous", "0"},
        {"--port", port, "--freq", "851.0125", "--loud"},
        {"--port", port, "--freq"},
        {"--port=", "--freq", "851.0125"},
        {"--port", port, "--freq", ""},
        {"--port", port, "--freq", "851.0125", "--time="},
        {"--port", port, "--freq", "851.0125", "--audio", ""},
        {"--port", port, "--freq", "851.0125", "--continuous", ""},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(Run(args), 2) << ::testing::PrintToString(args);
        EXPECT_NE(err.str().find("usage: vegal-cli ber"), std::string::npos);
    }
    EXPECT_TRUE(bench->RadioRequests().empty());
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.str().find("--continuous SECONDS"), std::string::npos);
}

TEST_F(CliBerTest, APortThatCannotBeOpenedIsNamedWithItsReasonOnce) {
    Start();
    const std::string port = dir.File("no-such-tty");
    EXPECT_EQ(Run({"--port", port, "--freq", "851.0125"}), 1);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Cannot open the radio port " + port +
                                                     ": No such file or directory."});
}

}  // namespace
