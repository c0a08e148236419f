#pragma once

#include <QtCore/QTimer>
#include <QtWidgets/QDialog>

class QLabel;
class QPushButton;

/// "PTT Time Out Message": shown when the transmitter has been keyed for a while without any
/// adjustment. It counts down from 10 once a second and closes by itself at 0; the caller then
/// dekeys unless the technician chose "Continue Transmitting" (m_bContinue). Esc or the close
/// box close it with m_bContinue false.
///
/// The countdown runs on the dialog's own one-second timer while it is shown; OnTimerTick is
/// the tick itself, so tests drive the countdown without waiting.
class CPTTTimeOutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCountdownSeconds = 10;
    static constexpr int kTickMs = 1000;

    explicit CPTTTimeOutDlg(QWidget* parent = nullptr);

    /// One tick of the countdown: one second less; at 0 the dialog closes as cancelled,
    /// otherwise the count label shows the seconds left.
    void OnTimerTick();
    /// "Continue Transmitting": keep the transmitter keyed and close.
    void OnContinue();

    QLabel* CountLabel() const { return m_count; }
    QPushButton* ContinueButton() const { return m_continueButton; }

    int m_nSecondsLeft = kCountdownSeconds;
    bool m_bContinue = false;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* m_count;
    QPushButton* m_continueButton;
    QTimer m_timer;
};
