#pragma once

#include <gtest/gtest.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

#include <string>
#include <vector>

#include "../../screens/TunerScreenFixture.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/TestSetLink.h"
#include "autotune/ui/AutoTunerDlg.h"
#include "bench/PtyLine.h"

/// The Automatic Tuning dialog on the main frame and the bench over its ptys: the radio on
/// COM1, the simulated HP8920B on COM2. Every wait of the test-set link lets the bench catch
/// up instead of passing real time; the jobs run on their own threads as in the application
/// while the test serves the user-interface thread.
class AutoTunerDlgTest : public TunerScreenTest {
protected:
    /// Opens a tuning screen, then the dialog with Ctrl+Shift+A (the resident program runs).
    void OpenWith(int command, const std::string& profile = "standard") {
        Open(command, profile);
        m_bench->TestSet().StoreResidentProgram(true, CPtyLine::NowMs());
        OpenDialog();
    }
    /// Reads the radio and opens the dialog with no tuning screen (the resident program runs).
    void OpenOnRadio(const std::string& profile) {
        StartShell(profile);
        ReadRadio();
        ASSERT_NE(m_frame->GetActiveDoc(), nullptr) << ::testing::PrintToString(m_host.Texts());
        m_host.m_messages.clear();
        m_bench->TestSet().StoreResidentProgram(true, CPtyLine::NowMs());
        m_frame->activateWindow();  // the key goes to the frame the technician works in
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        OpenDialog();
    }
    void OpenDialog() {
        QTest::keyClick(m_frame.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        Flush();
        dlg = CAutoTunerDlg::Current();
        ASSERT_NE(dlg, nullptr) << "no Automatic Tuning dialog in "
                                << QDir::currentPath().toStdString()
                                << "; messages: " << ::testing::PrintToString(m_host.Texts());
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
    /// Serves the user-interface thread until the dialog's job has ended (or a minute and a
    /// half), calling each() on every round.
    template <typename Each>
    void WaitForJob(Each each) {
        QElapsedTimer t;
        t.start();
        while (dlg && dlg->Busy() && t.elapsed() < 90000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            each();
        }
        ASSERT_TRUE(!dlg || !dlg->Busy()) << "the job did not end";
        if (dlg)
            dlg->Tasks().Join();  // its thread has posted its end
        Flush();
    }
    void WaitForJob() {
        WaitForJob([] {});
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
    /// Records every line the status monitor shows from now on, into shownStatuses.
    void RecordStatuses() {
        QObject::connect(dlg->StatusEdit(), &QLineEdit::textChanged, dlg,
                         [this](const QString& t) { shownStatuses.push_back(t.toStdString()); });
    }
    /// The measurement codes the test set received (3 automatic, 4 manual).
    std::vector<std::string> Codes() const {
        std::vector<std::string> c;
        for (const std::string& l : m_bench->TestSetLines()) {
            if (l == "3" || l == "4")
                c.push_back(l);
        }
        return c;
    }

    QPointer<CAutoTunerDlg> dlg;
    std::vector<std::string> shownStatuses;
};
