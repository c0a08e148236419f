#include "autotune/ResidentProgram.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "FakeTestSetPort.h"
#include "autotune/ResidentProgramText.h"
#include "autotune/TestSetLink.h"
#include "support/RecordingHost.h"

namespace {

using namespace ResidentProgramText;

const std::vector<std::string> kStartWire = {"SCRATCH ALL\r", "MASS STORAGE IS \":MEMORY,0\"\r",
                                             "GET \"Quorvin\"\r", "run\r"};
const std::vector<std::uint32_t> kStartSleeps = {500, 500, 500, 2000, 500};

TEST(ResidentProgramText, TheTextsAreWhatTheInstrumentExpects) {
    ASSERT_EQ(LoaderWire().size(), 46u);
    ASSERT_EQ(ProgramWire().size(), 241u);
    EXPECT_EQ(LoaderWireItem(0), "SCRATCH ALL\r");
    EXPECT_EQ(LoaderWireItem(10),
              "     OUTPUT 800;\"CONF:SPORT:BAUD '19200'; PAR 'NONE';DATA '8 Bits'\"\r");
    EXPECT_EQ(LoaderWireItem(43), "\x1b");
    EXPECT_EQ(LoaderWireItem(44), "\x1b");
    EXPECT_EQ(LoaderWireItem(45), "run\r");
    EXPECT_EQ(ProgramWireLine(0), "10   ! Quorvin Rev D.03.00\n");
    EXPECT_EQ(ProgramWireLine(11), "120   OUTPUT 814;\"*RST;\"\n");
    EXPECT_EQ(ProgramWireLine(68), "690             SUBEXIT \n");
    EXPECT_EQ(ProgramWireLine(117), "1180   OUTPUT 814;\"RFAN:FREQ \"&Inputstr$\n");
    EXPECT_EQ(ProgramWireLine(240), "2410   SUBEND\n");
    for (std::size_t i : {1u, 2u, 3u})
        EXPECT_EQ(ProgramWireLine(i).substr(0, 6), std::to_string(10 * (i + 1)) + "   !");
    for (const auto& texts : {LoaderWire(), ProgramWire()}) {
        for (const std::string& t : texts) EXPECT_EQ(t.find('\t'), std::string::npos) << t;
    }
    for (std::size_t i = 0; i < kStartCommandCount; ++i)
        EXPECT_EQ(StartWireCommand(i), kStartWire[i]);
}

class ResidentProgramTest : public ::testing::Test {
protected:
    ResidentProgramTest() : state(std::make_shared<CFakeTestSetPort::State>()) {
        CPortMap map;
        map.SetDeviceLister([] { return std::vector<std::string>{"/dev/fake1", "/dev/fake2"}; });
        link = std::make_unique<CTestSetLink>(
            host, map, [] { return "2"; }, std::make_unique<CFakeTestSetPort>(state));
        link->SetDiagnostics([](const std::string&) {});
        // The program runs once "run" follows a GET of a stored file.
        state->instrument = [this](const std::string& w) {
            if (w == "GET \"Quorvin\"\r")
                loaded = stored;
            if (w == "run\r" && loaded)
                state->idle = "X\r\n";
            if (w == ProgramWireLine(240))
                stored = storable;
            return std::string();
        };
    }
    ResidentProgram::Progress Recording() {
        ResidentProgram::Progress p;
        p.report = [this](const std::string& s, int done, int total) {
            reports.push_back(s + " " + std::to_string(done) + "/" + std::to_string(total));
        };
        return p;
    }

    CRecordingHost host;
    std::shared_ptr<CFakeTestSetPort::State> state;
    std::unique_ptr<CTestSetLink> link;
    bool stored = false, loaded = false, storable = true;
    std::vector<std::string> reports;
};

TEST_F(ResidentProgramTest, ARunningProgramIsUsedAtOnce) {
    state->idle = "X\r\n";
    EXPECT_TRUE(ResidentProgram::EnsureResidentProgram(*link));
    EXPECT_TRUE(state->writes.empty());
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(ResidentProgramTest, AStoredProgramIsStartedWithTheFourCommands) {
    stored = true;
    EXPECT_TRUE(ResidentProgram::EnsureResidentProgram(*link, Recording()));
    EXPECT_EQ(state->writes, kStartWire);
    EXPECT_EQ(host.m_sleeps, kStartSleeps);
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_FALSE(link->HasPortHandle());
    EXPECT_EQ(reports.back(), std::string(ResidentProgram::kStarting) + " 4/4");
}

TEST_F(ResidentProgramTest, DownloadSendsEveryItemWithItsDelay) {
    EXPECT_TRUE(ResidentProgram::DownloadResidentProgram(*link, Recording()));
    std::vector<std::string> expected = LoaderWire();
    const std::vector<std::string> program = ProgramWire();
    expected.insert(expected.end(), program.begin(), program.end());
    EXPECT_EQ(state->writes, expected);

    std::vector<std::uint32_t> sleeps(46, 500);
    sleeps.push_back(1000);
    sleeps.insert(sleeps.end(), 241, 20);
    sleeps.push_back(4000);
    EXPECT_EQ(host.m_sleeps, sleeps);
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), 0u), 32820u);  // about 33 s
    ASSERT_EQ(reports.size(), 1u + 287u + 1u);
    EXPECT_EQ(reports.front(), "Downloading, Please Wait 0/287");
    EXPECT_EQ(reports[100], "Downloading, Please Wait 100/287");
    EXPECT_EQ(reports.back(), "Initialized 287/287");
    EXPECT_FALSE(link->HasPortHandle());
}

TEST_F(ResidentProgramTest, RetryStartsAgainIgnoreDownloadsFirstAbortGivesUp) {
    storable = false;  // whatever is sent, the program never answers
    host.Answer(MsgResult::Retry);
    host.Answer(MsgResult::Ignore);
    host.Answer(MsgResult::Abort);
    EXPECT_FALSE(ResidentProgram::EnsureResidentProgram(*link));

    ASSERT_EQ(host.m_messages.size(), 3u);
    for (const auto& m : host.m_messages) {
        EXPECT_EQ(m.text, ResidentProgram::kUnableToStart);
        EXPECT_EQ(m.buttons, MsgButtons::AbortRetryIgnore);
    }
    std::vector<std::string> expected = kStartWire;                         // first start
    expected.insert(expected.end(), kStartWire.begin(), kStartWire.end());  // Retry
    const std::vector<std::string> loader = LoaderWire(), program = ProgramWire();
    expected.insert(expected.end(), loader.begin(), loader.end());  // Ignore: download,
    expected.insert(expected.end(), program.begin(), program.end());
    expected.insert(expected.end(), kStartWire.begin(), kStartWire.end());  // then start
    EXPECT_EQ(state->writes, expected);
    EXPECT_EQ(host.m_sleeps.back(), 1000u);  // Abort waits a second
}

TEST_F(ResidentProgramTest, IgnoreRecoversAnEmptyTestSet) {
    host.Answer(MsgResult::Ignore);
    EXPECT_TRUE(ResidentProgram::EnsureResidentProgram(*link));
    EXPECT_EQ(host.m_messages.size(), 1u);
    EXPECT_EQ(state->writes.size(), 4u + 287u + 4u);
}

TEST_F(ResidentProgramTest, APortThatCannotBeOpenedIsNamedInsteadOfStartingAnything) {
    state->openResult = ITestSetPort::kOpenFailed;
    state->openError = 13;  // EACCES
    EXPECT_FALSE(ResidentProgram::EnsureResidentProgram(*link));
    ASSERT_EQ(host.m_messages.size(), 1u);
    EXPECT_EQ(host.m_messages[0].text.rfind("Cannot open the test-set port COM2 (/dev/fake2)", 0),
              0u)
        << host.m_messages[0].text;
    EXPECT_TRUE(state->writes.empty());
}

TEST_F(ResidentProgramTest, AnItemThatDoesNotGoOutWholeStopsTheDownloadAndTheStartAndSaysWhich) {
    // The test set holds the line with XOFF from the ninth loader item on.
    state->instrument = [this](const std::string&) {
        state->writeCap = state->writes.size() == 8 ? 3 : state->writeCap;
        return std::string();
    };
    std::string why;
    EXPECT_FALSE(ResidentProgram::DownloadResidentProgram(*link, {}, &why));
    EXPECT_EQ(state->writes.size(), 9u);
    EXPECT_EQ(why,
              "The download stopped at item 9 of 287 (\"CLEAR 9\"), which did not go out whole. "
              "Only 3 of 8 bytes went out on the test-set port COM2: the HP8920B holds the line "
              "with XOFF, or the port does not send.")
        << why;
    EXPECT_FALSE(link->HasPortHandle());

    state->writes.clear();
    EXPECT_FALSE(ResidentProgram::StartResidentProgram(*link, {}, &why));
    EXPECT_EQ(state->writes.size(), 1u);
    EXPECT_EQ(why.rfind("The start stopped at item 1 of 4 (\"SCRATCH ALL\"), which did not go out "
                        "whole. Only 3 of 12 bytes",
                        0),
              0u)
        << why;

    // The check before a tuning says why the program could not be started, then asks.
    host.Answer(MsgResult::Abort);
    EXPECT_FALSE(ResidentProgram::EnsureResidentProgram(*link));
    ASSERT_EQ(host.m_messages.size(), 2u);
    EXPECT_EQ(host.m_messages[0].text.rfind("The start stopped at item 1 of 4", 0), 0u);
    EXPECT_EQ(host.m_messages[1].text, ResidentProgram::kUnableToStart);
}

TEST_F(ResidentProgramTest, ACancelledDownloadSendsNothingMore) {
    int sent = 0;
    ResidentProgram::Progress p;
    p.report = [&](const std::string&, int done, int) { sent = done; };
    p.cancelled = [&] { return sent >= 10; };
    EXPECT_FALSE(ResidentProgram::DownloadResidentProgram(*link, p));
    EXPECT_EQ(state->writes.size(), 10u);
    EXPECT_FALSE(link->HasPortHandle());
    EXPECT_FALSE(ResidentProgram::EnsureResidentProgram(*link, p));
}

}  // namespace
