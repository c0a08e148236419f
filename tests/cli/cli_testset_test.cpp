// vegal-cli testset on the bench's simulated HP8920B over its pseudo-terminal, in simulated
// time: every wait of the link lets the bench's test set catch up instead of passing.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliApp.h"
#include "StopSignal.h"
#include "autotune/ResidentProgramText.h"
#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "bench/TestSetProgramCopy.h"
#include "support/RecordingHost.h"

namespace {

using namespace std::chrono_literals;

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
    /// Keys the bench radio at 851.0125 MHz in test mode (as the tuning screen would).
    void KeyRadio() {
        CSimRadio& radio = bench->Radio();
        radio.HandleFrame({0x00, 0x02, 0x00, 0x0c});
        radio.HandleFrame({0x00, 0x08, 0x00, 0x0b, 0x0a, 0x25, 0x15, 0x84, 0x64, 0x00});
        radio.HandleFrame({0x00, 0x03, 0x00, 0x04, 0x01});
    }
    void TearDown() override {
        if (bench)
            bench->Stop();
    }
    int Run(std::vector<std::string> args, CStopSignal* stop = nullptr) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; },
                        [this](CTestSetLink& l) { link = &l; }};
        ctx.stop = stop;
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
    // Said once for the command, not once for each of the hundreds of opens.
    const std::string said = "Serial port COM2 successfully reconfigured.\n";
    const std::size_t first = out.str().find(said);
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(out.str().find(said, first + 1), std::string::npos) << out.str();
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
    EXPECT_EQ(Run({"testset", "stop", "--port", "2"}), 0) << out.str() << err.str();
    EXPECT_EQ(Run({"testset", "check", "--port", "2"}), 1);
    EXPECT_EQ(Run({"testset", "start", "--port", "2"}), 0);  // stored since the download
}

TEST_F(CliTestSetTest, MeasureAutomaticAndManual) {
    StartBench(BenchOptions::TestSetStart::Running);
    // Nothing keyed: the instrument has no deviation to measure (9.91E+37), which is no
    // measurement.
    EXPECT_EQ(Run({"testset", "measure", "--port", "2"}), 1) << out.str();
    EXPECT_NE(out.str().find("FM deviation: 9.91000000E+037\n"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("vegal-cli: the HP8920B's FM deviation \" 9.91000000E+037\" is no "
                             "measurement of a radio (out of range).\n"),
              std::string::npos)
        << err.str();

    KeyRadio();
    EXPECT_EQ(Run({"testset", "measure", "--port", "2"}), 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("Tune frequency: 8.51012"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "");
    bench->ClearTrace();
    EXPECT_EQ(Run({"testset", "measure", "--port", "2", "--manual", "--freq", "851.0125"}), 0)
        << out.str() << err.str();
    EXPECT_NE(out.str().find("Analyzer frequency: 851.0125 MHz\n"), std::string::npos);
    EXPECT_NE(out.str().find("\nFrequency error: "), std::string::npos);
    EXPECT_EQ(bench->TestSetLines(), (std::vector<std::string>{"2", "851012500", "4"}));
}

TEST_F(CliTestSetTest, AValueThatIsNoNumberFailsTheMeasurementAndSaysWhy) {
    StartBench(BenchOptions::TestSetStart::Running);
    KeyRadio();
    const struct {
        int garbage, badExponent;
        std::vector<std::string> args;
        const char* why;
    } cases[] = {
        {1, 0, {}, "the HP8920B's tune frequency \"ZZZZZZZZZZZZZZZZ\" is not a number"},
        {2, 0, {"--manual"}, "the HP8920B's power \"ZZZZZZZZZZZZZZZZ\" is not a number"},
        {0, 3, {}, "the HP8920B's FM deviation \" 0.00000000En000\" is not a number"},
        // On the analyzer frequency the automatic measurements found: no error.
        {0, 1, {"--manual"}, "the HP8920B's frequency error \"0.00000000En000\" is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        BenchFaults f;
        f.testSetGarbageField = c.garbage;
        f.testSetBadExponent = c.badExponent;
        bench->SetFaults(f);
        std::vector<std::string> args = {"testset", "measure", "--port", "2"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(Run(args), 1);
        EXPECT_EQ(err.str(), std::string("vegal-cli: ") + c.why + ".\n");
    }
}

TEST_F(CliTestSetTest, SignalsStopTheWorkAndGiveTheSignalsExitStatus) {
    StartBench(BenchOptions::TestSetStart::Empty);
    CStopSignal stop;
    // SIGINT once the download is under way: it stops between items.
    std::thread signaller([&] {
        while (bench->TestSetLines().size() < 20) std::this_thread::sleep_for(1ms);
        stop.Raise(SIGINT);
    });
    EXPECT_EQ(Run({"testset", "download", "--port", "2"}, &stop), 130);
    signaller.join();
    EXPECT_LT(bench->TestSetLines().size(), 40u);
    EXPECT_TRUE(stop.RadioSafe());
    EXPECT_FALSE(bench->TestSet().HasFile());

    // SIGTERM while a measurement waits for a reply that never comes.
    BenchFaults f;
    f.testSetNoReply = -1;
    StartBench(BenchOptions::TestSetStart::Running, f);
    CStopSignal term;
    const auto start = std::chrono::steady_clock::now();
    std::thread late([&] {
        std::this_thread::sleep_for(300ms);
        term.Raise(SIGTERM);
    });
    EXPECT_EQ(Run({"testset", "measure", "--port", "2"}, &term), 143);
    late.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);  // not the 8 s reply wait
}

TEST_F(CliTestSetTest, WhatIsNoSerialLineIsRefusedBeforeAnythingIsWritten) {
    StartBench(BenchOptions::TestSetStart::Running);
    char tmpl[] = "/tmp/vegal-notes-XXXXXX";
    const int fd = ::mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    ::close(fd);
    for (const char* action : {"start", "download", "stop", "check", "measure"}) {
        SCOPED_TRACE(action);
        EXPECT_EQ(Run({"testset", action, "--port", tmpl}), 1);
        EXPECT_NE(out.str().find(std::string("The test-set port ") + tmpl +
                                 " is a regular file, not a serial line.\n"),
                  std::string::npos)
            << out.str();
        EXPECT_EQ(std::filesystem::file_size(tmpl), 0u);
    }
    std::filesystem::remove(tmpl);
}

TEST_F(CliTestSetTest, StopSaysEndedOnlyForAProgramThatRanAndEnded) {
    StartBench(BenchOptions::TestSetStart::Stored);
    EXPECT_EQ(Run({"testset", "stop", "--port", "2"}), 1);
    EXPECT_NE(out.str().find("The HP8920B resident program is not running"), std::string::npos);
    EXPECT_TRUE(bench->TestSetLines().empty()) << "nothing sent to a program that does not run";
    EXPECT_EQ(Run({"testset", "start", "--port", "2"}), 0);
    EXPECT_EQ(Run({"testset", "stop", "--port", "2"}), 0);
    EXPECT_NE(out.str().find("The HP8920B resident program has ended.\n"), std::string::npos);
    EXPECT_EQ(bench->TestSet().CurrentMode(), CSimTestSet::Mode::Instrument);
}

TEST_F(CliTestSetTest, AHeldLineEndsTheDownloadAtItsFirstItemWithinSeconds) {
    BenchFaults f;
    f.testSetXoff = true;
    StartBench(BenchOptions::TestSetStart::Empty, f);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"testset", "download", "--port", "2"}), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_NE(out.str().find("The download stopped at item 1 of 287 (\"SCRATCH ALL\"), which did "
                             "not go out whole. Only 0 of 12 bytes went out on the test-set port "
                             "COM2: the HP8920B holds the line with XOFF"),
              std::string::npos)
        << out.str();
    EXPECT_TRUE(bench->TestSetLines().empty());
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
