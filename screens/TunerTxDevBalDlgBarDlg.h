#pragma once

#include "screens/PttBar.h"

class QGroupBox;
class QRadioButton;

/// The deviation-balance bar: the Program/PTT bar's functions plus the "PTT Tone" choice of
/// the "Low" and "High" test tones. A tone change while keyed dekeys, waits 500 ms, selects
/// the tone and keys again (which re-sends the deviation limit and the selected value).
class CTunerTxDevBalDlgBarDlg : public CPttBar {
    Q_OBJECT
public:
    static constexpr int kToneChangePauseMs = 500;

    CTunerTxDevBalDlgBarDlg(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc);
    ~CTunerTxDevBalDlgBarDlg() override;

    /// The current deviation-balance bar (g_pTunerDevBalBar); null whenever its screen is
    /// closed or gone. User-interface thread only.
    static CTunerTxDevBalDlgBarDlg* Current();
    void Retire() override;
    void ShowDriven(bool driven) override;

    /// "Low" chosen (its click, or automatic tuning after setting the checks).
    Q_INVOKABLE void OnLowTone() { ToneChange(false); }
    /// "High" chosen.
    Q_INVOKABLE void OnHighTone() { ToneChange(true); }
    /// Sets or clears one button's check without any other effect (both may end up clear or
    /// set, as with the platform's radio buttons).
    Q_INVOKABLE void SetLowCheck(bool check);
    Q_INVOKABLE void SetHighCheck(bool check);
    Q_INVOKABLE bool IsLowChecked() const;
    Q_INVOKABLE bool IsHighChecked() const;

    /// The tone change: restarts the idle count; does nothing more unless the tone's button is
    /// the checked one of the pair (the first checked, Low before High).
    void ToneChange(bool high);

    QRadioButton* LowButton() const { return m_btnLow; }
    QRadioButton* HighButton() const { return m_btnHigh; }

private:
    QRadioButton* m_btnLow;
    QRadioButton* m_btnHigh;
};
