// The Automatic Tuning dialog's Slider and Window buttons on the main frame and the bench
// over its ptys.

#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "AutoTunerDlgFixture.h"
#include "autotune/AutoTuneFeatures.h"
#include "autotune/ResidentProgram.h"

namespace {

TEST_F(AutoTunerDlgTest, CtrlShiftAOpensTheDialogWithItsFieldsWhenTheHelpFileIsThere) {
    Open(Cmd::kTxPowerHigh);
    {
        AutotuneHelpFolder without(false);
        QTest::keyClick(m_frame.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        Flush();
        EXPECT_EQ(CAutoTunerDlg::Current(), nullptr);
    }
    AutotuneHelpFolder folder;
    OpenDialog();
    EXPECT_EQ(dlg->windowTitle().toStdString(), "Automatic Tuning Interface");
    EXPECT_EQ(m_frame->OpenScreenTitle(), "Automatic Tuning Interface");
    EXPECT_EQ(dlg->TargetHighEdit()->text(), "2.5");
    EXPECT_EQ(dlg->TargetMidEdit()->text(), "1.5");
    EXPECT_EQ(dlg->TargetLowEdit()->text(), ".5");
    EXPECT_EQ(dlg->ComPortEdit()->text(), "2");
    EXPECT_EQ(dlg->StatusEdit()->text(), "");
    EXPECT_TRUE(dlg->StatusEdit()->isReadOnly());
    EXPECT_EQ(dlg->SliderButton()->text(), "Slider");
    EXPECT_EQ(dlg->RadioButton()->text(), "Radio");
    EXPECT_EQ(dlg->WindowButton()->text(), "Window");
    EXPECT_EQ(dlg->ProgramFailedCheck()->text(), "Program failed features");
    EXPECT_FALSE(dlg->ProgramFailedCheck()->isChecked()) << "failed features stay unprogrammed";

    // One dialog drives the screens: the command again brings the open one forward.
    m_frame->activateWindow();
    QTest::keyClick(m_frame.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    Flush();
    EXPECT_EQ(CAutoTunerDlg::Current(), dlg.data());
    EXPECT_EQ(std::count_if(m_frame->m_screens.begin(), m_frame->m_screens.end(),
                            [](const QPointer<QWidget>& w) {
                                return w && w->windowTitle() == CAutoTunerDlg::kTitle;
                            }),
              1);
}

TEST_F(AutoTunerDlgTest, WindowTunesEveryRowThroughTheScreenAndProgramAllStoresIt) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    RecordStatuses();
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    EXPECT_TRUE(ServeUntil([&] { return dlg->WindowButton()->text() == "Stop Tuning"; }));
    WaitForJob();
    // The Window state all through: each row's outcome between rows, never the Slider state.
    EXPECT_EQ(std::count(shownStatuses.begin(), shownStatuses.end(), CAutoTuneTasks::kTuningSlider),
              0)
        << ::testing::PrintToString(shownStatuses);
    EXPECT_GE(std::count(shownStatuses.begin(), shownStatuses.end(), CAutoTuneTasks::kTuningScreen),
              1);
    for (const char* row : {"Row 1: ", "Row 2: ", "Row 3: "})
        EXPECT_TRUE(std::any_of(shownStatuses.begin(), shownStatuses.end(),
                                [row](const std::string& t) { return t.rfind(row, 0) == 0; }))
            << row;

    const auto results = dlg->Tasks().RowResults();
    ASSERT_EQ(static_cast<int>(results.size()), screen->RowCount());
    int measurements = 0;
    for (const auto& [row, r] : results) {
        EXPECT_EQ(r.end, SearchEnd::Converged) << row;
        EXPECT_NEAR(r.reading, 2.5, 0.05) << row;
        EXPECT_EQ(screen->SliderPosition(row), r.position) << row;
        EXPECT_EQ(screen->m_nNewValue[row], r.position) << row;
        measurements += r.passes + 1;
    }
    EXPECT_EQ(static_cast<int>(Codes().size()), measurements);
    EXPECT_EQ(dlg->WindowButton()->text(), "Window");
    EXPECT_EQ(dlg->SliderButton()->text(), "Slider");
    EXPECT_EQ(dlg->StatusEdit()->text(), "Window: 3 of 3 rows within tolerance");
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_FALSE(m_bench->Radio().Keyed());

    // The screen sent each row as a user's drag would: the row's frequency (row 1 was
    // selected already), keying, live values, the last one the row's final value, then
    // dekeying.
    const std::vector<std::string> sent = Requests();
    const char* freqs[] = {BenchFreq::k851, BenchFreq::k860, BenchFreq::k869};
    std::size_t at = 0;
    for (int row = 0; row < screen->RowCount(); ++row) {
        auto tune = sent.begin() + static_cast<long>(at);
        if (row > 0) {
            tune = std::find_if(tune, sent.end(), [&](const std::string& q) {
                return q.rfind(std::string("000b") + freqs[row], 0) == 0;
            });
        }
        ASSERT_NE(tune, sent.end()) << row;
        const auto key = std::find(tune, sent.end(), "000401");
        const auto dekey = std::find(key, sent.end(), "000501");
        ASSERT_NE(dekey, sent.end()) << row;
        std::string last;
        for (auto q = key; q != dekey; ++q) {
            if (q->rfind("00010201", 0) == 0)
                last = *q;
        }
        char expected[16];
        std::snprintf(expected, sizeof expected, "00010201%02x", screen->SliderPosition(row));
        EXPECT_EQ(last, expected) << row;
        at = static_cast<std::size_t>(dekey - sent.begin());
    }

    // Program All on the screen's bar stores the tuned values.
    QTest::mouseClick(screen->Bar()->ProgramAllButton(), Qt::LeftButton);
    Flush();
    const std::vector<int> programmed = m_bench->Radio().Programmed(1, 0x00);
    for (int row = 0; row < screen->RowCount(); ++row)
        EXPECT_EQ(programmed[row], screen->SliderPosition(row)) << row;
}

TEST_F(AutoTunerDlgTest, SliderTunesTheSelectedRowOnly) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(127);
    screen->SelectRowBySlider(1);
    Flush();
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    EXPECT_TRUE(ServeUntil([&] {
        return dlg->SliderButton()->text() == "Stop Tuning" &&
               dlg->StatusEdit()->text() == "Tuning Slider, Please Wait";
    }));
    WaitForJob();
    const auto results = dlg->Tasks().RowResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].first, 1);
    EXPECT_EQ(screen->SliderPosition(0), 127);
    EXPECT_EQ(screen->SliderPosition(2), 127);
    EXPECT_LT(screen->SliderPosition(1), 127);
    EXPECT_EQ(dlg->SliderButton()->text(), "Slider");
    // The row's outcome stays on the monitor after the job's end.
    const std::string status = dlg->StatusEdit()->text().toStdString();
    EXPECT_EQ(status.rfind("Row 2: ", 0), 0u) << status;
    EXPECT_NE(status.find("within tolerance"), std::string::npos) << status;
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

TEST_F(AutoTunerDlgTest, WithTwoColouredRowsSliderTunesTheHigherOne) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    screen->RowSlider(2)->SetColour(kGreen);  // a focused slider paints green
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    WaitForJob();
    const auto results = dlg->Tasks().RowResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].first, 2);
}

TEST_F(AutoTunerDlgTest, StopTuningDuringAWindowRunEndsItDekeyed) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] { return screen->m_nSelectedRow == 2 && screen->m_bTransmitting; }));
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);  // Stop Tuning
    WaitForJob();
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_FALSE(m_bench->Radio().Keyed());
    for (const auto& [row, r] : dlg->Tasks().RowResults()) EXPECT_LT(row, 2);
    EXPECT_EQ(screen->SliderPosition(2), 0);  // never reached
    EXPECT_EQ(dlg->WindowButton()->text(), "Window");
    EXPECT_TRUE(dlg->StatusEdit()->text().startsWith("Stopped"))
        << dlg->StatusEdit()->text().toStdString();
}

TEST_F(AutoTunerDlgTest, ClosingMidRunStopsTheTaskDekeysAndEndsTheResidentProgram) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] { return screen->m_bTransmitting; }));
    QTest::keyClick(dlg, Qt::Key_Escape);
    Flush();
    EXPECT_EQ(CAutoTunerDlg::Current(), nullptr);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_FALSE(m_bench->Radio().Keyed());
    ASSERT_FALSE(m_bench->TestSetLines().empty());
    EXPECT_EQ(m_bench->TestSetLines().back(), "1");  // the resident program was ended last
    EXPECT_EQ(m_bench->TestSet().CurrentMode(), CSimTestSet::Mode::Instrument);
    EXPECT_EQ(m_frame->OpenScreenWidget(), screen);  // the tuning screen has its slot back
}

TEST_F(AutoTunerDlgTest, ClosingTheDataSetMidRunLeavesNothingRunning) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] { return screen->m_bTransmitting; }));
    m_frame->GetActiveDoc()->DeleteContents();
    Flush();
    EXPECT_TRUE(dlg.isNull());
    EXPECT_TRUE(screen.isNull());
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

TEST_F(AutoTunerDlgTest, AnUnansweredMeasurementEndsTheRowDekeyedAndSaysSo) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    BenchFaults f;
    f.testSetNoReply = -1;
    m_bench->SetFaults(f);
    dlg->Link().SetReplyWaitMs(1500);
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    WaitForJob();
    EXPECT_EQ(m_host.Count(CAutoTuneTasks::kNoAnswer), 1);
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString(), CAutoTuneTasks::kNoAnswerStatus);
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

TEST_F(AutoTunerDlgTest, TheDownloadShowsProgressWithoutFreezingTheWindow) {
    AutotuneHelpFolder folder;
    Open(Cmd::kTxPowerHigh);  // the test set holds nothing yet
    OpenDialog();
    m_host.Answer(MsgResult::Ignore);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] {
        return dlg->Progress()->isVisible() && dlg->Progress()->value() > 100 &&
               dlg->StatusEdit()->text() == ResidentProgram::kDownloading;
    }));
    EXPECT_EQ(dlg->Progress()->maximum(), ResidentProgram::kDownloadItems);
    EXPECT_FALSE(dlg->SliderButton()->isEnabled());
    const int before = ticks;
    ASSERT_TRUE(ServeUntil([&] { return ticks > before + 3; }));  // the window is served
    WaitForJob();
    EXPECT_EQ(m_host.Count(ResidentProgram::kUnableToStart), 1);
    EXPECT_EQ(dlg->Tasks().RowResults().size(), 1u);  // then the row was tuned
    EXPECT_FALSE(dlg->Progress()->isVisible());
    EXPECT_TRUE(dlg->SliderButton()->isEnabled());
}

TEST_F(AutoTunerDlgTest, AbortOnTheStartMessageTunesNothing) {
    AutotuneHelpFolder folder;
    Open(Cmd::kTxPowerHigh);
    OpenDialog();
    m_host.Answer(MsgResult::Abort);
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    WaitForJob();
    EXPECT_TRUE(dlg->Tasks().RowResults().empty());
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(dlg->WindowButton()->text(), "Window");
    EXPECT_TRUE(dlg->WindowButton()->isEnabled());
    EXPECT_EQ(dlg->StatusEdit()->text(), "");
    EXPECT_FALSE(dlg->Progress()->isVisible());
}

TEST_F(AutoTunerDlgTest, DeviationBalanceEndsOnTheHighTone) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kDevBalance);
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    WaitForJob();
    CTunerTxDevBalDlgBarDlg* bar = CTunerTxDevBalDlgBarDlg::Current();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsHighChecked());
    EXPECT_FALSE(bar->IsLowChecked());
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(dlg->Tasks().RowResults().size(), 1u);
}

TEST_F(AutoTunerDlgTest, TargetFieldsTakeWattsInTheirStatedRangeOrStartNothing) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    for (QLineEdit* field : {dlg->TargetHighEdit(), dlg->TargetMidEdit(), dlg->TargetLowEdit()})
        EXPECT_NE(field->toolTip().indexOf(AutoTuneFeatures::kTargetWattsRange), -1);
    auto* range = dlg->findChild<QLabel*>("targetRange");
    ASSERT_NE(range, nullptr);
    EXPECT_TRUE(range->isVisible());
    EXPECT_NE(range->text().indexOf(AutoTuneFeatures::kTargetWattsRange), -1);

    const struct {
        const char* text;
        const char* why;
        bool window;
    } bad[] = {
        {"abc", "is not a number of watts", false},
        {"", "is not a number of watts", true},
        {"2.5 W", "is not a number of watts", false},
        {"0", "is out of range", true},
        {"-1", "is out of range", false},
        {"10.5", "is out of range", true},
        {"1e9", "is out of range", false},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.text);
        dlg->TargetHighEdit()->clear();
        QTest::keyClicks(dlg->TargetHighEdit(), c.text);
        m_host.m_messages.clear();
        QTest::mouseClick(c.window ? dlg->WindowButton() : dlg->SliderButton(), Qt::LeftButton);
        Flush();
        EXPECT_FALSE(dlg->Busy());
        ASSERT_EQ(m_host.m_messages.size(), 1u);
        const std::string& message = m_host.m_messages[0].text;
        EXPECT_EQ(message.rfind(std::string("Target High Power: \"") + c.text + "\" " + c.why, 0),
                  0u)
            << message;
        EXPECT_TRUE(m_bench->TestSetLines().empty()) << "the test set was asked";
        EXPECT_TRUE(Requests().empty()) << "the radio was asked";
    }

    // A decimal comma is a point; the field of another power level plays no part here.
    dlg->TargetHighEdit()->clear();
    QTest::keyClicks(dlg->TargetHighEdit(), "2,5");
    dlg->TargetLowEdit()->setText("abc");
    m_host.m_messages.clear();
    Detune(0);
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    WaitForJob();
    EXPECT_TRUE(m_host.m_messages.empty()) << ::testing::PrintToString(m_host.Texts());
    const auto results = dlg->Tasks().RowResults();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_NEAR(results[0].second.reading, 2.5, 0.05);
}

TEST_F(AutoTunerDlgTest, SliderAndWindowJudgeRowsByTheLimitsFileOrStartNothing) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    m_host.m_exeFolder = m_scratch.path().toStdString();
    const std::string limits = m_scratch.filePath(CAutoTunerDlg::kLimitsFile).toStdString();

    std::ofstream(limits) << "powerHighTolerance = 0.25\n";
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    WaitForJob();
    const std::string status = dlg->StatusEdit()->text().toStdString();
    EXPECT_NE(status.find("+/- 0.25 W"), std::string::npos) << status;

    std::ofstream(limits) << "powerHighTolerance = wide\n";
    m_bench->ClearTrace();
    m_host.m_messages.clear();
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    Flush();
    EXPECT_FALSE(dlg->Busy());
    ASSERT_EQ(m_host.m_messages.size(), 1u);
    EXPECT_EQ(m_host.m_messages[0].text.rfind("The alignment limits cannot be used: ", 0), 0u)
        << m_host.m_messages[0].text;
    EXPECT_TRUE(m_bench->TestSetLines().empty());
}

TEST_F(AutoTunerDlgTest, NothingStartsWithoutATuningScreenOrWithABadPort) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    dlg->ComPortEdit()->setText("1234567");
    QTest::mouseClick(dlg->SliderButton(), Qt::LeftButton);
    Flush();
    ASSERT_FALSE(m_host.m_messages.empty());
    EXPECT_NE(m_host.m_messages.back().text.find("at most 6"), std::string::npos);
    EXPECT_FALSE(dlg->Busy());

    dlg->ComPortEdit()->setText("2");
    screen->DestroyScreen();
    Flush();
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    Flush();
    EXPECT_FALSE(dlg->Busy());
    EXPECT_NE(dlg->StatusEdit()->text().indexOf("Open the tuning screen"), -1);
    EXPECT_TRUE(m_bench->TestSetLines().empty());
}

}  // namespace
