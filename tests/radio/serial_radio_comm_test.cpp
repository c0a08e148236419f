#include "radio/SerialRadioComm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "radio/Transport.h"
#include "support/PtyRadio.h"
#include "support/RecordingHost.h"

namespace {

using Bytes = CPtyRadio::Bytes;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

/// A serial component opened on the slave side of a pty with a responder on the master.
class SerialRadioCommTest : public ::testing::Test {
protected:
    SerialRadioCommTest() : comm(CPortMap()) {}

    void OpenDevice() {
        ASSERT_EQ(comm.Open(RADIOCOMM_MODE_DEVICE, 0, pty.SlavePath().c_str()), S_OK);
        EXPECT_EQ(comm.DevicePath(), pty.SlavePath());
    }

    /// One transaction of the frame of "000c"; the reply lands in reply/replyLen.
    HRESULT Transact(std::int32_t timeoutMs, std::int32_t capacity = 1000) {
        reply.assign(1000, 0xEE);
        replyLen = capacity;
        return comm.Transact(request, sizeof request, timeoutMs, reply.data(), &replyLen);
    }

    CRecordingHost host;
    CPtyRadio pty;
    CSerialRadioComm comm;
    const std::uint8_t request[4] = {0x00, 0x02, 0x00, 0x0C};
    Bytes reply;
    std::int32_t replyLen = 0;
};

TEST(SerialRadioCommStatic, MaskDecodingAndChecksum) {
    struct Case {
        std::uint32_t mask;
        int com;
    } cases[] = {{0x1007, 1},         {0x2007, 2},           {0x4007, 3}, {0x80007, 8},
                 {(9u << 20) | 7, 9}, {(12u << 20) | 7, 12}, {0x7, 0},    {0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSerialRadioComm::ComNumberFromMask(c.mask), c.com) << std::hex << c.mask;
    }
    const std::uint8_t frame[] = {0x00, 0x02, 0x00, 0x0D};
    EXPECT_EQ(CSerialRadioComm::Checksum(frame, 4), 0xF1);
    EXPECT_EQ(CSerialRadioComm::Checksum(frame, 0), 0x00);
}

TEST_F(SerialRadioCommTest, WellFormedReplyIsReturnedWhole) {
    OpenDevice();
    pty.SetHandler([](const Bytes&) { return CPtyRadio::Wire({0x00, 0x03, 0x00, 0x0C, 0x00}); });
    ASSERT_EQ(Transact(3000), S_OK);
    EXPECT_EQ(replyLen, 5);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 5), (Bytes{0x00, 0x03, 0x00, 0x0C, 0x00}));

    const auto requests = pty.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], (Bytes{0x00, 0x02, 0x00, 0x0C}));
    EXPECT_EQ(pty.BadBytes(), 0);

    const RadioWireStats stats = comm.WireStats();
    EXPECT_EQ(stats.transactions, 1u);
    EXPECT_EQ(stats.bytesSent, 6u);      // sync, 4 frame bytes, checksum
    EXPECT_EQ(stats.bytesReceived, 7u);  // sync, 5 frame bytes, checksum
}

TEST_F(SerialRadioCommTest, RepeatedExchangesAndAStaleByteFlushed) {
    OpenDevice();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Transact(3000), S_OK) << i;
        EXPECT_EQ(replyLen, 5);
    }
    pty.Inject({0xA5, 0x00});  // left over from an abandoned reply
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(Transact(3000), S_OK);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 5), (Bytes{0x00, 0x03, 0x00, 0x0C, 0x00}));
}

TEST_F(SerialRadioCommTest, MalformedRepliesAreRejectedWhole) {
    const Bytes good = CPtyRadio::Wire({0x00, 0x03, 0x00, 0x0C, 0x00});
    Bytes badChecksum = good;
    badChecksum.back() ^= 0x01;
    Bytes truncated(good.begin(), good.begin() + 4);
    Bytes oversized = {0xA5, 0x03, 0xE6};  // 998 payload bytes announced
    oversized.resize(oversized.size() + 999, 0x00);
    Bytes badSync = good;
    badSync[0] = 0x5A;

    struct Case {
        const char* what;
        Bytes answer;
        std::int32_t capacity;
        HRESULT expected;
    } cases[] = {
        {"checksum", badChecksum, 1000, E_RADIO_BADFRAME},
        {"truncated", truncated, 1000, E_RADIO_BADFRAME},
        {"oversized length", oversized, 1000, E_RADIO_BADFRAME},
        {"bad sync", badSync, 1000, E_RADIO_BADFRAME},
        {"garbage", {0x13, 0x37}, 1000, E_RADIO_BADFRAME},
        {"longer than capacity", good, 4, E_RADIO_BADFRAME},
    };
    OpenDevice();
    for (const auto& c : cases) {
        pty.SetHandler([&c](const Bytes&) { return c.answer; });
        const auto start = Clock::now();
        EXPECT_EQ(Transact(2000, c.capacity), c.expected) << c.what;
        EXPECT_LT(MsSince(start), 1500) << c.what;
        EXPECT_EQ(replyLen, 0) << c.what;
        EXPECT_EQ(reply[0], 0xEE) << c.what;  // nothing written into the reply
    }
    // The component recovers: the next good reply is taken.
    pty.SetHandler(nullptr);
    EXPECT_EQ(Transact(2000), S_OK);
    EXPECT_EQ(replyLen, 5);
}

TEST_F(SerialRadioCommTest, SilenceTimesOut) {
    OpenDevice();
    pty.SetHandler([](const Bytes&) { return Bytes{}; });
    auto start = Clock::now();
    EXPECT_EQ(Transact(200), E_RADIO_TIMEOUT);
    long long ms = MsSince(start);
    EXPECT_GE(ms, 190);
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(replyLen, 0);

    start = Clock::now();  // -1: the short bounded wait of the close path
    EXPECT_EQ(Transact(-1), E_RADIO_TIMEOUT);
    ms = MsSince(start);
    EXPECT_GE(ms, CSerialRadioComm::kShortTimeoutMs - 10);
    EXPECT_LT(ms, CSerialRadioComm::kShortTimeoutMs + 1000);
}

// The other end goes away (adapter unplugged, bench stopped): the exchange fails at once
// with the reason, instead of spinning on the hung-up line until its time-out.
TEST_F(SerialRadioCommTest, HangUpFailsTheExchangeAtOnceWithItsReason) {
    OpenDevice();
    pty.SetHandler([this](const Bytes&) {
        pty.HangUp();
        return Bytes{};
    });
    EXPECT_EQ(Transact(30000), E_RADIO_HANGUP);
    EXPECT_EQ(replyLen, 0);
    EXPECT_EQ(comm.FailureReason(),
              "The radio port " + pty.SlavePath() +
                  " hung up: the other end of the line is gone (the cable or adapter was "
                  "unplugged, or the line was closed).");
    // Sending on the hung-up line fails the same way.
    EXPECT_EQ(Transact(30000), E_RADIO_HANGUP);
    EXPECT_NE(comm.FailureReason().find("hung up"), std::string::npos);
}

TEST_F(SerialRadioCommTest, ReplyToAnotherRequestIsSkipped) {
    OpenDevice();
    // A late answer of an earlier run (another opcode) comes just before the real one.
    pty.SetHandler([](const Bytes& frame) {
        Bytes both = CPtyRadio::Wire({0x00, 0x03, 0x00, 0x12, 0x00});
        const Bytes own = CPtyRadio::EchoReply(frame);
        both.insert(both.end(), own.begin(), own.end());
        return both;
    });
    ASSERT_EQ(Transact(3000), S_OK);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + replyLen),
              (Bytes{0x00, 0x03, 0x00, 0x0C, 0x00}));
    EXPECT_EQ(comm.StaleRepliesSkipped(), 1);
}

// A reply that comes after its exchange timed out is never taken for the next request, not
// even by the next component on that port (the transport drops a component that failed).
TEST_F(SerialRadioCommTest, LateReplyOfATimedOutExchangeIsNotTheNextReply) {
    OpenDevice();
    pty.SetHandler([](const Bytes& frame) {
        if (frame[3] == 0x0C)
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return CPtyRadio::EchoReply(frame);
    });
    EXPECT_EQ(Transact(150), E_RADIO_TIMEOUT);
    comm.Close();

    CSerialRadioComm next{CPortMap()};
    ASSERT_EQ(next.Open(RADIOCOMM_MODE_DEVICE, 0, pty.SlavePath().c_str()), S_OK);
    const std::uint8_t modelQuery[4] = {0x00, 0x02, 0x00, 0x12};
    std::int32_t len = 1000;
    reply.assign(1000, 0);
    ASSERT_EQ(next.Transact(modelQuery, 4, 3000, reply.data(), &len), S_OK);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + len), (Bytes{0x00, 0x03, 0x00, 0x12, 0x00}));
    // The late bytes were drained before the request went out (or skipped, had they come later).
    EXPECT_GE(next.WireStats().bytesReceived, 14u);
}

TEST_F(SerialRadioCommTest, SlowReplyWithinTheInterByteGapIsAccepted) {
    OpenDevice();
    pty.SetByteTime(std::chrono::milliseconds(20));
    ASSERT_EQ(Transact(3000), S_OK);
    EXPECT_EQ(replyLen, 5);
}

TEST_F(SerialRadioCommTest, MalformedRequestAndClosedPortFailWithoutSending) {
    OpenDevice();
    std::uint8_t lying[4] = {0x00, 0x05, 0x00, 0x0C};  // length field does not match
    std::int32_t len = 1000;
    reply.assign(1000, 0);
    EXPECT_LT(comm.Transact(lying, 4, 500, reply.data(), &len), 0);
    EXPECT_EQ(len, 0);
    comm.Close();
    EXPECT_EQ(Transact(500), E_RADIO_PORT);
    EXPECT_TRUE(pty.Requests().empty());
}

TEST_F(SerialRadioCommTest, ComPortsResolveThroughThePortMap) {
    CPortMap map;
    map.SetDeviceLister([] { return std::vector<std::string>{}; });
    map.SetMapping(3, pty.SlavePath());
    map.SetMapping(12, pty.SlavePath());
    CSerialRadioComm mapped(map);
    ASSERT_EQ(mapped.Open(RADIOCOMM_MODE_SERIAL, 0x4007, nullptr), S_OK);
    EXPECT_EQ(mapped.DevicePath(), pty.SlavePath());
    std::int32_t len = 1000;
    std::uint8_t buf[1000];
    EXPECT_EQ(mapped.Transact(request, 4, 3000, buf, &len), S_OK);
    ASSERT_EQ(mapped.Open(RADIOCOMM_MODE_SERIAL, (12u << 20) | 7, nullptr), S_OK);
    EXPECT_EQ(mapped.Open(RADIOCOMM_MODE_DEVICE, 0, "COM12"), S_OK);
    EXPECT_EQ(mapped.FailureReason(), "");

    ASSERT_EQ(mapped.Open(RADIOCOMM_MODE_SERIAL, 0x2007, nullptr), E_RADIO_PORT);
    const std::string text = mapped.FailureReason();
    EXPECT_NE(text.find("no serial device for the radio port COM2"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Ports\""), std::string::npos) << text;
    EXPECT_NE(text.find("COM2=/dev/"), std::string::npos) << text;
}

TEST_F(SerialRadioCommTest, TransportExchangesOverThePtyOnCom12) {
    CPortMap map;
    map.SetMapping(12, pty.SlavePath());
    std::string port = "COM12";
    CRadioLink link(host, MakeSerialRadioCommFactory(host, map), [&] { return port; });
    ASSERT_EQ(Transport::Connect(link), S_OK);
    link.m_componentOpen = true;
    std::string replyText;
    EXPECT_EQ(Transport::Exchange(link, "000c", replyText, 3000), S_OK);
    EXPECT_EQ(replyText, "000c00");
    pty.SetHandler([](const Bytes&) { return Bytes{}; });
    EXPECT_EQ(Transport::Exchange(link, "000d", replyText, -1), E_RADIO_TIMEOUT);
    EXPECT_EQ(link.m_radio, nullptr);
    EXPECT_TRUE(host.m_messages.empty());
}

TEST(SerialRadioCommOpen, MissingDeviceNamesThePortAndTheReason) {
    CSerialRadioComm comm{CPortMap()};
    EXPECT_EQ(comm.Open(RADIOCOMM_MODE_DEVICE, 0, "/dev/vegal-no-such-port"), E_RADIO_PORT);
    EXPECT_EQ(comm.FailureReason(),
              "Cannot open the radio port /dev/vegal-no-such-port: No such file or directory.");

    CPortMap map;
    map.SetMapping(3, "/dev/vegal-no-such-port");
    CSerialRadioComm com3(map);
    EXPECT_EQ(com3.Open(RADIOCOMM_MODE_SERIAL, 0x4007, nullptr), E_RADIO_PORT);
    EXPECT_EQ(com3.FailureReason(),
              "Cannot open the radio port COM3 (/dev/vegal-no-such-port): No such file or "
              "directory.");
}

TEST(SerialRadioCommOpen, AFileThatIsNoTerminalIsRefused) {
    char path[] = "/tmp/vegal-not-a-tty-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    CSerialRadioComm comm{CPortMap()};
    EXPECT_EQ(comm.Open(RADIOCOMM_MODE_DEVICE, 0, path), E_RADIO_PORT);
    EXPECT_NE(comm.FailureReason().find(std::string("Cannot use the radio port ") + path),
              std::string::npos)
        << comm.FailureReason();
    ::unlink(path);
}

TEST(SerialRadioCommOpen, PermissionDeniedPointsToTheDialoutGroup) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens any device";
    char path[] = "/tmp/vegal-locked-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ::chmod(path, 0);
    CSerialRadioComm comm{CPortMap()};
    EXPECT_EQ(comm.Open(RADIOCOMM_MODE_DEVICE, 0, path), E_RADIO_PORT);
    const std::string text = comm.FailureReason();
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    EXPECT_NE(text.find("Your user needs to be in the dialout group: sudo usermod -aG dialout "
                        "$USER, then log in again."),
              std::string::npos)
        << text;
    ::unlink(path);
}

}  // namespace
