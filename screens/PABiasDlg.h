#pragma once

#include <cstdint>
#include <string>

#include "screens/ValueScreen.h"

class CColourSlider;
class CSpinButton;
class QLabel;
class QLineEdit;
class QPushButton;

/// The PA bias screen ("PA Bias", retitled "PA Bias 1" to "PA Bias 3" by the frame): one
/// power-amplifier bias softpot of the radio, moved live with a slider, a spin or typed digits,
/// the radio's PA bias test mode switched on and off with Bias Toggle (the thumb turns red while
/// it is on), and the value programmed with Program All.
class CPABiasDlg : public CValueScreen {
    Q_OBJECT
public:
    CPABiasDlg(IScreenHost& host, CTunerDoc& doc);

    /// The softpot type of a PA bias feature name ("PA Bias 2" gives 10); 0 for any other.
    static int TypeOf(const std::string& featureName);

    // Control handlers.
    void OnHScroll();
    void OnVScroll();
    /// Applies the typed value; false when the field refused it.
    bool OnNewValueKillFocus();
    void OnBiasToggle();
    void OnProgramAll() override;
    void OnClose() override;

    int m_nType = 1;  ///< 9, 10 or 11 once the screen has initialised
    bool m_bBiasToggle = false;
    int m_nFreqs[10] = {};
    int m_nValues[10] = {};
    int m_nMin = 0;
    int m_nMax = 255;
    int m_nLastSent = 0;
    int m_nNewValue = 0;
    int m_nRadioValue = 0;
    std::string m_strStatus;

private:
    /// Writes the values into the edits (UpdateData(FALSE)).
    void ShowData();
    /// A slider action: the position it ends on is applied once the screen is free.
    void QueueScroll();
    void RunQueuedScroll();
    /// The value in the new-value edit, when it is a number.
    bool TypedValue(int& value) const;

    CColourSlider* m_slider;
    CSpinButton* m_spin;
    QLabel* m_minLabel;
    QLabel* m_maxLabel;
    QLineEdit* m_newValue;
    QLineEdit* m_radioValue;
    QLineEdit* m_status;
    bool m_scrollQueued = false;
    bool m_checking = false;
};
