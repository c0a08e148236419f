#pragma once

#include "screens/TunerBar.h"

/// The transmit half that the Program/PTT bar and the deviation-balance bar share: keying and
/// dekeying at the selected row's frequency ("PTT Toggle"), Program All after a dekey, the
/// close handling with its warning and the PTT time-out.
///
/// PTT time-out: while keyed with the option on, OnTimer counts one idle second per tick;
/// at exactly 50 it shows the "PTT Time Out Message" dialog (10 s countdown) and dekeys unless
/// the technician chose "Continue Transmitting". Slider and spin activity resets the count.
///
/// A key request that fails leaves the transmitter flags clear: the radio did not confirm
/// keying, so the screen never claims to transmit and the time-out never counts for it.
class CPttBar : public CTunerBar {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 1000;
    static constexpr int kIdleLimitSeconds = 50;

    CPttBar(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc);

    bool IsTransmitting() const override { return m_bTransmitting; }
    void SetTransmittingFlag(bool on) override { m_bTransmitting = on; }
    void ResetIdle() override { m_nIdleSeconds = 0; }

    /// Dekeys when keyed, else keys (button, F6, and automatic tuning).
    Q_INVOKABLE void PttToggle() override;
    Q_INVOKABLE void Key();
    Q_INVOKABLE void Dekey();
    /// Dekeys first when keyed, then programs the rows.
    Q_INVOKABLE void ProgramAll() override;
    /// Warns about uncommitted changes when the reminder is on, then CloseScreen.
    Q_INVOKABLE void OnCancel() override;
    /// Dekeys when keyed (a failure does not stop it) and closes the screen with the bar.
    void CloseScreen();
    void CloseForDataSet() override;
    void ShowDriven(bool driven) override;
    /// One tick of the PTT time-out watch. While automatic tuning drives the screen it keys
    /// and dekeys itself, and the watch does not ask.
    void OnTimer();

    QPushButton* PttButton() const { return m_ptt; }

    bool m_bTransmitting = false;
    int m_nIdleSeconds = 0;

protected:
    QPushButton* m_ptt;
};
