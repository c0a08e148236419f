// A tuning screen is never destroyed under a modal dialog of its own: whatever closes it while
// the close warning or the PTT time-out dialog runs (a deleteLater, the quiet close of an
// alignment, the data set closing) ends the dialog, and the screen goes only once the
// dialog's exec has returned and its caller has unwound. The dialogs run for real here, each
// in its own event loop, on a screen of the bench radio.

#include <QtCore/QTimer>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "TunerScreenFixture.h"
#include "screens/CloseWarningDlg.h"

namespace {

class ScreenModalClose : public TunerScreenTest {
protected:
    /// Runs every dialog for real; once its loop runs, close() is called from inside it.
    void CloseFromInsideTheDialog(std::function<void()> close) {
        m_dialogs.onExec = [this, close](QDialog& dialog) {
            asked.push_back(dialog.windowTitle().toStdString());
            QTimer::singleShot(0, &dialog, close);
            QTimer::singleShot(20000, &dialog, [&dialog] { dialog.done(-1); });  // never hangs
            execResult = dialog.exec();
            screenAliveAfterExec = !screen.isNull();
            return execResult;
        };
    }
    /// A value changed on row 1 with the arrow key, so closing asks first.
    void ChangeRowOne() {
        Activate();
        screen->RowSlider(0)->setFocus();
        QTest::keyClick(screen->RowSlider(0), Qt::Key_Right);
        Flush();
        ASSERT_TRUE(screen->HasUncommittedChanges());
    }

    std::vector<std::string> asked;
    int execResult = -2;
    bool screenAliveAfterExec = false;
};

/// What closes the screen while its dialog runs.
struct Closer {
    const char* name;
    std::function<void(CMainFrame&)> close;
    bool dekeys;  ///< the closer winds the transmitter down itself
};

const Closer kClosers[] = {
    {"a deleteLater of the screen", [](CMainFrame&) { CTunerDlg::Current()->deleteLater(); },
     false},
    {"the alignment's quiet close (the bar's CloseScreen)",
     [](CMainFrame&) { dynamic_cast<CPttBar*>(CTunerDlg::Current()->Bar())->CloseScreen(); }, true},
    {"the data set closing", [](CMainFrame& frame) { frame.CloseDocument(frame.GetActiveDoc()); },
     true},
};

}  // namespace

TEST_F(ScreenModalClose, TheCloseWarningEndsAndTheScreenGoesAfterItsExecReturned) {
    for (const Closer& c : kClosers) {
        SCOPED_TRACE(c.name);
        Open(Cmd::kTxPowerHigh);
        ChangeRowOne();
        asked.clear();
        CloseFromInsideTheDialog([this, &c] { c.close(*m_frame); });
        QTest::keyClick(screen, Qt::Key_F10);  // the warning: changes were not programmed
        EXPECT_EQ(asked, std::vector<std::string>{"WARNING"});
        EXPECT_EQ(execResult, QDialog::Rejected) << "ended by the close, not by its safety net";
        EXPECT_TRUE(screenAliveAfterExec) << "the screen was destroyed under its dialog";
        Flush();
        EXPECT_TRUE(screen.isNull());
        EXPECT_EQ(CTunerDlg::Current(), nullptr);
        EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
        EXPECT_FALSE(m_bench->Radio().Keyed());
        for (const std::string& r : Requests()) EXPECT_NE(r.rfind("000104", 0), 0u) << r;
        m_frame.reset();
        Flush();
        m_bench->Stop();
    }
}

TEST_F(ScreenModalClose, ThePttTimeOutDialogEndsAndNothingIsSentForTheGoneScreen) {
    for (const Closer& c : kClosers) {
        SCOPED_TRACE(c.name);
        Open(Cmd::kTxPowerHigh);
        Activate();
        QTest::keyClick(screen, Qt::Key_F6);
        ASSERT_TRUE(m_bench->Radio().Keyed());
        asked.clear();
        CloseFromInsideTheDialog([this, &c] { c.close(*m_frame); });
        CPttBar* bar = PttBar();  // lives until the events below are served
        for (int s = 0; s < CPttBar::kIdleLimitSeconds; ++s) bar->OnTimer();
        EXPECT_EQ(asked, std::vector<std::string>{"PTT Time Out Message"});
        EXPECT_EQ(execResult, QDialog::Rejected);
        EXPECT_TRUE(screenAliveAfterExec) << "the screen was destroyed under its dialog";
        const std::vector<std::string> afterClose = Sent();
        Flush();
        EXPECT_TRUE(screen.isNull());
        EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
        if (c.dekeys) {
            EXPECT_FALSE(m_bench->Radio().Keyed());
            // One dekey, by the close; the time-out's caller sends nothing for a gone screen.
            EXPECT_EQ(std::count(afterClose.begin(), afterClose.end(), "000501"), 1);
        }
        EXPECT_TRUE(Sent().empty());
        m_frame.reset();
        Flush();
        m_bench->Stop();
    }
}

TEST_F(ScreenModalClose, AClosingScreenAsksNothingMore) {
    Open(Cmd::kTxPowerHigh);
    ChangeRowOne();
    int shown = 0;
    m_dialogs.onExec = [&shown](QDialog&) {
        ++shown;
        return int(QDialog::Accepted);
    };
    screen->DestroyScreen();
    EXPECT_FALSE(AskCloseWarning(*m_frame, screen));
    EXPECT_EQ(shown, 0);
    Flush();
    EXPECT_TRUE(screen.isNull());
}
