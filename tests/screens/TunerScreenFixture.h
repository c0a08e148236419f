#pragma once

#include <gtest/gtest.h>

#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <fstream>
#include <string>
#include <vector>

#include "app/ShellFixture.h"
#include "resources/CommandIds.h"
#include "screens/ColourSlider.h"
#include "screens/PTTTimeOutDlg.h"
#include "screens/SliderColours.h"
#include "screens/SpinButton.h"
#include "screens/TunerBar.h"
#include "screens/TunerDlg.h"
#include "screens/TunerDlgBarDlg.h"
#include "screens/TunerRxDlgBarDlg.h"
#include "screens/TunerTxDevBalDlgBarDlg.h"

/// Frequencies of the standard bench radio, as request fields.
namespace BenchFreq {
constexpr const char* k851 = "0a251584";  // 851.0125 MHz
constexpr const char* k860 = "0a421364";  // 860.5125 MHz
constexpr const char* k869 = "0a5efdbc";  // 869.9875 MHz
}  // namespace BenchFreq

/// A tuning screen opened through the main frame's command on a radio read from the bench
/// over its pty. The bars' timers are stopped at once: tests drive their ticks.
class TunerScreenTest : public ShellTest {
protected:
    /// Starts the shell on a profile, reads the radio and opens the screen of a command.
    void Open(int command, const std::string& profile = "standard") {
        StartShell(profile);
        ReadRadio();
        ASSERT_NE(m_frame->GetActiveDoc(), nullptr) << ::testing::PrintToString(m_host.Texts());
        m_host.m_messages.clear();
        OpenAgain(command);
    }
    /// Opens the screen of a command on the radio already read; the trace then holds only
    /// what the screen sent.
    void OpenAgain(int command) {
        m_frame->OnCommand(command);
        screen = CTunerDlg::Current();
        ASSERT_NE(screen, nullptr) << "no tuning screen for " << command;
        ASSERT_EQ(m_frame->OpenScreenWidget(), screen);
        screen->Bar()->Timer().stop();
        opening = Requests();
        Flush();
        m_bench->ClearTrace();
    }
    /// Makes the screen the active window so focus changes arrive as on a desktop.
    void Activate() {
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen));
    }

    std::vector<std::string> Requests() const { return m_bench->RadioRequests(); }
    /// The requests since the last call (and clears the trace).
    std::vector<std::string> Sent() {
        std::vector<std::string> r = Requests();
        m_bench->ClearTrace();
        return r;
    }
    CPttBar* PttBar() const { return dynamic_cast<CPttBar*>(screen->Bar()); }
    std::string Status() const { return screen->Bar()->StatusEdit()->text().toStdString(); }
    std::vector<uint> Colours() const {
        std::vector<uint> c;
        for (int i = 0; i < screen->RowCount(); ++i) c.push_back(screen->RowColour(i));
        return c;
    }
    /// A profile file in a scratch folder.
    std::string ProfileFile(const std::string& text) {
        const std::string path = m_scratch.filePath("profile.txt").toStdString();
        std::ofstream(path) << text;
        return path;
    }
    /// Sends a key to the screen's focused widget (or the screen).
    void Key(Qt::Key key) {
        QWidget* target = screen->focusWidget() ? screen->focusWidget() : screen.data();
        QTest::keyClick(target, key);
    }

    QPointer<CTunerDlg> screen;
    std::vector<std::string> opening;  ///< requests from the command to the open screen
    QTemporaryDir m_scratch;
};

constexpr uint kGreen = SliderColours::kGreen;
constexpr uint kRed = SliderColours::kRed;
constexpr uint kGrey = SliderColours::kGrey;
