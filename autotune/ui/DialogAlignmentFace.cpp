#include "autotune/ui/DialogAlignmentFace.h"

#include <QtCore/QPointer>

#include "autotune/ui/AutoTunerDlg.h"
#include "autotune/ui/UiInvoker.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"
#include "screens/PttBar.h"
#include "screens/TunerDlg.h"
#include "screens/TuningFeatures.h"

namespace {

/// Closes the current tuning screen: as its Close button does (which may ask about values not
/// programmed) or, quietly, as the bar's own close after the warning (dekeying first). True
/// when no tuning screen is left.
bool CloseTuningScreen(bool quietly) {
    CTunerDlg* screen = CTunerDlg::Current();
    if (!screen)
        return true;
    if (!quietly)
        screen->DriveCommand(Cmd::kScreenClose);
    else if (auto* bar = dynamic_cast<CPttBar*>(screen->Bar()))
        bar->CloseScreen();
    else
        screen->DestroyScreen();
    return CTunerDlg::Current() == nullptr;
}

/// Opens a feature's tuning screen through the frame's feature command, with its usual checks
/// (connection, the same radio); the dialog stays the open screen, beside the tuning screen and
/// in front of it. True when the feature's screen is open.
bool OpenTuningScreen(CAutoTunerDlg& dialog, const std::string& title) {
    const TuningFeature* feature = FindTuningFeature(title);
    if (!feature || !CloseTuningScreen(false))
        return false;
    QPointer<CAutoTunerDlg> self(&dialog);
    dialog.ScreenHost().OpenFeatureFor(&dialog, feature->commandId);
    CTunerDlg* screen = CTunerDlg::Current();
    if (!self || !screen)
        return false;
    self->KeepClearOf(*screen);
    self->raise();
    self->activateWindow();
    return screen->windowTitle().toStdString() == title;
}

}  // namespace

bool CDialogAlignmentFace::WithDataSet(const std::function<void(CTunerDoc& doc)>& work) {
    CAutoTunerDlg* d = &m_dialog;
    // The work runs only while the run waits for it: a cancelled call never runs.
    return m_ui.Call([d, work] { work(d->Doc()); });
}

IAutoTuneView* CDialogAlignmentFace::OpenFeature(const std::string& title) {
    CAutoTunerDlg* d = &m_dialog;
    const bool opened =
        m_ui.Call<bool>([d, title] { return OpenTuningScreen(*d, title); }).value_or(false);
    return opened ? &m_view : nullptr;
}

bool CDialogAlignmentFace::ProgramFeature() {
    return m_ui
        .Call<bool>([] {
            CTunerDlg* screen = CTunerDlg::Current();
            if (!screen || !screen->Bar())
                return false;
            screen->Bar()->ForgetProgramStatus();
            screen->DriveCommand(Cmd::kProgramAll);  // as F8: dekeys, then programs
            return SUCCEEDED(screen->Bar()->LastProgramStatus());
        })
        .value_or(false);
}

void CDialogAlignmentFace::CloseFeature() {
    m_ui.Call([] { CloseTuningScreen(true); });
}

bool CDialogAlignmentFace::RadioLost() {
    CAutoTunerDlg* d = &m_dialog;
    return m_ui.Call<bool>([d] { return d->Doc().m_radio == nullptr; }).value_or(true);
}

void CDialogAlignmentFace::ShowRunProgress(const std::string& text, int done, int total) {
    CAutoTunerDlg* d = &m_dialog;
    m_ui.Call([d, text, done, total] { d->ShowRunProgress(text, done, total); });
}

void CDialogAlignmentFace::AppendToTuningLog(const std::string& text) {
    CAutoTunerDlg* d = &m_dialog;
    if (m_ui.Call([d, text] { AppendTuningLog(d->Doc(), text); }))
        m_logWritten = true;
}
