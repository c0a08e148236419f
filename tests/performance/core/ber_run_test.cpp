// The bit error rate test run against the bench's radio over a pseudo-terminal: radio set-up,
// single and continuous tests, result handling and the data file, byte for byte.

#include <gtest/gtest.h>

#include "BerBench.h"
#include "performance/core/BerTest.h"
#include "radio/RadioCommands.h"

namespace {

constexpr char kFileHeader[] =
    "BER Data file for Quillmore Tuner\r\n----------------------------------";

/// The test header as the data file holds it.
std::string Criteria(int number, const char* freq, const char* pattern, const char* continuous,
                     const char* time, int frames, const char* modulation = "C4FM",
                     const char* audio = "Mute") {
    return std::string("\r\n\r\nTest Criteria for BER Test# ") + std::to_string(number) +
           "\r\n--------------------------------\r\n\r\nRx Frequency (Mhz):\t" + freq +
           "\r\nTest Pattern:\t\t" + pattern + "\r\nModulation Type:\t" + modulation +
           "\r\nContinuous Operation:\t" + continuous + "\r\nAudio:\t\t\t" + audio +
           "\r\nIntegration Time:\t" + time + "\r\nFrames:\t\t\t" + std::to_string(frames) +
           "\r\n\r\nResults:\r\n----------\r\nTag\tBER Errors\tBER Percent\r\n"
           "-------------------------------------\r\n";
}

class BerRunTest : public ::testing::Test, public BerBenchFixture {
protected:
    /// The test on the read radio, opened as its screen opens.
    CBerTest& OpenTest() {
        test = std::make_unique<CBerTest>(*doc, [] { return std::string(CBerTest::kTitle); });
        test->onResult = [this](const BerResult& r) { shown.push_back(r.tag); };
        test->Open();
        return *test;
    }
    /// Runs a continuous test's ticks for ms of host time.
    void Poll(int ms) {
        for (int t = 0; t < ms; t += CBerTest::kPollMs) {
            host.Sleep(CBerTest::kPollMs);
            test->Tick();
        }
    }
    std::unique_ptr<CBerTest> test;
    std::vector<int> shown;
};

TEST_F(BerRunTest, SingleTestSetsTheRadioUpWaitsAndLogsItsResult) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000c"});
    EXPECT_EQ(ber.m_frequency, 764.0);  // lower limit of band U, second table
    EXPECT_EQ(ber.m_status, "Press Start to Start BER Test");

    ber.m_frequency = 851.0125;
    ber.CheckFrequency();
    ber.m_time = 1.0f;
    ber.CheckTime();
    ASSERT_EQ(ber.m_frames, 3);
    std::vector<std::string> statuses;
    ber.onShow = [&] { statuses.push_back(ber.m_status); };
    host.m_sleeps.clear();
    ber.StartStop();

    // 851.0125 MHz is 0a251584 in 5 Hz steps; the receive request carries 12.5 kHz spacing.
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000a0a2515843200", "00032100", "000501",
                                                       "00160103", "0017"}));
    EXPECT_EQ(host.m_sleeps, (std::vector<std::uint32_t>{50, 1440}));
    EXPECT_EQ(statuses.front(), "Test Started...");  // shown before the wait
    EXPECT_EQ(ber.m_status, "Sync Detected");
    // Noise-free bench, filter 40 steps off its optimum: 17 errors in 3 x 3456 bits.
    EXPECT_EQ(ber.m_errorText, "017");
    EXPECT_EQ(ber.m_rateText, "0.164");
    EXPECT_FALSE(ber.Running());
    EXPECT_EQ(host.m_waitDepth, 0);
    EXPECT_GE(host.m_waitCursorShown, 2);  // the read's and the test's
    EXPECT_EQ(DataText(), kFileHeader +
                              Criteria(1, "851.012500", "Framed 1011", "No", "1.080000", 3) +
                              "1\t017\t\t0.164\r\n");
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(BerRunTest, ContinuousTestShowsAndLogsEachNewRecordOnceUntilStopped) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    ber.m_frequency = 851.0125;
    ber.m_pattern = 1;
    ber.m_modulation = 2;
    ber.m_audio = 1;
    ber.m_continuous = 1;
    NewRequests();
    ber.StartStop();
    EXPECT_EQ(ber.m_status, "Test in Progress...Please Wait");
    EXPECT_TRUE(ber.Running() && ber.Polling());
    EXPECT_FALSE(ber.SettingsEnabled());
    EXPECT_EQ(NewRequests(),
              (std::vector<std::string>{"000a0a2515843200", "00032502", "000512", "00160201"}));

    Poll(3000);  // twelve ticks, one record every 360 ms
    ASSERT_GE(shown.size(), 7u);
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], int(i) + 1);
    EXPECT_EQ(ber.m_status, "Sync Detected");
    EXPECT_EQ(NewRequests(), std::vector<std::string>(12, "0017"));

    ber.StartStop();
    EXPECT_EQ(ber.m_status, "Test Stopped");
    EXPECT_FALSE(ber.Running() || ber.Polling());
    EXPECT_TRUE(ber.SettingsEnabled());
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"00160000"});
    Poll(1000);
    EXPECT_TRUE(NewRequests().empty());  // ticks after the stop read nothing

    std::string expected = kFileHeader + Criteria(1, "851.012500", "CCITT V.52", "Yes", "0.360000",
                                                  1, "Wide Pulse", "Internal");
    for (int tag : shown) expected += std::to_string(tag) + "\t005\t\t0.145\r\n";
    EXPECT_EQ(DataText(), expected);
}

TEST_F(BerRunTest, DetunedFilterLosesSyncAndNumbersTheTests) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    const int detuned[] = {255};
    ASSERT_GE(ProgramSoftpots(*doc, kFrontEndFilter, detuned, 1, "Rx Front End Filter"), 0);
    CBerTest& ber = OpenTest();
    ber.m_frequency = 851.0125;
    ber.StartStop();
    EXPECT_EQ(ber.m_status, "No Sync Detected");
    EXPECT_EQ(ber.m_errorText, "");
    ber.StartStop();  // a second single test
    EXPECT_EQ(DataText(), kFileHeader +
                              Criteria(1, "851.012500", "Framed 1011", "No", "0.360000", 1) +
                              "1\tNo sync detected\r\n" +
                              Criteria(2, "851.012500", "Framed 1011", "No", "0.360000", 1) +
                              "2\tNo sync detected\r\n");
}

TEST_F(BerRunTest, RefusedStartFailsTheTest) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    BenchFaults refuse;
    refuse.refuseBer = true;
    SetFaults(refuse);
    NewRequests();
    ber.StartStop();  // single
    EXPECT_EQ(ber.m_status, "Test Failed");
    EXPECT_FALSE(ber.Running());
    EXPECT_EQ(NewRequests().back(), "00160101");  // no result read follows

    ber.m_continuous = 1;
    ber.StartStop();
    EXPECT_EQ(ber.m_status, "Test Failed");
    EXPECT_TRUE(ber.Running());  // the next START/STOP stops it
    EXPECT_FALSE(ber.Polling());
    NewRequests();
    ber.StartStop();
    EXPECT_EQ(ber.m_status, "Test Stopped");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"00160000"});
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(BerRunTest, HalfAReplyInASingleTestShowsNothing) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    ber.m_frequency = 851.0125;
    BenchFaults cut;
    cut.truncatedReply = true;
    cut.onlyRequest = "0017";
    SetFaults(cut);
    ber.StartStop();
    EXPECT_EQ(ber.m_status, "No Sync Detected");
    EXPECT_EQ(ber.m_errorText, "");
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(ber.Running());
    EXPECT_EQ(host.Count("Communication with the radio failed. Please Read the Radio Again!"), 1);
    EXPECT_EQ(DataText(),
              kFileHeader + Criteria(1, "851.012500", "Framed 1011", "No", "0.360000", 1));
}

TEST_F(BerRunTest, AFailedReadEndsTheContinuousReads) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    ber.m_frequency = 851.0125;
    ber.m_continuous = 1;
    ber.StartStop();
    BenchFaults cut;
    cut.truncatedReply = true;
    cut.onlyRequest = "0017";
    SetFaults(cut);
    NewRequests();
    Poll(2000);
    EXPECT_TRUE(ber.ReadFailed());
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"0017"});  // one read, then none
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ber.m_status, "Test in Progress...Please Wait");
    EXPECT_EQ(host.m_messages.size(), 1u);
}

TEST_F(BerRunTest, ClosingStopsARunningTest) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    CBerTest& ber = OpenTest();
    ber.m_continuous = 1;
    ber.StartStop();
    NewRequests();
    ber.Close();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"00160000"});
    EXPECT_FALSE(ber.Polling());
    ber.Close();  // nothing is running any more
    EXPECT_TRUE(NewRequests().empty());
}

/// Exact result replies over a pty.
class BerReplyHandlingTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.m_exeFolder = dir.Path();
        tuntest::WriteBytes(dir.File("BERData.txt"), {});
        frame.SetPort(radio.Device());
        doc = std::make_unique<CTunerDoc>(host, frame,
                                          MakeSerialRadioCommFactory(host, CPortMap(), 9600));
        ASSERT_TRUE(OnNewDocument(*doc));
        test = std::make_unique<CBerTest>(*doc, [] { return std::string(CBerTest::kTitle); });
        test->onResult = [this](const BerResult& r) { shown.push_back(r.tag); };
        test->Open();
        test->m_frequency = 851.0125;
    }
    /// The data file after its header and the tests' criteria: the result records only.
    std::string Records() const {
        const std::string text = tuntest::ReadText(dir.File("BERData.txt"));
        std::string records;
        std::size_t at = 0;
        const std::string rule = "-------------------------------------\r\n";
        while ((at = text.find(rule, at)) != std::string::npos) {
            at += rule.size();
            const std::size_t next = text.find("\r\n\r\nTest Criteria", at);
            records += text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        }
        return records;
    }

    tuntest::TempDir dir;
    CRecordingHost host;
    CFrameState frame;
    ScriptedBerRadio radio;
    std::unique_ptr<CTunerDoc> doc;
    std::unique_ptr<CBerTest> test;
    std::vector<int> shown;
};

TEST_F(BerReplyHandlingTest, SingleTestResults) {
    const std::string empty(10, '0');
    const struct {
        const char* name;
        int frames;
        std::string reply;
        const char* status;
        const char* errors;
        const char* rate;
        const char* record;
    } cases[] = {
        {"255 frames, 34 errors", 255,
         "001700"
         "0100000022",
         "Sync Detected", "034", "0.004", "1\t034\t\t0.004\r\n"},
        {"last record with tag 0", 1,
         "001700"
         "0400000007" +
             empty,
         "Sync Detected", "007", "0.203", "4\t007\t\t0.203\r\n"},
        {"no sync", 1,
         "001700"
         "0901000000",
         "No Sync Detected", "", "", "9\tNo sync detected\r\n"},
        {"status not 00", 1,
         "001701"
         "0100000022",
         "No Sync Detected", "", "", ""},
        {"every tag 0", 1, "001700" + empty + empty, "No Sync Detected", "", "", ""},
        {"short last record", 3,
         "001700"
         "0200000005"
         "030000",
         "Sync Detected", "005", "0.048", "2\t005\t\t0.048\r\n"},
        {"only a short record", 1,
         "001700"
         "050000",
         "No Sync Detected", "", "", ""},
        {"same tag as the test before", 1,
         "001700"
         "0900000001",
         "Sync Detected", "001", "0.029", "9\t001\t\t0.029\r\n"},
    };
    for (const auto& c : cases) {
        test->m_errorText.clear();
        test->m_rateText.clear();
        test->m_frames = c.frames;
        test->CheckFrames();
        const std::string before = Records();
        radio.QueueResult(c.reply);
        test->StartStop();
        EXPECT_EQ(test->m_status, c.status) << c.name;
        EXPECT_EQ(test->m_errorText, c.errors) << c.name;
        EXPECT_EQ(test->m_rateText, c.rate) << c.name;
        EXPECT_EQ(Records().substr(before.size()), c.record) << c.name;
        EXPECT_EQ(test->LastTag(), 0) << c.name;  // a single test always shows its result
    }
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(BerReplyHandlingTest, ContinuousTestSuppressesARepeatedTag) {
    test->m_continuous = 1;
    test->StartStop();
    for (const char* reply : {"001700"
                              "0100000003",
                              "001700"
                              "0100000003",
                              "001700"
                              "0100000003"
                              "0201000000",
                              "001700"
                              "0201000000"})
        radio.QueueResult(reply);
    for (int i = 0; i < 4; ++i) test->Tick();
    EXPECT_EQ(shown, (std::vector<int>{1, 2}));
    EXPECT_EQ(test->LastTag(), 2);
    EXPECT_EQ(test->m_status, "No Sync Detected");
    EXPECT_EQ(Records(), "1\t003\t\t0.087\r\n2\tNo sync detected\r\n");
}

}  // namespace
