#include "autotune/TestSetLink.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeTestSetPort.h"
#include "support/RecordingHost.h"

namespace {

/// A link on a fake port; COMn is /dev/fakeN.
class TestSetLinkTest : public ::testing::Test {
protected:
    TestSetLinkTest() : state(std::make_shared<CFakeTestSetPort::State>()) {
        CPortMap map;
        map.SetDeviceLister([] { return std::vector<std::string>{}; });
        for (int n = 1; n <= 9; ++n) map.SetMapping(n, "/dev/fake" + std::to_string(n));
        link = std::make_unique<CTestSetLink>(
            host, map, [this] { return portText; }, std::make_unique<CFakeTestSetPort>(state));
        link->SetDiagnostics([this](const std::string& t) { diagnostics += t; });
    }

    /// A resident program that polls and answers codes like the real one.
    void RunningProgram(const std::string& f1 = " 1.25000000E+001",
                        const std::string& f2 = " 2.50000000E+000",
                        const std::string& f3 = " 3.00000000E+003") {
        state->idle = "X\r\n";
        state->instrument = [=](const std::string& w) -> std::string {
            if (w == "3\r")
                return MeasurementReply(f1, f2, f3);
            if (w == "4\r")
                return MeasurementReply(f1, f2, f3) + MeasurementReply(f1, f2, f3);
            if (w == "2\r")
                return "CTS\r\n";
            return "";
        };
    }

    CRecordingHost host;
    std::shared_ptr<CFakeTestSetPort::State> state;
    std::string portText = "2";
    std::string diagnostics;
    std::unique_ptr<CTestSetLink> link;
};

TEST_F(TestSetLinkTest, WriteDropsTabsPurgesWaitsAndClosesAndReadsThePortTextEachTime) {
    EXPECT_TRUE(link->SendToTestSet("\tOUTPUT 800;\t\"*RST\"\r", 500));
    EXPECT_EQ(state->writes, std::vector<std::string>{"OUTPUT 800;\"*RST\"\r"});
    EXPECT_EQ(state->purges, 1);
    EXPECT_EQ(host.m_sleeps, std::vector<std::uint32_t>{500});
    EXPECT_FALSE(link->HasPortHandle());
    EXPECT_FALSE(state->open);

    portText = "3";  // a new number takes effect at the next exchange
    link->SendSelection(1);
    EXPECT_EQ(state->opens, (std::vector<std::string>{"/dev/fake2", "/dev/fake3"}));
    EXPECT_EQ(state->writes.back(), "1\r");
    EXPECT_EQ(diagnostics,
              "Serial port COM2 successfully reconfigured.\n"
              "Serial port COM3 successfully reconfigured.\n");
    EXPECT_EQ(link->Stats().bytesSent, 18u + 2u);
}

TEST_F(TestSetLinkTest, NothingWrittenLeavesThePortOpenAndDoesNotWait) {
    state->failWrites = true;
    EXPECT_FALSE(link->SendToTestSet("run\r", 500));
    EXPECT_TRUE(link->HasPortHandle());
    EXPECT_TRUE(state->open);
    EXPECT_TRUE(host.m_sleeps.empty());
    link->CloseTestSetPort();
    EXPECT_FALSE(link->HasPortHandle());
}

TEST_F(TestSetLinkTest, ResidentRunningIsALineBeginningWithThePollOrAReply) {
    const struct {
        std::string idle;
        bool running;
    } cases[] = {
        {"X\r\n", true},
        {"\r\nX", true},  // the end of a poll's line first
        {"\nX", true},
        {"C\r\b\r\n", true},       // a reply under way
        {"E+008\r\nX\r\n", true},  // the end of a reply's value, then the poll
        {"", false},               // silence
        {"Q", false},              // talk, but no program
        {"QX", false},             // an X inside a line is no poll
    };
    for (const auto& c : cases) {
        state->idle = c.idle;
        const std::int64_t before = state->now;
        EXPECT_EQ(link->IsResidentRunning(), c.running) << c.idle;
        EXPECT_LE(state->now - before, CTestSetLink::kReadTotalMs) << c.idle;
        EXPECT_FALSE(state->open);
    }
}

TEST_F(TestSetLinkTest, AProgramStillAtWorkOnACodeIsWaitedForNotTakenForAbsent) {
    // Silent for three seconds, then polling: a program measuring on a slow instrument bus.
    state->idle = "X\r\n";
    state->idleMs = 3000;
    EXPECT_FALSE(link->IsResidentRunning());  // nothing outstanding: one second is enough

    int asked = 0;
    const TestSetReading stopped = link->RequestMeasurement(false, [&] { return ++asked > 2; });
    ASSERT_EQ(stopped.status, ReplyStatus::Stopped);
    EXPECT_TRUE(link->IsResidentRunning());   // its code is still being worked on
    EXPECT_FALSE(link->IsResidentRunning());  // the poll settled it; silence is silence again
}

TEST_F(TestSetLinkTest, FrequencyDigitsFollowOnlyACts) {
    const struct {
        std::string answer;
        bool sent;
    } cases[] = {{"CTS\r\n", true},           {"\r\nCTS", true}, {"XCTS\r", true},
                 {"X\r\nX\r\nCTS\r\n", true},  // polls sent before the program took the code
                 {"X\r\nCT", false},          {"", false},       {"cts\r\n", false}};
    for (const auto& c : cases) {
        state->writes.clear();
        host.m_sleeps.clear();
        state->instrument = [&](const std::string& w) { return w == "2\r" ? c.answer : ""; };
        link->SetAnalyzerFrequency(851.025);
        std::vector<std::string> expected{"2\r"};
        if (c.sent)
            expected.push_back("851025000");
        EXPECT_EQ(state->writes, expected) << c.answer;
        EXPECT_EQ(host.m_sleeps.back(), c.sent ? 2000u : 0u) << c.answer;
        EXPECT_FALSE(link->HasPortHandle());
    }
}

TEST_F(TestSetLinkTest, MeasurementReadsTheThreeFields) {
    RunningProgram();
    const TestSetReading automatic = link->RequestMeasurement(false);
    EXPECT_EQ(automatic.status, ReplyStatus::Complete);
    EXPECT_EQ(automatic.field1, "1.25000000E+001");
    EXPECT_EQ(automatic.field2, " 2.50000000E+000");
    EXPECT_EQ(automatic.field3, " 3.00000000E+003");
    EXPECT_EQ(state->writes, std::vector<std::string>{"3\r"});
    EXPECT_EQ(link->RequestMeasurement(true).status, ReplyStatus::Complete);
    EXPECT_EQ(state->writes.back(), "4\r");
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_FALSE(link->HasPortHandle());
}

TEST_F(TestSetLinkTest, OnlyPollsThatKeepComingAfterTheCodeHaveItSentAgain) {
    RunningProgram();
    const std::string reply = MeasurementReply(" 1", " 2", " 3");
    const struct {
        const char* what;
        std::string first;  ///< what comes after the first code
        std::size_t codes;
    } cases[] = {
        // The poll that followed the last reply crossed the code: the program took it.
        {"a poll right after the code", "X\r\n" + reply, 1},
        {"the end of a poll's line", "\r\nX\r\n" + reply, 1},
        // The program goes on polling: the code was missed.
        {"polls that keep coming", "X\r\n", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        state->writes.clear();
        std::vector<std::int64_t> sentAt;
        state->instrument = [&](const std::string& w) -> std::string {
            if (w != "3\r")
                return "";
            sentAt.push_back(state->now);
            return sentAt.size() == 1 ? c.first : reply;
        };
        const TestSetReading r = link->RequestMeasurement(false);
        EXPECT_EQ(r.status, ReplyStatus::Complete);
        EXPECT_EQ(r.field2, " 2");
        EXPECT_EQ(state->writes, std::vector<std::string>(c.codes, "3\r"));
        if (sentAt.size() == 2)
            EXPECT_GE(sentAt[1] - sentAt[0], CTestSetLink::kResendAfterMs);
    }
    EXPECT_EQ(link->Stats().codesResent, 1u);
    EXPECT_EQ(link->Stats().measurementRequests, 3u);
}

TEST_F(TestSetLinkTest, AReplyIsReadUpToThePollThatFollowsIt) {
    RunningProgram();
    // A manual measurement sends its reply twice; the program then polls again.
    const TestSetReading r = link->RequestMeasurement(true);
    ASSERT_EQ(r.status, ReplyStatus::Complete);
    EXPECT_EQ(link->Stats().bytesReceived, 59u + 59u + 1u);
    EXPECT_LT(state->now, CTestSetLink::kDrainMs);  // up to the poll, not the bound

    // The empty reply after a frequency is read away before the next code goes out.
    state->instrument = [](const std::string& w) -> std::string {
        if (w == "2\r")
            return "CTS\r\n";
        if (w == "851025000")
            return "C\r\b\r\n\r\n\r\n\r\n";
        return w == "3\r" ? MeasurementReply(" 8.51025000E+008", " 2.0", " 3.0E+003") : "";
    };
    ASSERT_TRUE(link->SetAnalyzerFrequency(851.025));
    // Here the empty reply is still on its way: it arrives at the next open.
    const TestSetReading next = link->RequestMeasurement(false);
    EXPECT_EQ(next.status, ReplyStatus::Complete);
    EXPECT_EQ(next.field1, "8.51025000E+008");
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(TestSetLinkTest, AWriteThatDoesNotGoOutWholeIsNotWritten) {
    state->writeCap = 5;  // the test set holds the rest with XOFF
    EXPECT_FALSE(link->SendToTestSet("SCRATCH ALL\r", 500));
    EXPECT_TRUE(host.m_sleeps.empty());
    EXPECT_EQ(link->LastWriteError(),
              "Only 5 of 12 bytes went out on the test-set port COM2: the HP8920B holds the line "
              "with XOFF, or the port does not send.");
    state->writeCap = 1;
    EXPECT_FALSE(link->SendSelection(3));
    EXPECT_EQ(link->RequestMeasurement(false).status, ReplyStatus::NoAnswer);
    EXPECT_EQ(link->Stats().codesSent, 0u);

    state->writeCap = -1;
    EXPECT_TRUE(link->SendToTestSet("SCRATCH ALL\r", 500));
    EXPECT_EQ(link->LastWriteError(), "");
}

TEST_F(TestSetLinkTest, ShortRepliesSkipTheFieldsAfterTheShortOneAndSaySoOnce) {
    const std::string full = MeasurementReply(" 1.0", " 2.0", " 3.0");
    const struct {
        std::string reply;  ///< what follows the "C"
        std::vector<std::size_t> reads;
        std::string f2, f3;
    } cases[] = {
        {full.substr(1, 22 + 10), {22, 18}, " 2.0", ""},  // field 2 short: no field 3
        {full.substr(1, 12), {22}, "", ""},               // field 1 short: nothing more
        {full.substr(1, 22 + 18 + 17), {22, 18, 18}, " 2.0", " 3.0"},
    };
    for (const auto& c : cases) {
        host.m_messages.clear();
        state->idle.clear();
        state->instrument = [&](const std::string& w) {
            return w == "3\r" ? "C" + c.reply : std::string();
        };
        const TestSetReading r = link->RequestMeasurement(false);
        EXPECT_EQ(r.status, ReplyStatus::Short);
        EXPECT_EQ(r.field1, "1.0");
        EXPECT_EQ(r.field2, c.f2);
        EXPECT_EQ(r.field3, c.f3);
        ASSERT_EQ(host.m_messages.size(), 1u);
        EXPECT_EQ(host.m_messages[0].text, CTestSetLink::kReadingIncorrect);
        std::vector<std::size_t> fieldReads;  // the reads of more than the one byte of a wait
        for (std::size_t n : state->reads) {
            if (n > 1)
                fieldReads.push_back(n);
        }
        EXPECT_EQ(fieldReads, c.reads);
        state->reads.clear();
    }
}

TEST_F(TestSetLinkTest, TheWaitForAReplyIsBoundedAndHonoursStop) {
    // Polling for ever but never taking the code (a measurement that fails every time).
    state->idle = "X\r\n";
    link->SetReplyWaitMs(3000);
    const TestSetReading r = link->RequestMeasurement(false);
    EXPECT_EQ(r.status, ReplyStatus::NoAnswer);
    EXPECT_GE(state->now, 3000);
    EXPECT_LT(state->now, 3000 + 1000);
    EXPECT_GT(state->writes.size(), 2u);  // asked again at every poll
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_FALSE(link->HasPortHandle());

    state->idle.clear();  // silent line
    int asked = 0;
    const TestSetReading stopped = link->RequestMeasurement(false, [&] { return ++asked > 3; });
    EXPECT_EQ(stopped.status, ReplyStatus::Stopped);
}

TEST_F(TestSetLinkTest, StopSendsCodeOneAndWaitsHalfASecond) {
    link->StopResidentProgram();
    EXPECT_EQ(state->writes, std::vector<std::string>{"1\r"});
    EXPECT_EQ(host.m_sleeps, std::vector<std::uint32_t>{500});
    EXPECT_FALSE(link->HasPortHandle());
}

TEST_F(TestSetLinkTest, OpenFailuresAreReportedAsTheLinkStates) {
    state->openResult = ITestSetPort::kOpenFailed;
    state->openError = 13;
    EXPECT_EQ(link->OpenTestSetPort(), 1);
    EXPECT_NE(diagnostics.find("CreateFile failed with error 13.\n"), std::string::npos);
    EXPECT_NE(link->LastOpenError().find("COM2 (/dev/fake2)"), std::string::npos);
    EXPECT_NE(link->LastOpenError().find("dialout"), std::string::npos);
    // The invalid handle stays: a write fails, the next close clears it.
    EXPECT_FALSE(link->SendToTestSet("1\r", 500));
    EXPECT_TRUE(link->HasPortHandle());
    EXPECT_EQ(state->opens.size(), 1u);
    EXPECT_EQ(link->ReadFromTestSet(5), "");
    link->CloseTestSetPort();
    EXPECT_FALSE(link->HasPortHandle());
    EXPECT_EQ(link->RequestMeasurement(false).status, ReplyStatus::NoAnswer);  // at once

    diagnostics.clear();
    state->openResult = ITestSetPort::kGetStateFailed;
    state->openError = 5;
    EXPECT_EQ(link->OpenTestSetPort(), 2);
    EXPECT_EQ(diagnostics, "GetCommState failed with error 5.\n");
    EXPECT_TRUE(state->open);

    state->openResult = ITestSetPort::kSetStateFailed;
    EXPECT_EQ(link->OpenTestSetPort(), 3);
    ASSERT_FALSE(host.m_messages.empty());
    EXPECT_EQ(host.m_messages.back().text, "SetCommState failed with error 5.\n");
}

TEST_F(TestSetLinkTest, PortTexts) {
    std::string message;
    EXPECT_TRUE(CTestSetLink::CheckPortText("2", message));
    EXPECT_TRUE(CTestSetLink::CheckPortText("123456", message));
    EXPECT_TRUE(
        CTestSetLink::CheckPortText("/dev/serial/by-id/usb-Test_Set_Adapter-if00", message));
    EXPECT_FALSE(CTestSetLink::CheckPortText("1234567", message));
    EXPECT_NE(message.find("at most 6"), std::string::npos);
    EXPECT_FALSE(CTestSetLink::CheckPortText("", message));
    EXPECT_FALSE(CTestSetLink::CheckPortText("COM2", message));
    EXPECT_EQ(CTestSetLink::DeviceName("2"), "COM2");
    EXPECT_EQ(CTestSetLink::DeviceName("/dev/ttyUSB1"), "/dev/ttyUSB1");

    // A path is opened as it is; a refused or unmapped number opens nothing.
    portText = "/dev/ttyUSB1";
    link->SendSelection(1);
    EXPECT_EQ(state->opens.back(), "/dev/ttyUSB1");
    const std::size_t opens = state->opens.size();
    for (const char* text : {"1234567", "12"}) {
        portText = text;
        EXPECT_EQ(link->OpenTestSetPort(), 1) << text;
        EXPECT_FALSE(link->LastOpenError().empty());
        link->CloseTestSetPort();
    }
    EXPECT_EQ(state->opens.size(), opens);
}

/// What is no serial line is refused before a byte is written, and says what it is; a link
/// to a terminal (as the bench makes them) is a serial line.
TEST(TestSetPortKinds, OnlyATerminalIsASerialLine) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/vegal-port-kinds-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    const std::string file = (dir / "notes.txt").string();
    std::ofstream(file) << "";
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = (dir / "socket").string();
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string ptyLink = (dir / "testset").string();
    ASSERT_EQ(::symlink(::ptsname(master), ptyLink.c_str()), 0);
    const std::string fileLink = (dir / "notes-link").string();
    ASSERT_EQ(::symlink(file.c_str(), fileLink.c_str()), 0);

    const struct {
        std::string path;
        const char* is;  ///< nullptr: a serial line
    } cases[] = {
        {file, "a regular file"},   {fileLink, "a regular file"},
        {dir.string(), "a folder"}, {fifo, "a FIFO (named pipe)"},
        {socketPath, "a socket"},   {"/dev/null", "a character device but no terminal"},
        {ptyLink, nullptr},
    };
    CRecordingHost host;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string text = c.path;
        CTestSetLink link(host, CPortMap(), [&text] { return text; });
        std::string diagnostics;
        link.SetDiagnostics([&](const std::string& t) { diagnostics += t; });
        const bool sent = link.SendToTestSet("SCRATCH ALL\r", 0);
        if (c.is == nullptr) {
            EXPECT_TRUE(sent);
            EXPECT_EQ(link.LastOpenError(), "");
            continue;
        }
        EXPECT_FALSE(sent);
        EXPECT_EQ(link.LastOpenError(),
                  "The test-set port " + c.path + " is " + c.is + ", not a serial line.");
        EXPECT_NE(diagnostics.find("CreateFile failed with error"), std::string::npos);
    }
    EXPECT_EQ(fs::file_size(file), 0u) << "nothing was written into the file";
    ::close(sock);
    ::close(master);
    fs::remove_all(dir);
}

}  // namespace
