#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "screens/FeatureScreen.h"

class CAutoTuneTasks;
class CDialogTuningView;
class CTaskHost;
class CTestSetLink;
class CUiInvoker;
class QLineEdit;
class QProgressBar;
class QPushButton;

/// The Automatic Tuning Interface: tunes the open tuning screen's sliders against readings
/// of an HP8920B test set running its resident program. "Slider" tunes the selected row,
/// "Window" every shown row; while they work they read "Stop Tuning" and stop it.
///
/// Threads: every widget and every radio exchange stays on the user-interface thread; a job
/// thread does the test-set exchanges and the waiting (checking, starting or downloading the
/// resident program, then the row and Window tasks) and reaches the tuning screen, its bars
/// and this dialog through blocking queued calls. Closing the dialog stops the job, serves
/// its last calls (it dekeys the transmitter) while waiting for it, and then ends the
/// resident program.
class CAutoTunerDlg : public CFeatureScreen {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Automatic Tuning Interface";

    CAutoTunerDlg(IScreenHost& host, CTunerDoc& doc);
    ~CAutoTunerDlg() override;

    /// The open dialog; null once it is gone. User-interface thread only.
    static CAutoTunerDlg* Current();

    /// The Slider and Window buttons.
    void OnSlider();
    void OnWindow();

    // What the tasks show, on the user-interface thread.
    /// The text of a target power field (3 High, 2 Mid, 1 Low), read when a row begins.
    std::string TargetText(int powerLevel) const;
    void ShowSliderState(bool inProgress);
    void ShowWindowState(bool windowRun);
    void ShowStatus(const std::string& text);
    void ShowProgress(const std::string& status, int done, int total);

    QLineEdit* TargetHighEdit() const { return m_targetHigh; }
    QLineEdit* TargetMidEdit() const { return m_targetMid; }
    QLineEdit* TargetLowEdit() const { return m_targetLow; }
    QLineEdit* ComPortEdit() const { return m_comPort; }
    QLineEdit* StatusEdit() const { return m_status; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* SliderButton() const { return m_slider; }
    QPushButton* RadioButton() const { return m_radio; }
    QPushButton* WindowButton() const { return m_window; }
    CTestSetLink& Link() const { return *m_link; }
    CAutoTuneTasks& Tasks() const { return *m_tasks; }
    /// A job (resident program check, download, tuning) is under way.
    bool Busy() const;

    /// How long closing serves a running job before it gives up on its calls.
    static constexpr int kCloseWaitMs = 15000;

    void OnCommand(int id) override;
    void CloseForDataSet() override;

private:
    void BuildWidgets();
    /// The user-interface half of a job's end.
    void OnJobEnded();
    /// The checks before a button starts a job: a usable Com Port text and a tuning screen.
    bool ReadyToStart();
    /// Stops the job, waits for it (serving its calls when pump is set) and ends the resident
    /// program; once only.
    void ShutDown(bool pump);

    std::unique_ptr<CUiInvoker> m_ui;
    std::unique_ptr<CTaskHost> m_taskHost;
    std::unique_ptr<CTestSetLink> m_link;
    std::unique_ptr<CDialogTuningView> m_view;
    std::unique_ptr<CAutoTuneTasks> m_tasks;

    QLineEdit* m_targetHigh = nullptr;
    QLineEdit* m_targetMid = nullptr;
    QLineEdit* m_targetLow = nullptr;
    QPushButton* m_slider = nullptr;
    QPushButton* m_radio = nullptr;
    QPushButton* m_window = nullptr;
    QLineEdit* m_comPort = nullptr;
    QLineEdit* m_status = nullptr;
    QProgressBar* m_progress = nullptr;

    mutable std::mutex m_portMutex;
    std::string m_portText;  ///< the "Com Port" text, for the job thread's opens
    bool m_bShutDown = false;
};
