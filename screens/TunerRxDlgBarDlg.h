#pragma once

#include "screens/TunerBar.h"

class QComboBox;

/// The receiver bar of "Rx Front End Filter": the audio route ("Mute", "Internal",
/// "External"), the radio's received signal strength read every 250 ms, "Program All",
/// "Close", the status line ("RECEIVING AT - " and the frequency) and "Help". No PTT.
///
/// A failed signal strength read stops the poll for the life of the bar (one failure message,
/// the value kept). The poll goes on while the close warning is open and after it was
/// cancelled; it stops only when the screen really closes.
class CTunerRxDlgBarDlg : public CTunerBar {
    Q_OBJECT
public:
    static constexpr int kPollMs = 250;

    CTunerRxDlgBarDlg(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc);
    ~CTunerRxDlgBarDlg() override;

    /// The current receiver bar (g_pTunerRxBar); null whenever its screen is closed or gone.
    /// User-interface thread only.
    static CTunerRxDlgBarDlg* Current();
    void Retire() override;

    Q_INVOKABLE void ProgramAll() override;
    Q_INVOKABLE void OnCancel() override;
    void CloseForDataSet() override;
    void ShowDriven(bool driven) override;
    /// One tick of the signal strength poll.
    void OnPollTimer();
    /// An audio route chosen from the list (position 0 Mute, 1 Internal, 2 External).
    void OnAudioChanged(int position);

    QComboBox* AudioList() const { return m_cbAudio; }
    QLineEdit* SignalStrengthEdit() const { return m_signal; }

    int m_nSignalStrength = 0;
    bool m_bPollStopped = false;

private:
    /// Stops the poll and ends the link's one-message rule that polling needed.
    void StopPolling();

    QComboBox* m_cbAudio;
    QLineEdit* m_signal;
};
