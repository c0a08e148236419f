// The Automatic Tuning dialog on the main frame and the bench over its ptys: the radio on
// COM1, the simulated HP8920B on COM2. Every wait of the test-set link lets the bench catch
// up instead of passing real time; the jobs run on their own threads as in the application
// while the test serves the user-interface thread.

#include <gtest/gtest.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "../../screens/TunerScreenFixture.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/ResidentProgram.h"
#include "autotune/TestSetLink.h"
#include "autotune/ui/AutoTunerDlg.h"
#include "bench/PtyLine.h"

namespace {

class AutoTunerDlgTest : public TunerScreenTest {
protected:
    /// Opens a tuning screen, then the dialog with Ctrl+Shift+A (the resident program runs).
    void OpenWith(int command, const std::string& profile = "standard") {
        Open(command, profile);
        m_bench->TestSet().StoreResidentProgram(true, CPtyLine::NowMs());
        OpenDialog();
    }
    void OpenDialog() {
        QTest::keyClick(m_frame.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        Flush();
        dlg = CAutoTunerDlg::Current();
        ASSERT_NE(dlg, nullptr);
        CTestSetLink* link = &dlg->Link();
        link->SetDiagnostics([](const std::string&) {});
        m_host.onSleep = [this, link](std::uint32_t ms) {
            m_bench->SettleTestSet(ms, link->Stats().bytesSent);
        };
        m_bench->ClearTrace();
    }
    void TearDown() override {
        m_host.onSleep = nullptr;
        TunerScreenTest::TearDown();
    }
    /// Serves the user-interface thread until the dialog's job has ended (or a minute).
    void WaitForJob() {
        QElapsedTimer t;
        t.start();
        while (dlg && dlg->Busy() && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(!dlg || !dlg->Busy()) << "the job did not end";
        if (dlg)
            dlg->Tasks().Join();  // its thread has posted its end
        Flush();
    }
    /// Serves the user-interface thread until cond holds (or ten seconds).
    template <typename Cond>
    bool ServeUntil(Cond cond) {
        QElapsedTimer t;
        t.start();
        while (!cond() && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        return cond();
    }
    /// Detunes every shown row to a value, through the screen as a user would.
    void Detune(int value) {
        for (int i = 0; i < screen->RowCount(); ++i) screen->ApplySliderPosition(i, value);
        screen->SelectRowBySlider(0);
        Flush();
        m_bench->ClearTrace();
    }
    std::vector<std::string> Codes() const {
        std::vector<std::string> c;
        for (const std::string& l : m_bench->TestSetLines()) {
            if (l == "3" || l == "4")
                c.push_back(l);
        }
        return c;
    }

    QPointer<CAutoTunerDlg> dlg;
};

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
    QTest::mouseClick(dlg->RadioButton(), Qt::LeftButton);  // no action
    Flush();
    EXPECT_FALSE(dlg->Busy());
    EXPECT_TRUE(m_bench->TestSetLines().empty());
}

TEST_F(AutoTunerDlgTest, WindowTunesEveryRowThroughTheScreenAndProgramAllStoresIt) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    EXPECT_TRUE(ServeUntil([&] { return dlg->WindowButton()->text() == "Stop Tuning"; }));
    WaitForJob();

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
    EXPECT_EQ(dlg->StatusEdit()->text(), "");
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
    EXPECT_EQ(dlg->StatusEdit()->text(), "");
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
