#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSetBenchFixture.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "autotune/RadioAlignment.h"
#include "autotune/ResidentProgram.h"
#include "autotune/ResidentProgramText.h"
#include "bench/TestSetProgramCopy.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

namespace {

using Start = BenchOptions::TestSetStart;

/// What the test set records of an item: its text without CR or LF.
std::string Recorded(std::string item) {
    while (!item.empty() && (item.back() == '\r' || item.back() == '\n')) item.pop_back();
    return item;
}

TEST_F(TestSetBenchTest, DownloadAndStartArriveLineForLineAndTheProgramRuns) {
    StartBench(Start::Empty);
    host.Answer(MsgResult::Ignore);  // nothing stored: load it
    ASSERT_TRUE(ResidentProgram::EnsureResidentProgram(*link));
    EXPECT_EQ(host.m_messages.size(), 1u);

    std::vector<std::string> expected;
    for (std::size_t i = 0; i < 4; ++i)
        expected.push_back(Recorded(ResidentProgramText::StartWireCommand(i)));
    for (const std::string& item : ResidentProgramText::LoaderWire())
        expected.push_back(Recorded(item));
    for (const std::string& line : ResidentProgramText::ProgramWire())
        expected.push_back(Recorded(line));
    for (std::size_t i = 0; i < 4; ++i)
        expected.push_back(Recorded(ResidentProgramText::StartWireCommand(i)));
    const std::vector<std::string> lines = TakeLines();
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;

    // The bench's own transcription accepts what was stored, so GET loaded it.
    EXPECT_EQ(TestSetProgramCopy::CompareProgram(m_bench->TestSet().File()), "");
    EXPECT_EQ(m_bench->TestSet().CurrentMode(), CSimTestSet::Mode::Resident);
    EXPECT_TRUE(link->IsResidentRunning());
}

TEST_F(TestSetBenchTest, AStoredProgramStartsWithoutADownload) {
    StartBench(Start::Stored);
    EXPECT_FALSE(link->IsResidentRunning());
    EXPECT_TRUE(ResidentProgram::EnsureResidentProgram(*link));
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"SCRATCH ALL", "MASS STORAGE IS \":MEMORY,0\"",
                                                     "GET \"Quorvin\"", "run"}));
    link->StopResidentProgram();
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"1"}) << diagnostics;
    EXPECT_EQ(m_bench->TestSet().CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_FALSE(link->IsResidentRunning());
}

TEST_F(TestSetBenchTest, FrequencyAndMeasurementsOfTheKeyedRadio) {
    StartBench(Start::Running);
    KeyRadio();
    link->SetAnalyzerFrequency(MessageFields::FreqToMHz(170202500));
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"2", "851012499"}));
    EXPECT_DOUBLE_EQ(m_bench->TestSet().AnalyzerFrequencyHz(), 851012499.0);

    const RfOutput o = m_bench->Radio().Transmitter();
    const TestSetReading manual = link->RequestMeasurement(true);
    ASSERT_EQ(manual.status, ReplyStatus::Complete);
    EXPECT_NEAR(std::atof(manual.field1.c_str()), o.carrierHz - 851012499.0, 1e-3);
    EXPECT_NEAR(std::atof(manual.field2.c_str()), o.powerW, 1e-6);
    const TestSetReading automatic = link->RequestMeasurement(false);
    ASSERT_EQ(automatic.status, ReplyStatus::Complete);
    EXPECT_NEAR(std::atof(automatic.field1.c_str()), std::round(o.carrierHz), 1.0);
    EXPECT_NEAR(std::atof(automatic.field3.c_str()), o.deviationHz, 1e-3);
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_GE(link->Stats().bytesReceived, 5u + 59u + 59u);  // CTS, then "C" and 58 bytes twice
}

TEST_F(TestSetBenchTest, AMeasurementWithoutAReplyIsAskedForAgainAtTheNextPoll) {
    BenchFaults f;
    f.testSetNoReply = 1;
    StartBench(Start::Running, f);
    KeyRadio();
    const TestSetReading r = link->RequestMeasurement(false);
    EXPECT_EQ(r.status, ReplyStatus::Complete);
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"3", "3"}));
}

TEST_F(TestSetBenchTest, ATestSetThatNeverRepliesEndsTheWait) {
    BenchFaults f;
    f.testSetNoReply = -1;
    StartBench(Start::Running, f);
    link->SetReplyWaitMs(1500);
    const TestSetReading r = link->RequestMeasurement(false);
    EXPECT_EQ(r.status, ReplyStatus::NoAnswer);
    EXPECT_FALSE(link->HasPortHandle());
    EXPECT_GE(TakeLines().size(), 2u);
}

TEST_F(TestSetBenchTest, FaultyRepliesAndAMissingCts) {
    BenchFaults f;
    f.testSetShortReplies = true;
    StartBench(Start::Running, f);
    TestSetReading r = link->RequestMeasurement(false);
    EXPECT_EQ(r.status, ReplyStatus::Short);
    EXPECT_EQ(r.field3, "");
    EXPECT_EQ(host.Count(CTestSetLink::kReadingIncorrect), 1);

    f = {};
    f.testSetShortField1 = true;
    m_bench->SetFaults(f);
    r = link->RequestMeasurement(false);
    EXPECT_EQ(r.status, ReplyStatus::Short);
    EXPECT_EQ(r.field2, "");
    EXPECT_EQ(host.Count(CTestSetLink::kReadingIncorrect), 2);

    f = {};
    f.testSetNoCts = true;
    m_bench->SetFaults(f);
    TakeLines();
    link->SetAnalyzerFrequency(851.025);
    EXPECT_EQ(TakeLines(), std::vector<std::string>{"2"});  // no digits without CTS
}

TEST_F(TestSetBenchTest, AMissingDeviceIsNamedAndNothingHangs) {
    StartBench(Start::Running);
    portText = "/tmp/no-such-test-set";
    EXPECT_FALSE(link->IsResidentRunning());
    EXPECT_NE(diagnostics.find("CreateFile failed with error 2.\n"), std::string::npos);
    EXPECT_NE(link->LastOpenError().find("/tmp/no-such-test-set: No such file or directory"),
              std::string::npos);
    EXPECT_EQ(link->RequestMeasurement(false).status, ReplyStatus::NoAnswer);
}

TEST_F(TestSetBenchTest, ATestSetHoldingXoffStopsTheDownloadAtItsFirstItemWithinTheBound) {
    BenchFaults f;
    f.testSetXoff = true;
    StartBench(Start::Stored, f);
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    EXPECT_FALSE(ResidentProgram::DownloadResidentProgram(*link, {}, &why));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(10));  // one write's bound (2 s), not an hour
    EXPECT_EQ(why.rfind("The download stopped at item 1 of 287 (\"SCRATCH ALL\"), which did "
                        "not go out whole. Only 0 of 12 bytes went out on the test-set port "
                        "COM2",
                        0),
              0u)
        << why;
    EXPECT_FALSE(link->HasPortHandle());  // the close did not wait for the held bytes
    EXPECT_EQ(link->Stats().writes, 1u);
    EXPECT_TRUE(TakeLines().empty());

    // XON: the line works again, and nothing held earlier comes late.
    m_bench->SetFaults({});
    EXPECT_TRUE(ResidentProgram::StartResidentProgram(*link, {}, &why)) << why << diagnostics;
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"SCRATCH ALL", "MASS STORAGE IS \":MEMORY,0\"",
                                                     "GET \"Quorvin\"", "run"}));
    EXPECT_TRUE(link->IsResidentRunning());
}

/// A whole-radio alignment of the detuned radio at the lines' real speeds, with the program's
/// poll right after each reply (as the real program polls) or one poll interval later.
class WholeRadioOverBench : public TestSetBenchTest, public ::testing::WithParamInterface<int> {};

TEST_P(WholeRadioOverBench, ThePollAfterAReplyNeitherRestartsTheProgramNorRepeatsAMeasurement) {
    paced = true;
    StartBench(Start::Running, {}, 2000, "detuned", GetParam());
    CFrameState frame;
    frame.SetPort(m_bench->RadioDevice());
    CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    ASSERT_EQ(ReadDevice(doc), S_OK);
    CHeadlessAlignmentFace face(doc, host);
    CRadioAlignment alignment(*link, face, {});
    const CAlignmentReport report = alignment.Run();
    EXPECT_TRUE(report.Passed()) << [&] {
        std::string all;
        for (const auto& l : report.PrintLines()) all += l + "\n";
        return all;
    }();
    EXPECT_GE(report.rows.size(), 10u);

    const std::vector<std::string> lines = TakeLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SCRATCH ALL"), 0)
        << "the running program was never restarted";
    const CSimTestSet& set = m_bench->TestSet();
    const TestSetWireStats stats = link->Stats();
    EXPECT_EQ(stats.codesResent, 0u);
    EXPECT_EQ(static_cast<std::uint64_t>(set.CodesTaken(3) + set.CodesTaken(4)),
              stats.measurementRequests);
    EXPECT_EQ(static_cast<std::uint64_t>(set.MeasurementsMade()), stats.measurementRequests);
    EXPECT_EQ(host.Count(CTestSetLink::kReadingIncorrect), 0);
}

INSTANTIATE_TEST_SUITE_P(PollGap, WholeRadioOverBench, ::testing::Values(0, 75),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0
                                        ? std::string("PollAtOnce")
                                        : "PollAfter" + std::to_string(info.param) + "Ms";
                         });

}  // namespace
