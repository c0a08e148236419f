#pragma once

#include "screens/ValueScreen.h"

class QLineEdit;

/// The battery calibration screen ("Battery Reading Calibration"): with the radio's supply
/// at 6.9 V, Auto Calibrate reads the radio's calibration value for it, and Program All stores
/// the new value (0 to 255) as the radio's battery reading calibration (softpot type 8).
class CBatterCalibDlg : public CValueScreen {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Battery Reading Calibration";

    CBatterCalibDlg(IScreenHost& host, CTunerDoc& doc);

    void OnAutoCalibrate();
    void OnProgramAll() override;
    void OnClose() override;

    int m_nNewValue = 0;
    int m_nOldValue = 0;
    int m_nFreqs[10] = {};
    int m_nValues[10] = {};

private:
    /// Writes the values into the edits.
    void ShowData();

    QLineEdit* m_newValue;
    QLineEdit* m_oldValue;
    QLineEdit* m_status;
};
