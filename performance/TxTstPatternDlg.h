#pragma once

#include "performance/core/TxTestPattern.h"
#include "screens/FeatureScreen.h"

class QComboBox;
class QLineEdit;
class QPushButton;

/// The transmitter test pattern screen ("Transmitter Test Pattern"): frequency, channel
/// spacing and one of the radio's ten test patterns, keyed and unkeyed with PTT Toggle (or
/// F6); the lists are locked while the transmitter is keyed. The radio requests and rules are
/// CTxTestPattern's.
class CTxTstPatternDlg : public CFeatureScreen {
    Q_OBJECT
public:
    CTxTstPatternDlg(IScreenHost& host, CTunerDoc& doc);

    CTxTestPattern& Pattern() { return m_pattern; }

    void OnCommand(int id) override;
    void CloseForDataSet() override;

    void OnFrequencyKillFocus();
    void OnPttToggle();

private:
    void ShowValues();

    CTxTestPattern m_pattern;
    bool m_checking = false;

    QLineEdit* m_frequency;
    QComboBox* m_spacing;
    QComboBox* m_patterns;
    QPushButton* m_ptt;
    QLineEdit* m_status;
};
