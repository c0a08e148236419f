#pragma once

#include "performance/core/BerTest.h"
#include "screens/FeatureScreen.h"

class CSpinButton;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

/// The bit error rate screen ("Bit Error Rate"): the receive frequency, pattern, modulation,
/// audio path, single or continuous operation and the integration time of the radio's bit
/// error rate test; START/STOP runs it and the Results show the errors and the rate. The
/// test itself (requests, rules, data file) is CBerTest, which vegal-cli ber runs as well.
class CBitErrorRateDlg : public CFeatureScreen {
    Q_OBJECT
public:
    CBitErrorRateDlg(IScreenHost& host, CTunerDoc& doc);

    CBerTest& Test() { return m_test; }

    void OnCommand(int id) override;
    void CloseForDataSet() override;

    // Control handlers.
    void OnFrequencyKillFocus();
    void OnTimeKillFocus();
    void OnFramesKillFocus();
    void OnSpinDelta(int delta);
    void OnStartStop();
    void OnTimer();

private:
    /// Writes the test's values into the controls (UpdateData(FALSE)).
    void ShowValues();
    /// A field lost the focus: runs its check once (its message takes the focus) and shows.
    template <typename Check>
    void CheckField(QLineEdit* field, Check check);
    void Close();

    CBerTest m_test;
    QTimer* m_timer;          ///< the continuous test's 250 ms poll ("pollTimer")
    bool m_checking = false;  ///< a lose-focus check is running (its message takes the focus)

    QLineEdit* m_frequency;
    QComboBox* m_pattern;
    QComboBox* m_modulation;
    QComboBox* m_continuous;
    QComboBox* m_audio;
    QLineEdit* m_time;
    CSpinButton* m_spin;
    QLineEdit* m_frames;
    QLineEdit* m_errors;
    QLineEdit* m_rate;
    QLineEdit* m_status;
    QPushButton* m_startStop;
};
