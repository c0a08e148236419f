// SIGTERM, SIGHUP and SIGINT close the program as its close box does: a running automatic
// tuning job is stopped with its last calls served, the transmitter is dekeyed, the radio
// leaves test mode, the test set's resident program ends, and a modal dialog that is open
// does not hold the program. The signal is raised in-process while the application's event
// loop runs, as in the program, on the main frame and the bench over its ptys.

#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "app/SignalStop.h"
#include "autotune/ui/AutoTunerDlgFixture.h"

namespace {

class StopSignalTest : public AutoTunerDlgTest {
protected:
    /// Runs the application's event loop until a stop leaves it, then does what the program
    /// does next; returns the exit status.
    int RunUntilStopped() {
        QObject never;
        QTimer::singleShot(30000, &never, [] { QCoreApplication::exit(-1); });  // never hangs
        const int rc = QApplication::exec();
        return m_stop.CloseAfterLoop(*m_frame, rc);
    }
    /// The radio is dekeyed and out of test mode, its data set closed.
    void ExpectRadioLeftSafe() {
        EXPECT_FALSE(m_bench->Radio().Keyed());
        EXPECT_FALSE(m_bench->Radio().InTestMode());
        EXPECT_EQ(m_frame->GetActiveDoc(), nullptr);
        EXPECT_FALSE(m_frame->isVisible());
    }

    CSignalStop m_stop;
};

TEST_F(StopSignalTest, ATerminateMidWindowRunStopsTheJobAndLeavesTheRadioSafe) {
    EnsureApp();
    std::string error;
    ASSERT_TRUE(m_stop.Install(error)) << error;
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    RecordStatuses();
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] { return screen->m_nSelectedRow == 2 && screen->m_bTransmitting; }));
    ASSERT_TRUE(m_bench->Radio().Keyed());

    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    const int status = RunUntilStopped();

    EXPECT_EQ(m_stop.Signal(), SIGTERM);
    EXPECT_EQ(status, 128 + SIGTERM);
    ExpectRadioLeftSafe();
    EXPECT_TRUE(dlg.isNull());
    ASSERT_FALSE(m_bench->TestSetLines().empty());
    EXPECT_EQ(m_bench->TestSetLines().back(), "1");  // the resident program was ended
    // The row's own end reached the monitor: the job's last calls were served, not dropped.
    EXPECT_NE(std::find(shownStatuses.begin(), shownStatuses.end(), "Row 2: stopped"),
              shownStatuses.end())
        << ::testing::PrintToString(shownStatuses);
}

TEST_F(StopSignalTest, AHangUpWhileTheCloseWarningIsOpenEndsItAndCloses) {
    EnsureApp();
    std::string error;
    ASSERT_TRUE(m_stop.Install(error)) << error;
    Open(Cmd::kTxPowerHigh);
    Activate();
    PttBar()->PttToggle();
    screen->ApplySliderPosition(0, screen->SliderPosition(0) - 5);  // a change not programmed
    ASSERT_TRUE(m_bench->Radio().Keyed());
    ASSERT_TRUE(m_bench->Radio().InTestMode());
    int warnings = 0;
    int answer = -2;
    m_dialogs.onExec = [&](QDialog& dialog) {
        ++warnings;
        QTimer::singleShot(0, &dialog, [] { std::raise(SIGHUP); });
        QTimer::singleShot(20000, &dialog, [&dialog] { dialog.done(-1); });  // never hangs
        answer = dialog.exec();
        return answer;
    };
    QTimer::singleShot(0, [this] { QTest::keyClick(screen, Qt::Key_F10); });
    const int status = RunUntilStopped();

    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(answer, QDialog::Rejected) << "the stop ended the warning";
    EXPECT_EQ(status, 128 + SIGHUP);
    ExpectRadioLeftSafe();
    EXPECT_TRUE(screen.isNull() || !screen->isVisible());
}

TEST(SignalStop, AfterTheStopNoDialogIsShownAndTheHandlersGoBack) {
    EnsureApp();
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    {
        CSignalStop stop;
        std::string error;
        ASSERT_TRUE(stop.Install(error)) << error;
        CSignalStop second;
        EXPECT_FALSE(second.Install(error)) << "one watch at a time";
        EXPECT_FALSE(CSignalStop::Stopping());
        QObject never;
        QTimer::singleShot(0, [] { std::raise(SIGINT); });
        QTimer::singleShot(20000, &never, [] { QCoreApplication::exit(-1); });  // never hangs
        EXPECT_EQ(QApplication::exec(), 128 + SIGINT);
        EXPECT_EQ(stop.Signal(), SIGINT);
        EXPECT_TRUE(CSignalStop::Stopping());
        CDialogRunner runner;
        QDialog dialog;
        EXPECT_EQ(runner.Exec(dialog), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
        std::raise(SIGINT);  // a second one is only read, never acted on twice
        QCoreApplication::processEvents();
        EXPECT_EQ(stop.Signal(), SIGINT);
    }
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    EXPECT_FALSE(CSignalStop::Stopping());
}

}  // namespace
