#pragma once

#include "screens/PttBar.h"

/// The Program/PTT bar of the transmit alignments: "Program All", "Close", "PTT Toggle", the
/// status line ("TRANSMITTER OFF - " or "TRANSMITTING AT - " and the selected frequency) and
/// "Help".
class CTunerDlgBarDlg : public CPttBar {
    Q_OBJECT
public:
    CTunerDlgBarDlg(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc);
    ~CTunerDlgBarDlg() override;

    /// The current Program/PTT bar (g_pTunerDlgBar); null whenever its screen is closed or
    /// gone. User-interface thread only.
    static CTunerDlgBarDlg* Current();
    void Retire() override;
};
