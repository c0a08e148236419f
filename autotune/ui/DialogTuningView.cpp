#include "autotune/ui/DialogTuningView.h"

#include <utility>

#include "autotune/AutoTuneFeatures.h"
#include "autotune/RadioTuningView.h"
#include "autotune/ui/AutoTunerDlg.h"
#include "autotune/ui/UiInvoker.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "screens/ColourSlider.h"
#include "screens/TunerDlg.h"
#include "screens/TunerDlgBarDlg.h"
#include "screens/TunerTxDevBalDlgBarDlg.h"

std::string CDialogTuningView::ScreenTitle() {
    return m_ui
        .Call<std::string>([] {
            CTunerDlg* screen = CTunerDlg::Current();
            return screen ? screen->windowTitle().toStdString() : std::string();
        })
        .value_or(std::string());
}

bool CDialogTuningView::SelectRow(int row) {
    return m_ui
        .Call<bool>([row] {
            CTunerDlg* screen = CTunerDlg::Current();
            if (!screen)
                return false;
            screen->SelectRowBySlider(row);
            return true;
        })
        .value_or(false);
}

int CDialogTuningView::VisibleRowCount() {
    return m_ui
        .Call<int>([] {
            CTunerDlg* screen = CTunerDlg::Current();
            int n = 0;
            for (int i = 0; screen && i < kTunerRows; ++i) n += screen->IsRowVisible(i) ? 1 : 0;
            return n;
        })
        .value_or(0);
}

bool CDialogTuningView::RowEnabled(int row) {
    return m_ui
        .Call<bool>([row] {
            CTunerDlg* screen = CTunerDlg::Current();
            CColourSlider* slider = screen ? screen->RowSlider(row) : nullptr;
            return slider && slider->isEnabled();
        })
        .value_or(false);
}

bool CDialogTuningView::IsTransmitting() {
    return m_ui
        .Call<bool>([] {
            CTunerDlg* screen = CTunerDlg::Current();
            return screen && screen->m_bTransmitting;
        })
        .value_or(false);
}

bool CDialogTuningView::PttToggle(int featureIndex) {
    return m_ui
        .Call<bool>([featureIndex] {
            if (featureIndex == AutoTuneFeatures::kTxDeviationBalance) {
                CTunerTxDevBalDlgBarDlg* bar = CTunerTxDevBalDlgBarDlg::Current();
                if (!bar)
                    return false;
                bar->PttToggle();  // WM_USER+6
                return true;
            }
            CTunerDlgBarDlg* bar = CTunerDlgBarDlg::Current();
            if (!bar)
                return false;
            bar->PttToggle();  // WM_USER+2
            return true;
        })
        .value_or(false);
}

bool CDialogTuningView::ChooseTone(bool high) {
    return m_ui
        .Call<bool>([high] {
            CTunerTxDevBalDlgBarDlg* bar = CTunerTxDevBalDlgBarDlg::Current();
            if (!bar)
                return false;
            // The buttons first, then the tone change as their click would make it.
            if (high) {
                bar->SetLowCheck(false);
                bar->SetHighCheck(true);
                bar->OnHighTone();  // WM_USER+5
            } else {
                bar->SetHighCheck(false);
                bar->SetLowCheck(true);
                bar->OnLowTone();  // WM_USER+4
            }
            return true;
        })
        .value_or(false);
}

bool CDialogTuningView::RangeLabels(int& lower, int& upper) {
    const std::optional<std::pair<int, int>> labels =
        m_ui.Call<std::pair<int, int>>([]() -> std::pair<int, int> {
            CTunerDlg* screen = CTunerDlg::Current();
            if (!screen)
                return {0, -1};
            // The screen writes its range as whole numbers; anything else is no range to
            // search in.
            bool lowOk = false, highOk = false;
            const int low = screen->LowerRangeText().trimmed().toInt(&lowOk);
            const int high = screen->UpperRangeText().trimmed().toInt(&highOk);
            if (!lowOk || !highOk || high < low)
                return {0, -1};
            return {low, high};
        });
    if (!labels || labels->second < 0)
        return false;
    lower = labels->first;
    upper = labels->second;
    return true;
}

bool CDialogTuningView::SliderPosition(int row, int& position) {
    const int p = m_ui.Call<int>([row] {
                          CTunerDlg* screen = CTunerDlg::Current();
                          return screen ? screen->SliderPosition(row) : -1;
                      })
                      .value_or(-1);
    if (p < 0)
        return false;
    position = p;
    return true;
}

bool CDialogTuningView::MoveSlider(int row, int position) {
    return m_ui
        .Call<bool>([row, position] {
            CTunerDlg* screen = CTunerDlg::Current();
            if (!screen)
                return false;
            screen->ApplySliderPosition(row, position);  // TBM_SETPOS, then TB_THUMBTRACK
            return true;
        })
        .value_or(false);
}

double CDialogTuningView::ReferenceFrequencyMHz(int row) {
    CAutoTunerDlg* dialog = &m_dialog;
    return m_ui
        .Call<double>([dialog, row] {
            return MessageFields::FreqToMHz(dialog->Doc().RowTestFrequency(kRefOsc, row));
        })
        .value_or(0.0);
}

IAutoTuneView::RadioRequests CDialogTuningView::RadioState() {
    CAutoTunerDlg* dialog = &m_dialog;
    RadioRequests gone;
    gone.linkLost = true;
    return m_ui
        .Call<RadioRequests>([dialog] { return CRadioTuningView::StateOf(dialog->Doc()); })
        .value_or(gone);
}

std::string CDialogTuningView::TargetPowerText(int powerLevel) {
    CAutoTunerDlg* dialog = &m_dialog;
    return m_ui.Call<std::string>([dialog, powerLevel] { return dialog->TargetText(powerLevel); })
        .value_or(std::string());
}

void CDialogTuningView::ShowSliderState(bool inProgress) {
    CAutoTunerDlg* dialog = &m_dialog;
    m_ui.Call([dialog, inProgress] { dialog->ShowSliderState(inProgress); });
}

void CDialogTuningView::ShowWindowState(bool windowRun) {
    CAutoTunerDlg* dialog = &m_dialog;
    m_ui.Call([dialog, windowRun] { dialog->ShowWindowState(windowRun); });
}

void CDialogTuningView::ShowStatus(const std::string& text) {
    CAutoTunerDlg* dialog = &m_dialog;
    m_ui.Call([dialog, text] { dialog->ShowStatus(text); });
}

void CDialogTuningView::ShowProgress(const std::string& status, int done, int total) {
    CAutoTunerDlg* dialog = &m_dialog;
    m_ui.Call([dialog, status, done, total] { dialog->ShowProgress(status, done, total); });
}
