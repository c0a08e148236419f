#pragma once

#include <atomic>

#include "autotune/AlignmentFace.h"

class CAutoTunerDlg;
class CUiInvoker;
class IAutoTuneView;

/// The whole-radio alignment as the Automatic Tuning dialog's "Radio" button runs it: each
/// feature opens on its tuning screen through the main frame's feature command (the dialog
/// stays the open screen; a tuning screen the technician left open closes first, with its
/// usual warning), is tuned through the dialog's own view of that screen, programmed with
/// the screen's Program All (as F8) and closed without asking, dekeyed first.
///
/// The run calls from its own thread; every call is carried to the user-interface thread and
/// waits there. Once the dialog is closing, calls fail, which ends the run.
class CDialogAlignmentFace : public IAlignmentFace {
public:
    CDialogAlignmentFace(CAutoTunerDlg& dialog, CUiInvoker& ui, IAutoTuneView& view)
        : m_dialog(dialog), m_ui(ui), m_view(view) {}

    bool WithDataSet(const std::function<void(CTunerDoc& doc)>& work) override;
    IAutoTuneView* OpenFeature(const std::string& title) override;
    bool ProgramFeature() override;
    void CloseFeature() override;
    bool RadioLost() override;
    void ShowRunProgress(const std::string& text, int done, int total) override;
    void AppendToTuningLog(const std::string& text) override;

    /// The run's report reached the tuning log (false when the dialog closed before).
    bool LogWritten() const { return m_logWritten; }

private:
    CAutoTunerDlg& m_dialog;
    CUiInvoker& m_ui;
    IAutoTuneView& m_view;
    std::atomic<bool> m_logWritten{false};
};
