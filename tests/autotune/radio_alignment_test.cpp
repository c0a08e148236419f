// The whole-radio alignment on the bench: its radio over one pty (read, then each feature on
// the headless tuning view through the alignment commands) and its HP8920B over the other,
// in simulated time and without measurement noise.

#include "autotune/RadioAlignment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchIdeal.h"
#include "TestSetBenchFixture.h"
#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

namespace {

class RadioAlignmentTest : public TestSetBenchTest {
protected:
    void Start(const std::string& profile, const BenchFaults& faults = {}) {
        StartBench(BenchOptions::TestSetStart::Running, faults, 2000, profile);
        frame.SetPort(m_bench->RadioDevice());
        doc = std::make_unique<CTunerDoc>(host, frame,
                                          MakeSerialRadioCommFactory(host, CPortMap(), 9600));
        ASSERT_EQ(ReadDevice(*doc), S_OK);
        m_bench->ClearTrace();
        face = std::make_unique<CHeadlessAlignmentFace>(*doc, host);
        face->SetProgress([this](const std::string& text, int done, int total) {
            progress.push_back(text);
            if (onProgress)
                onProgress(done, total);
        });
    }
    /// The standard radio with a deviation balance whose ideal point lies out of its 0-63 range.
    void StartOutOfRange() {
        char path[] = "/tmp/vegal-profile-XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
        std::ofstream(path) << "base = standard\ndevBalanceIdeal = 90\n";
        Start(path);
        std::remove(path);
    }
    void TearDown() override {
        face.reset();
        doc.reset();
        TestSetBenchTest::TearDown();
    }

    /// Runs the alignment; without the as-found and as-left tests unless tests is set (the
    /// tests of the alignment's own workings look at its requests and rows alone).
    CAlignmentReport Run(AlignmentOptions options = {}) {
        if (!tests)
            options.alignOnly = true;
        alignment = std::make_unique<CRadioAlignment>(*link, *face, options);
        return alignment->Run();
    }

    /// Every keying is undone before the next feature starts or is programmed.
    static void ExpectDekeyedBetweenFeatures(const std::vector<std::string>& requests) {
        bool keyed = false;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const std::string& q = requests[i];
            if (q == "000401") {
                keyed = true;
            } else if (q == "000501") {
                keyed = false;
            } else if (q == "000c" || q.rfind("000104", 0) == 0 || q == "000d") {
                EXPECT_FALSE(keyed) << "request " << i << " " << q << " while keyed";
            }
        }
        EXPECT_FALSE(keyed);
    }

    CFrameState frame;
    std::unique_ptr<CTunerDoc> doc;
    std::unique_ptr<CHeadlessAlignmentFace> face;
    std::unique_ptr<CRadioAlignment> alignment;
    std::vector<std::string> progress;
    std::function<void(int, int)> onProgress;
    bool tests = false;
};

class DetunedProfiles : public RadioAlignmentTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(DetunedProfiles, EveryRowPassesAndIsProgrammedWithinOneStepOfTheIdeal) {
    Start(GetParam());
    const CRadioProfile& p = m_bench->Radio().Profile();
    tests = true;
    const CAlignmentReport report = Run();

    ASSERT_TRUE(report.Passed()) << [&] {
        std::string all;
        for (const auto& l : report.PrintLines()) all += l + "\n";
        return all;
    }();
    EXPECT_EQ(report.serialNumber, p.serialNumber);
    EXPECT_FALSE(m_bench->Radio().Keyed());
    ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());

    // In run order, every row of every transmit feature the radio has.
    const char* order[] = {"Reference Oscillator", "Tx Power High",        "Tx Power Mid",
                           "Tx Power Low",         "Tx Deviation Balance", "Tx Deviation Limit"};
    const int* types = kBenchFeatureTypes;
    const int* powerCodes = kBenchPowerCodes;
    const CAlignmentLimits limits;
    std::size_t at = 0;
    bool anyAligned[6] = {};
    for (int f = 0; f < 6; ++f) {
        const std::vector<int> programmed = m_bench->Radio().Programmed(types[f], powerCodes[f]);
        const int rows = p.Count(types[f]);
        ASSERT_GE(programmed.size(), static_cast<std::size_t>(rows));
        const double ideal = BenchIdeal(p, f, limits.For(f).target);
        for (int r = 0; r < rows; ++r, ++at) {
            ASSERT_LT(at, report.rows.size());
            const CAlignmentReport::Row& row = report.rows[at];
            EXPECT_EQ(row.feature, order[f]);
            EXPECT_EQ(row.row, r + 1);
            EXPECT_EQ(static_cast<std::uint32_t>(row.freq), p.Frequencies(types[f])[r]);
            EXPECT_EQ(row.newValue, programmed[r]) << order[f] << " row " << r + 1;
            EXPECT_TRUE(row.found.measured);
            // Only the rows found out of tolerance are aligned; the others keep their value.
            EXPECT_EQ(row.aligned, !row.found.pass) << order[f] << " row " << r + 1;
            if (row.aligned) {
                EXPECT_NE(row.oldValue, row.newValue) << order[f] << " row " << r + 1;
                EXPECT_LE(std::fabs(programmed[r] - ideal), 1.0) << order[f] << " row " << r + 1;
                anyAligned[f] = true;
            } else {
                EXPECT_EQ(row.oldValue, row.newValue) << order[f] << " row " << r + 1;
            }
            // The result is the as-left test's.
            EXPECT_TRUE(row.left.measured);
            EXPECT_LE(std::fabs(row.left.reading - row.target), row.tolerance);
        }
        EXPECT_EQ(report.features[f].programmed, anyAligned[f]) << order[f];
    }
    EXPECT_EQ(at, report.rows.size());
    // The data set holds the programmed values, as after Program All on each screen.
    int freqs[10], values[10];
    doc->GetSavedValues(0, 0, freqs, values);
    EXPECT_EQ(values[0], report.rows[0].newValue);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), "Testing the radio as found");
    EXPECT_EQ(progress[1].rfind(anyAligned[0] ? "Reference Oscillator: row 1 of 1 (1 of "
                                              : "Tx Power High: row 1 of ",
                                0),
              0u)
        << progress[1];
    EXPECT_TRUE(report.verified);
    EXPECT_TRUE(report.leftTested);
}

INSTANTIATE_TEST_SUITE_P(Bench, DetunedProfiles, ::testing::Values("standard", "detuned"));

// All rows aligns the rows found within their limits too; a radio then found within its
// limits everywhere is left untouched: no screen, no live value of a row, nothing programmed,
// and the as-found readings stand as the as-left ones.
TEST_F(RadioAlignmentTest, AllRowsAlignsEveryRowAndARadioWithinLimitsIsLeftUntouched) {
    Start("standard");
    tests = true;
    AlignmentOptions all;
    all.allRows = true;
    all.features = {true, false, false, false, false, true};
    const CAlignmentReport first = Run(all);
    ASSERT_TRUE(first.Passed()) << first.LogText();
    for (const CAlignmentReport::Row& row : first.rows) {
        EXPECT_TRUE(row.found.pass) << row.feature << " row " << row.row << " (standard)";
        EXPECT_TRUE(row.aligned) << row.feature << " row " << row.row;
    }
    EXPECT_TRUE(first.leftTested);

    m_bench->ClearTrace();
    progress.clear();
    AlignmentOptions same;
    same.features = all.features;
    const CAlignmentReport again = Run(same);
    ASSERT_TRUE(again.Passed()) << again.LogText();
    EXPECT_TRUE(again.verified);
    EXPECT_FALSE(again.leftTested);
    for (const CAlignmentReport::Row& row : again.rows) {
        EXPECT_FALSE(row.aligned) << row.feature << " row " << row.row;
        EXPECT_EQ(row.oldValue, row.newValue);
        EXPECT_EQ(&again.LeftOf(row), &row.found);
    }
    for (const CAlignmentReport::Feature& f : again.features)
        EXPECT_FALSE(f.programmed) << f.feature;
    for (const std::string& q : m_bench->RadioRequests())
        EXPECT_TRUE((q.rfind("000102", 0) != 0 || q == "000102057fff") && q.rfind("000104", 0) != 0)
            << q;
    ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());
    EXPECT_NE(again.LogText().find("Nothing needed aligning"), std::string::npos);
}

TEST_F(RadioAlignmentTest, AnIdealOutOfRangeFailsOnlyItsFeatureWhichIsNotProgrammed) {
    StartOutOfRange();
    const CAlignmentReport report = Run();
    EXPECT_FALSE(report.Passed());
    EXPECT_FALSE(report.stopped);
    for (const CAlignmentReport::Row& row : report.rows) {
        if (row.feature == "Tx Deviation Balance") {
            EXPECT_FALSE(row.pass);
            EXPECT_EQ(row.newValue, 63);
            EXPECT_EQ(row.reason.rfind("the reading is outside the tolerance; the target is out "
                                       "of reach: the end of the range (value 63) gives ",
                                       0),
                      0u)
                << row.reason;
        } else {
            EXPECT_TRUE(row.pass) << row.feature << " " << row.row << ": " << row.reason;
        }
    }
    for (const auto& f : report.features) {
        EXPECT_EQ(f.programmed, f.feature != "Tx Deviation Balance") << f.feature;
    }
    EXPECT_EQ(m_bench->Radio().Programmed(2), std::vector<int>(3, 24));
    EXPECT_EQ(report.PrintLines().back(), "Overall result: FAIL");
}

TEST_F(RadioAlignmentTest, ProgramFailedProgramsTheFailedFeatureAndNoProgramNothing) {
    StartOutOfRange();
    AlignmentOptions only;
    only.features = {false, false, false, false, true, false};
    only.programFailed = true;
    CAlignmentReport report = Run(only);
    ASSERT_EQ(report.features.size(), 1u);
    EXPECT_TRUE(report.features[0].programmed);
    EXPECT_EQ(report.features[0].note, "programmed with failed rows");
    EXPECT_EQ(m_bench->Radio().Programmed(2), std::vector<int>(3, 63));

    m_bench->ClearTrace();
    AlignmentOptions none;
    none.features = {false, true, false, false, false, false};
    none.program = false;
    report = Run(none);
    EXPECT_TRUE(report.Passed());
    EXPECT_FALSE(report.features[0].programmed);
    for (const std::string& q : m_bench->RadioRequests())
        EXPECT_NE(q.rfind("000104", 0), 0u) << "nothing is programmed";
    EXPECT_EQ(m_bench->Radio().Programmed(1, 0x00), std::vector<int>(3, 90));
}

TEST_F(RadioAlignmentTest, StopEndsTheRunAtTheNextPassWithTheTransmitterOff) {
    Start("standard");
    // Stop while the second Tx Power High row is tuned.
    onProgress = [this](int done, int) {
        if (done == 2)
            host.onSleep = [this](std::uint32_t ms) {
                alignment->Stop();
                m_bench->SettleTestSet(ms, link->Stats().bytesSent);
            };
    };
    const CAlignmentReport report = Run();
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.stopReason, CRadioAlignment::kStopped);
    EXPECT_FALSE(m_bench->Radio().Keyed());
    ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());
    ASSERT_GE(report.rows.size(), 3u);
    EXPECT_TRUE(report.rows[0].pass);
    EXPECT_FALSE(report.rows[2].pass);
    EXPECT_EQ(report.rows[2].reason, CRadioAlignment::kStopped);
    EXPECT_EQ(report.rows.back().reason, std::string("not tuned: ") + CRadioAlignment::kStopped);
    EXPECT_TRUE(report.features[0].programmed);
    for (std::size_t f = 1; f < report.features.size(); ++f)
        EXPECT_FALSE(report.features[f].programmed) << report.features[f].feature;
    // Nothing was started after the stop: Reference Oscillator and Tx Power High only.
    const auto requests = m_bench->RadioRequests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "000c"), 2);
}

TEST_F(RadioAlignmentTest, ATestSetThatStopsAnsweringEndsTheRunDekeyedWithAMessage) {
    // From the third row on: measurements get no reply (the program still polls), or the test
    // set sends nothing at all (its program no longer answers the check before the row).
    BenchFaults noReply;
    noReply.testSetNoReply = -1;
    BenchFaults silent;
    silent.testSetSilent = true;
    const struct {
        BenchFaults faults;
        const char* reason;
        const char* message;
    } cases[] = {
        {noReply, CRadioAlignment::kNoAnswer, CAutoTuneTasks::kNoAnswer},
        {silent, CRadioAlignment::kNoProgram, "Unable to start the HP8920B resident program."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        TearDown();
        host.m_messages.clear();
        Start("standard");
        link->SetReplyWaitMs(1000);
        onProgress = [this, &c](int done, int) {
            if (done == 2)
                m_bench->SetFaults(c.faults);
        };
        const CAlignmentReport report = Run();
        EXPECT_TRUE(report.stopped);
        EXPECT_EQ(report.stopReason, c.reason);
        ASSERT_FALSE(host.m_messages.empty());
        EXPECT_EQ(host.m_messages.back().text.rfind(c.message, 0), 0u)
            << host.m_messages.back().text;
        EXPECT_FALSE(m_bench->Radio().Keyed());
        ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());
        EXPECT_EQ(report.rows[2].reason, c.reason);
        EXPECT_TRUE(report.features[0].programmed);
        EXPECT_FALSE(report.features[1].programmed);
        EXPECT_EQ(report.features[1].note, std::string("not programmed: ") + c.reason);
    }
}

TEST_F(RadioAlignmentTest, FeatureListAndLimitsChooseWhatIsTunedAndToWhat) {
    Start("standard");
    AlignmentOptions options;
    std::string error;
    ASSERT_TRUE(CRadioAlignment::ParseFeatureList("PowerLow", options.features, error)) << error;
    ASSERT_TRUE(options.limits.Parse("powerLowTarget = 1.0\npowerLowTolerance = 0.05\n", error));
    const CAlignmentReport report = Run(options);
    ASSERT_TRUE(report.Passed());
    ASSERT_EQ(report.rows.size(), 3u);
    for (const auto& row : report.rows) {
        EXPECT_EQ(row.feature, "Tx Power Low");
        EXPECT_EQ(row.target, 1.0);
        EXPECT_NEAR(row.reading, 1.0, 0.05);
    }

    std::array<bool, 6> f{};
    EXPECT_TRUE(CRadioAlignment::ParseFeatureList("refOsc, power", f, error));
    EXPECT_EQ(f, (std::array<bool, 6>{true, true, true, true, false, false}));
    EXPECT_FALSE(CRadioAlignment::ParseFeatureList("refOsc,filter", f, error));
    EXPECT_EQ(error,
              "unknown feature \"filter\" (refOsc, powerHigh, powerMid, powerLow, power, "
              "devBalance, devLimit)");
    EXPECT_FALSE(CRadioAlignment::ParseFeatureList(" , ", f, error));
}

// A test set or a radio that gives nothing to judge by: every row concerned fails with its
// reason, none reads PASS, and even with failed features programmed their values stay the
// radio's own.
TEST_F(RadioAlignmentTest, RowsWithoutAValidReadingFailAndKeepTheRadiosValues) {
    BenchFaults shortField2;
    shortField2.testSetShortReplies = true;
    BenchFaults shortField1;
    shortField1.testSetShortField1 = true;
    BenchFaults noCts;
    noCts.testSetNoCts = true;
    BenchFaults noKey;
    noKey.refuseRequest = "000401";
    const struct {
        const char* what;
        BenchFaults faults;
        std::array<bool, 6> features;
        const char* reason;  ///< the start of every row's reason
    } cases[] = {
        {"a reply cut short in its second value",
         shortField2,
         {true, true, false, false, false, true},
         "the HP8920B reading was incorrect"},
        {"a reply cut short in its first value",
         shortField1,
         {false, false, true, false, true, false},
         "the HP8920B reading was incorrect"},
        {"no CTS to the frequency code",
         noCts,
         {true, false, false, false, false, false},
         CAutoTuneTasks::kNoCts},
        {"a radio that refuses to key",
         noKey,
         {true, false, false, true, false, false},
         "the radio refused to transmit (reply status 02)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        Start("detuned", c.faults);
        AlignmentOptions options;
        options.features = c.features;
        options.programFailed = true;
        const CAlignmentReport report = Run(options);
        EXPECT_FALSE(report.Passed());
        EXPECT_FALSE(report.stopped) << report.stopReason;
        ASSERT_FALSE(report.rows.empty());
        for (const CAlignmentReport::Row& row : report.rows) {
            EXPECT_FALSE(row.pass) << row.feature << " " << row.row;
            EXPECT_FALSE(row.measured);
            EXPECT_EQ(row.reason.rfind(c.reason, 0), 0u) << row.reason;
            EXPECT_EQ(row.newValue, row.oldValue) << "nothing measured the row's value";
        }
        for (int f = 0; f < 6; ++f) {
            if (!c.features[f])
                continue;
            const std::vector<int> programmed =
                m_bench->Radio().Programmed(kBenchFeatureTypes[f], kBenchPowerCodes[f]);
            for (const auto& row : report.rows)
                if (row.feature == AutoTuneFeatures::ByIndex(f)->title)
                    EXPECT_EQ(programmed[row.row - 1], row.oldValue);
        }
        EXPECT_FALSE(m_bench->Radio().Keyed());
        if (c.faults.refuseRequest.empty())
            ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());
    }
}

// The test alone on the same faults: a row without a valid reading fails with the reason
// and the test goes on; nothing is ever programmed or set but the opened deviation limit.
TEST_F(RadioAlignmentTest, ATestFailsRowsWithoutAValidReadingAndChangesNothing) {
    BenchFaults shortField2;
    shortField2.testSetShortReplies = true;
    BenchFaults noCts;
    noCts.testSetNoCts = true;
    BenchFaults noKey;
    noKey.refuseRequest = "000401";
    const struct {
        const char* what;
        BenchFaults faults;
        std::array<bool, 6> features;
        const char* reason;
    } cases[] = {
        {"a reply cut short",
         shortField2,
         {true, true, false, false, true, true},
         "the HP8920B reading was incorrect"},
        {"no CTS to the frequency code",
         noCts,
         {true, false, false, false, false, false},
         CAutoTuneTasks::kNoCts},
        {"a radio that refuses to key",
         noKey,
         {true, false, false, true, true, false},
         "the radio refused to transmit (reply status 02)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        Start("detuned", c.faults);
        tests = true;
        AlignmentOptions options;
        options.features = c.features;
        options.testOnly = true;
        const CAlignmentReport report = Run(options);
        EXPECT_EQ(report.kind, CAlignmentReport::Kind::Test);
        EXPECT_FALSE(report.Passed());
        EXPECT_FALSE(report.stopped) << report.stopReason;
        ASSERT_FALSE(report.rows.empty());
        for (const CAlignmentReport::Row& row : report.rows) {
            EXPECT_FALSE(row.pass) << row.feature << " " << row.row;
            EXPECT_FALSE(row.found.measured);
            EXPECT_EQ(row.reason.rfind(c.reason, 0), 0u) << row.reason;
        }
        for (const std::string& q : m_bench->RadioRequests())
            EXPECT_TRUE((q.rfind("000102", 0) != 0 || q == "000102057fff") &&
                        q.rfind("000104", 0) != 0)
                << q;
        ExpectDekeyedBetweenFeatures(m_bench->RadioRequests());
    }
}

// The radio says no to one feature's programming: that feature fails with the radio's reason,
// the link stays, the later features are aligned and programmed, and the radio can still be
// taken out of test mode.
TEST_F(RadioAlignmentTest, ARefusedProgrammingFailsOnlyItsFeature) {
    BenchFaults refuse;
    refuse.refuseRequest = "00010402";  // programming Tx Deviation Balance
    Start("standard", refuse);
    const CAlignmentReport report = Run();
    EXPECT_FALSE(report.Passed());
    EXPECT_FALSE(report.stopped) << report.stopReason;
    ASSERT_EQ(report.features.size(), 6u);
    for (const auto& f : report.features) {
        if (f.feature == "Tx Deviation Balance") {
            EXPECT_FALSE(f.programmed);
            EXPECT_EQ(f.note,
                      "not programmed: The radio refused to program Tx Deviation Balance (reply "
                      "status 02)");
        } else {
            EXPECT_TRUE(f.programmed) << f.feature << ": " << f.note;
        }
    }
    for (const auto& row : report.rows) EXPECT_TRUE(row.pass) << row.feature << " " << row.row;
    ASSERT_NE(doc->m_radio, nullptr) << "the link stays";
    m_bench->ClearTrace();
    doc->m_readFromRadio = true;
    doc->DeleteContents();
    const auto requests = m_bench->RadioRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "000d");
    EXPECT_FALSE(m_bench->Radio().InTestMode());
}

}  // namespace
