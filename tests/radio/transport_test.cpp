#include "radio/Transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace {

const std::string kCommFailed = "Communication with the radio failed. Please Read the Radio Again!";

/// A link with a fake radio behind it, a recording host and a port the test chooses.
class TransportTest : public ::testing::Test {
protected:
    TransportTest() : link(host, radio.Factory(), [this] { return port; }) {
        Transport::ResetLogSequenceForTest();
        char tmpl[] = "/tmp/vegal-transport-XXXXXX";
        folder = ::mkdtemp(tmpl);
        host.m_exeFolder = folder;
    }
    ~TransportTest() override { std::filesystem::remove_all(folder); }

    /// Connects and marks the component open, as the read does.
    void Open() {
        ASSERT_EQ(Transport::Connect(link), S_OK);
        link.m_componentOpen = true;
    }
    std::string LogPath() const { return folder + "/TunerLog.txt"; }
    void CreateLog() { std::ofstream(LogPath(), std::ios::binary); }
    std::string ReadLog() const {
        std::ifstream in(LogPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    CRecordingHost host;
    CFakeRadio radio;
    std::string port = "COM3";
    CRadioLink link;
    std::string folder;
};

TEST_F(TransportTest, PortNamesChooseModeAndMask) {
    struct Case {
        const char* port;
        std::int32_t mode;
        std::uint32_t mask;
        const char* device;
    } cases[] = {
        {"COM1", 4, 0x1007, ""},
        {"COM2", 4, 0x2007, ""},
        {"COM3", 4, 0x4007, ""},
        {"COM8", 4, 0x80007, ""},
        {"COM9", 4, (9u << 20) | 7, ""},  // COM9 and up open their own port, not COM1
        {"COM12", 4, (12u << 20) | 7, ""},
        {"COM02", 4, 0x2007, ""},  // read as COM2, never as COM1
        {"com3", 8, 0, "com3"},    // not 'C': the component maps it as a device name
        {"/dev/ttyUSB0", 8, 0, "/dev/ttyUSB0"},
        {"rfcomm0", 8, 0, "rfcomm0"},
    };
    for (const auto& c : cases) {
        port = c.port;
        radio.m_opens.clear();
        ASSERT_EQ(Transport::Connect(link), S_OK) << c.port;
        EXPECT_EQ(link.m_portName, c.port);
        ASSERT_EQ(radio.m_opens.size(), 1u) << c.port;
        EXPECT_EQ(radio.m_opens[0].mode, c.mode) << c.port;
        EXPECT_EQ(radio.m_opens[0].mask, c.mask) << c.port;
        EXPECT_EQ(radio.m_opens[0].device, c.device) << c.port;
        EXPECT_EQ(Transport::PortMask(link), c.mask) << c.port;
    }
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(TransportTest, NamesThatAreNoComPortAreRefusedWithoutOpening) {
    for (const char* name : {"COM0", "COM", "COM9 ", "COMX", "C", "COM4096", "COM-1", "Cable"}) {
        port = name;
        radio.m_opens.clear();
        host.Clear();
        link.m_commErrorShown = false;
        EXPECT_EQ(Transport::Connect(link), E_RADIO_PORT) << name;
        EXPECT_TRUE(radio.m_opens.empty()) << name;
        EXPECT_EQ(link.m_radio, nullptr) << name;
        EXPECT_FALSE(radio.Alive()) << name;
        EXPECT_EQ(Transport::PortMask(link), 0u) << name;
        EXPECT_TRUE(host.m_messages.empty()) << "Connect itself shows nothing";
        EXPECT_TRUE(Transport::ReportConnectFailure(link));
        EXPECT_EQ(host.Texts(), std::vector<std::string>{
                                    "\"" + std::string(name) +
                                    "\" is not a radio port name. Choose a port COM1, COM2, ... "
                                    "or give a device path such as /dev/ttyUSB0."});
        EXPECT_TRUE(link.m_commErrorShown);
    }
}

TEST_F(TransportTest, ConnectFailureReasonOfTheComponentIsReportedOnce) {
    radio.m_openStatus = E_RADIO_PORT;
    radio.m_failureReason = "Cannot open the radio port COM3 (/dev/ttyUSB7): Permission denied.";
    EXPECT_EQ(Transport::Connect(link), E_RADIO_PORT);
    EXPECT_EQ(link.m_connectFailure, radio.m_failureReason);
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_TRUE(Transport::ReportConnectFailure(link));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{radio.m_failureReason});
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);

    // A component that does not say why leaves the report to the caller.
    radio.m_failureReason.clear();
    EXPECT_EQ(Transport::Connect(link), E_RADIO_PORT);
    EXPECT_FALSE(Transport::ReportConnectFailure(link));
    EXPECT_EQ(host.m_messages.size(), 1u);
}

TEST_F(TransportTest, FailedCreateOrOpenLeavesNoComponent) {
    radio.m_createStatus = E_OUTOFMEMORY;
    EXPECT_EQ(Transport::Connect(link), E_OUTOFMEMORY);
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_TRUE(radio.m_opens.empty());

    radio.m_createStatus = S_OK;
    radio.m_openStatus = E_RADIO_PORT;
    EXPECT_EQ(Transport::Connect(link), E_RADIO_PORT);
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_EQ(radio.m_closes, 1);  // closed, then released
    EXPECT_FALSE(radio.Alive());
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(TransportTest, ExchangeFramesTheRequestAndUnframesTheReply) {
    Open();
    radio.ReplyFrame("000100");
    radio.Reply("000c00aa");
    std::string reply = "unchanged";
    EXPECT_EQ(Transport::Exchange(link, "000d", reply, -1), S_OK);
    EXPECT_EQ(reply, "00");
    EXPECT_EQ(radio.m_frames.back(), "0002000d");
    EXPECT_EQ(radio.m_timeouts.back(), -1);

    EXPECT_EQ(Transport::Exchange(link, "0001030A", reply, 3000), S_OK);
    EXPECT_EQ(radio.m_frames.back(), "00040001030a");
    EXPECT_EQ(reply, "000c00aa");
    EXPECT_EQ(radio.m_timeouts.back(), 3000);

    EXPECT_EQ(Transport::FrameRequest(""), "0000");
    EXPECT_EQ(Transport::UnframeReply("00"), "");
}

TEST_F(TransportTest, ElapsedTimeComesFromTheHostClock) {
    Open();
    radio.m_responder = [this](const std::string&, std::string& reply) {
        host.Sleep(31);
        reply = "000c00";
        return S_OK;
    };
    std::string reply;
    ASSERT_EQ(Transport::Exchange(link, "000c", reply, 3000), S_OK);
    EXPECT_EQ(link.m_requestStartTime, 1000u);
    EXPECT_EQ(link.m_lastExchangeTime, 31u);
}

TEST_F(TransportTest, FailureShowsTheMessageAndDropsTheLink) {
    Open();
    radio.Fail(E_RADIO_TIMEOUT);
    std::string reply = "kept";
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_RADIO_TIMEOUT);
    EXPECT_EQ(reply, "kept");
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_FALSE(link.m_componentOpen);
    EXPECT_EQ(radio.m_closes, 1);
    EXPECT_FALSE(radio.Alive());
    EXPECT_EQ(host.m_waitDepth, 0);
    EXPECT_GE(host.m_waitCursorShown, 1);
    ASSERT_EQ(host.m_messages.size(), 1u);
    EXPECT_EQ(host.m_messages[0].text, kCommFailed);
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);

    // Dropped: the next exchange fails at once without a component.
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_FAIL);
    EXPECT_EQ(radio.m_requests.size(), 1u);
    EXPECT_EQ(host.Count(kCommFailed), 2);
    EXPECT_FALSE(link.m_commErrorShown);
}

TEST_F(TransportTest, MessageRulesForRepeatedFailures) {
    struct Case {
        bool once;
        bool alreadyShown;
        int expectedMessages;
    } cases[] = {{false, false, 2}, {true, false, 1}, {false, true, 0}, {true, true, 0}};
    for (const auto& c : cases) {
        host.Clear();
        Open();
        link.m_commErrorOnce = c.once;
        link.m_commErrorShown = c.alreadyShown;
        radio.Fail();
        std::string reply;
        EXPECT_LT(Transport::Exchange(link, "000c", reply, 3000), 0);
        EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_FAIL);
        EXPECT_EQ(host.Count(kCommFailed), c.expectedMessages) << c.once << c.alreadyShown;
        EXPECT_EQ(link.m_radio, nullptr);
    }
}

TEST_F(TransportTest, FailureWithAKnownCauseShowsItAsTheChainsOneMessage) {
    Open();
    radio.m_failureReason =
        "The radio port COM3 (/dev/ttyUSB0) hung up: the other end of the "
        "line is gone (the cable or adapter was unplugged, or the line was "
        "closed).";
    radio.Fail(E_RADIO_HANGUP);
    std::string reply = "kept";
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_RADIO_HANGUP);
    EXPECT_EQ(reply, "kept");
    EXPECT_EQ(host.Texts(), std::vector<std::string>{radio.m_failureReason});
    EXPECT_TRUE(link.m_commErrorShown) << "the callers' own failure messages do not follow";
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_FAIL);
    EXPECT_EQ(host.m_messages.size(), 1u);
}

TEST_F(TransportTest, ANewConnectionStartsANewFailureChain) {
    // A write that failed with its reason (or a failed reconnection) marks the message shown;
    // the technician's next attempt must still hear about its own failure.
    Open();
    radio.m_failureReason = "The radio port COM3 (/dev/ttyUSB0) hung up.";
    radio.Fail(E_RADIO_HANGUP);
    std::string reply;
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), E_RADIO_HANGUP);
    ASSERT_TRUE(link.m_commErrorShown);

    radio.m_failureReason.clear();
    Open();
    EXPECT_FALSE(link.m_commErrorShown);
    radio.Fail();
    EXPECT_LT(Transport::Exchange(link, "000c", reply, 3000), 0);
    EXPECT_EQ(host.Count(kCommFailed), 1);
}

TEST_F(TransportTest, RefusalFoundByTheReplyCheckFailsTheExchange) {
    Open();
    radio.Reply("000102");
    const Transport::ReplyCheck check = [](const std::string& r) {
        return r == "000100" ? std::string() : "refused: " + r;
    };
    std::string reply = "kept";
    const std::int32_t before = Transport::LogSequence();
    EXPECT_EQ(Transport::Exchange(link, "00010402aa", reply, 3000, check), E_RADIO_REFUSED);
    EXPECT_EQ(reply, "kept");
    EXPECT_EQ(Transport::LogSequence() - before, 2) << "the reply came and is logged";
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"refused: 000102"});
    EXPECT_NE(link.m_radio, nullptr) << "the radio answered: the link stays";
    EXPECT_EQ(link.m_failureCount, 1);
    EXPECT_TRUE(link.m_lastFailureRefused);

    // The refusal was a chain of its own: the next one is said again, and so is a failure of
    // the link after it (once).
    radio.Reply("000102");
    EXPECT_EQ(Transport::Exchange(link, "00010402aa", reply, 3000, check), E_RADIO_REFUSED);
    radio.Reply("000100");
    EXPECT_EQ(Transport::Exchange(link, "00010402aa", reply, 3000, check), S_OK);
    EXPECT_EQ(reply, "000100");
    radio.Fail();
    EXPECT_LT(Transport::Exchange(link, "000c", reply, 3000), 0);
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_FALSE(link.m_lastFailureRefused);
    EXPECT_EQ(host.Texts(),
              (std::vector<std::string>{"refused: 000102", "refused: 000102", kCommFailed}));
}

TEST_F(TransportTest, ExitTestModeFailsSilentlyButStillDrops) {
    Open();
    radio.Fail();
    std::string reply;
    EXPECT_LT(Transport::Exchange(link, "000D", reply, -1), 0);
    EXPECT_EQ(radio.m_frames.back(), "0002000d");
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_FALSE(link.m_componentOpen);
}

TEST_F(TransportTest, OverLongOrMalformedRequestIsNeverSent) {
    Open();
    std::string reply;
    const std::string tooLong(2 * 999, '0');  // 999 payload bytes + 2 length bytes > 1000
    EXPECT_EQ(Transport::Exchange(link, tooLong, reply, 3000), E_FAIL);
    EXPECT_TRUE(radio.m_requests.empty());
    EXPECT_EQ(host.Count(kCommFailed), 1);

    Open();
    EXPECT_EQ(Transport::Exchange(link, "00d", reply, 3000), E_FAIL);
    EXPECT_TRUE(radio.m_requests.empty());
    EXPECT_EQ(host.Count("Invalid Message format"), 1);

    Open();
    const std::string longest(2 * 998, 'a');  // exactly fills the 1000-byte frame
    EXPECT_EQ(Transport::Exchange(link, longest, reply, 3000), S_OK);
    EXPECT_EQ(radio.m_requests.size(), 1u);
}

TEST_F(TransportTest, LogRecordsAreNumberedAcrossExchanges) {
    CreateLog();
    Open();
    std::string reply;
    ASSERT_EQ(Transport::Exchange(link, "000c", reply, 3000), S_OK);
    ASSERT_EQ(Transport::Exchange(link, "0012", reply, 3000), S_OK);
    EXPECT_EQ(ReadLog(),
              "\r\n00001 (B) 000001000ms 00 0c\r\n00002 (R) 000000000ms 00 0c 00"
              "\r\n00003 (B) 000001000ms 00 12\r\n00004 (R) 000000000ms 00 12 00");
    EXPECT_EQ(link.m_logPath, LogPath());
    EXPECT_EQ(Transport::LogSequence(), 5);
}

TEST_F(TransportTest, FailedExchangeTakesOneNumberAndWritesNothing) {
    CreateLog();
    Open();
    std::string reply;
    ASSERT_EQ(Transport::Exchange(link, "000c", reply, 3000), S_OK);
    radio.Fail();
    ASSERT_LT(Transport::Exchange(link, "000c", reply, 3000), 0);
    Open();
    ASSERT_EQ(Transport::Exchange(link, "000c", reply, 3000), S_OK);
    EXPECT_EQ(ReadLog(),
              "\r\n00001 (B) 000001000ms 00 0c\r\n00002 (R) 000000000ms 00 0c 00"
              "\r\n00004 (B) 000001000ms 00 0c\r\n00005 (R) 000000000ms 00 0c 00");
}

TEST_F(TransportTest, NoLogFileMeansNothingIsWritten) {
    Open();
    std::string reply;
    EXPECT_EQ(Transport::Exchange(link, "000c", reply, 3000), S_OK);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(Transport::LogSequence(), 3);  // numbers are taken all the same
}

TEST_F(TransportTest, LogPathWithoutAnExecutableFolder) {
    host.m_exeFolder.clear();
    EXPECT_FALSE(link.LogFileExists());
    EXPECT_EQ(link.m_logPath, "/TunerLog.txt");
}

TEST_F(TransportTest, VerifyRadioRunsTheModelCheck) {
    Open();
    radio.Reply("001200aabb");
    std::string seen;
    EXPECT_EQ(Transport::VerifyRadio(link,
                                     [&](const std::string& payload) {
                                         seen = payload;
                                         return true;
                                     }),
              S_OK);
    EXPECT_EQ(radio.m_requests.back(), "0012");
    EXPECT_EQ(radio.m_timeouts.back(), 3000);
    EXPECT_EQ(seen, "001200aabb");
    EXPECT_NE(link.m_radio, nullptr);
}

TEST_F(TransportTest, UnsupportedModelLeavesNoComponent) {
    Open();
    EXPECT_EQ(Transport::VerifyRadio(link, [](const std::string&) { return false; }), E_FAIL);
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_FALSE(link.m_componentOpen);
    EXPECT_FALSE(radio.Alive());

    // The document's destructor then does nothing to the link.
    const int closes = radio.m_closes;
    Transport::Disconnect(link);
    EXPECT_EQ(radio.m_closes, closes);
    EXPECT_TRUE(host.m_sleeps.empty());
}

TEST_F(TransportTest, VerifyRadioPassesOnAnExchangeFailure) {
    Open();
    radio.Fail(E_RADIO_BADFRAME);
    bool checked = false;
    EXPECT_EQ(Transport::VerifyRadio(link,
                                     [&](const std::string&) {
                                         checked = true;
                                         return true;
                                     }),
              E_RADIO_BADFRAME);
    EXPECT_FALSE(checked);
    EXPECT_EQ(link.m_radio, nullptr);
}

TEST_F(TransportTest, DisconnectClosesAndWaitsOnlyWhenOpen) {
    Open();
    Transport::Disconnect(link);
    EXPECT_EQ(radio.m_closes, 1);
    EXPECT_FALSE(radio.Alive());
    EXPECT_EQ(host.m_sleeps, std::vector<std::uint32_t>{2000});
    EXPECT_EQ(host.m_waitDepth, 0);
    EXPECT_EQ(host.m_waitCursorShown, 1);

    ASSERT_EQ(Transport::Connect(link), S_OK);  // created, never marked open
    Transport::Disconnect(link);
    EXPECT_EQ(radio.m_closes, 1);
    EXPECT_FALSE(radio.Alive());
    EXPECT_EQ(host.m_sleeps.size(), 1u);
}

}  // namespace
