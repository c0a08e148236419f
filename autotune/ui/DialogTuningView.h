#pragma once

#include "autotune/AutoTuneView.h"

class CAutoTunerDlg;
class CUiInvoker;

/// The tuning screen and the automatic tuning dialog as the tuning tasks see them: every call
/// is carried to the user-interface thread and waits there, where it works on the current
/// tuning screen and its bars through their automatic tuning hooks (so the screen sends its
/// radio requests as for a user, one at a time) and on the dialog's own widgets. When the
/// tuning screen is gone, or the dialog is closing, calls return false.
class CDialogTuningView : public IAutoTuneView {
public:
    CDialogTuningView(CAutoTunerDlg& dialog, CUiInvoker& ui) : m_dialog(dialog), m_ui(ui) {}

    std::string ScreenTitle() override;
    bool SelectRow(int row) override;
    int VisibleRowCount() override;
    bool RowEnabled(int row) override;
    bool IsTransmitting() override;
    bool PttToggle(int featureIndex) override;
    bool ChooseTone(bool high) override;
    bool RangeLabels(int& lower, int& upper) override;
    bool SliderPosition(int row, int& position) override;
    bool MoveSlider(int row, int position) override;
    double ReferenceFrequencyMHz(int row) override;
    RadioRequests RadioState() override;
    std::string TargetPowerText(int powerLevel) override;
    void ShowSliderState(bool inProgress) override;
    void ShowWindowState(bool windowRun) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgress(const std::string& status, int done, int total) override;

private:
    CAutoTunerDlg& m_dialog;
    CUiInvoker& m_ui;
};
