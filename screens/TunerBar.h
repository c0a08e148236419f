#pragma once

#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

#include <initializer_list>
#include <string>

#include "radio/HResult.h"

class CTunerDlg;
class CTunerDoc;
class IScreenHost;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

/// What every command bar of the softpot tuning screen has: the status line, "Program All",
/// "Close" and "Help", and one timer. The screen creates its bar along its bottom edge and
/// reads and writes the bar's transmitter state through this interface.
class CTunerBar : public QWidget {
    Q_OBJECT
public:
    CTunerBar(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc);

    CTunerDlg& Screen() const { return m_screen; }
    IScreenHost& ScreenHost() const { return m_host; }

    /// The status line: one of the status strings followed by the selected frequency.
    void SetStatus(const std::string& text);
    const std::string& Status() const { return m_strStatus; }

    /// The bar's transmitter flag (m_bTransmitting); the receiver bar never transmits.
    virtual bool IsTransmitting() const { return false; }
    virtual void SetTransmittingFlag(bool /*on*/) {}
    /// Restarts the PTT idle count (every slider and spin adjustment does).
    virtual void ResetIdle() {}

    /// "PTT Toggle"; the receiver bar has none and does nothing.
    Q_INVOKABLE virtual void PttToggle() {}
    /// "Program All": programs the screen's new values into the radio.
    Q_INVOKABLE virtual void ProgramAll() = 0;
    /// The status of the last Program All (S_OK before the first); negative when the radio did
    /// not take the values.
    HRESULT LastProgramStatus() const { return m_lastProgramStatus; }
    /// Forgets that status, so that a Program All that does not run (the screen is closing)
    /// reads as failed, not as the one before.
    void ForgetProgramStatus() { m_lastProgramStatus = E_FAIL; }
    /// "Close", F10 and Esc: the close handling, which may ask first.
    Q_INVOKABLE virtual void OnCancel() = 0;
    /// "Help": the feature's help topic.
    void OnHelp();
    /// The data set is closing under the screen: wind down without asking.
    virtual void CloseForDataSet() = 0;
    /// The screen is closing: this bar is no longer the current one of its kind.
    virtual void Retire() = 0;
    /// Automatic tuning drives the screen: the buttons that act on the radio or close the
    /// screen are unavailable (Help stays), or available again.
    virtual void ShowDriven(bool driven);

    /// The bar's timer (the PTT time-out watch, or the signal strength poll). Tests stop it
    /// and drive the tick handler themselves.
    QTimer& Timer() { return m_timer; }

    QPushButton* ProgramAllButton() const { return m_programAll; }
    QPushButton* CloseButton() const { return m_close; }
    QPushButton* HelpButton() const { return m_help; }
    QLineEdit* StatusEdit() const { return m_status; }

    CTunerDoc* m_pDoc;  ///< the document the screen works on

protected:
    /// Programs the screen's new values. Only when the radio took them do the rows and the
    /// document's saved values take them as the radio's values; after a failure the rows keep
    /// their uncommitted changes. Returns the programming status.
    HRESULT ProgramRows();
    /// Lays out the bar: a line above, then the extra rows, then the buttons row.
    QVBoxLayout* MakeLayout();
    /// Tab goes through these widgets in this order (left to right, top to bottom).
    static void SetTabOrder(std::initializer_list<QWidget*> widgets);

    CTunerDlg& m_screen;
    IScreenHost& m_host;
    std::string m_strStatus;
    QPushButton* m_programAll;
    QPushButton* m_close;
    QPushButton* m_help;
    QLineEdit* m_status;
    QTimer m_timer;
    HRESULT m_lastProgramStatus = S_OK;
};
