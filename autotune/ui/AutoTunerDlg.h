#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "autotune/AlignmentReport.h"
#include "screens/FeatureScreen.h"

class CAlignmentLimits;
class CAutoTuneTasks;
class CDialogAlignmentFace;
class CRadioAlignment;
class QCheckBox;
class QComboBox;
class QGroupBox;
struct AlignmentOptions;
class CDialogTuningView;
class CTaskHost;
class CTestSetLink;
class CUiInvoker;
class QLineEdit;
class QProgressBar;
class QPushButton;

/// The Automatic Tuning Interface: tunes the open tuning screen's sliders against readings
/// of an HP8920B test set running its resident program. "Slider" tunes the selected row,
/// "Window" every shown row; while they work they read "Stop Tuning" and stop it. "Radio"
/// aligns the whole radio (every transmit feature on its tuning screen, each programmed when
/// its rows passed), saves the report as CSV beside the data set and shows it in print
/// preview; "Stop Tuning" while it runs. It tests the radio first (as found), aligns only the
/// rows out of tolerance (every row with "Align all rows") and tests it again (as left).
/// "Test" runs the test alone, changing nothing, and shows its report the same way.
///
/// While a job or an alignment runs, the tuning screens are driven (CTunerDlg::SetAutomaticDrive):
/// their manual commands wait until it has ended or "Stop Tuning" has ended it. The power
/// fields take a number of watts in a stated range; a button that would use a field holding
/// anything else says so, naming the field, and starts nothing.
///
/// Threads: every widget and every radio exchange stays on the user-interface thread; a job
/// thread does the test-set exchanges and the waiting (checking, starting or downloading the
/// resident program, then the row and Window tasks) and reaches the tuning screen, its bars
/// and this dialog through blocking queued calls. A whole-radio alignment runs the same way
/// on a thread of its own. Closing the dialog stops the job, serves its last calls (it
/// dekeys the transmitter) while waiting for it, and then ends the resident program.
class CAutoTunerDlg : public CFeatureScreen {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Automatic Tuning Interface";
    /// The limits file of the Radio button, read beside the program when it exists.
    static constexpr const char* kLimitsFile = "AlignmentLimits.txt";
    static constexpr const char* kAligning = "Aligning the radio, Please Wait";
    static constexpr const char* kStopping = "Stopping at the next reading, Please Wait";
    static constexpr const char* kTesting = "Testing the radio, Please Wait";
    /// Title of the report's print preview.
    static constexpr const char* kReportTitle = "Alignment Report";
    static constexpr const char* kTestReportTitle = "Test Report";

    CAutoTunerDlg(IScreenHost& host, CTunerDoc& doc);
    ~CAutoTunerDlg() override;

    /// The open dialog; null once it is gone. User-interface thread only.
    static CAutoTunerDlg* Current();

    /// The Slider and Window buttons.
    void OnSlider();
    void OnWindow();
    /// The Radio button: starts a whole-radio alignment, or stops the one under way at its
    /// next pass.
    void OnRadio();
    /// The Test button: measures every row as the radio holds it, changing nothing, and shows
    /// the report as Radio does; or stops the test under way.
    void OnTest();

    // What the tasks show, on the user-interface thread.
    /// The text of a target power field (3 High, 2 Mid, 1 Low), read when a row begins.
    std::string TargetText(int powerLevel) const;
    /// Slider state; during a Window run the status monitor keeps saying the screen is tuned.
    void ShowSliderState(bool inProgress);
    void ShowWindowState(bool windowRun);
    void ShowStatus(const std::string& text);
    void ShowProgress(const std::string& status, int done, int total);
    /// Progress of a whole-radio alignment: the feature and row, and rows done of all.
    void ShowRunProgress(const std::string& text, int done, int total);
    /// Moves the dialog below (or else above) a window it overlaps, within the desktop, so both
    /// stay in view: a tuning screen the alignment opened over it.
    void KeepClearOf(const QWidget& window);

    QLineEdit* TargetHighEdit() const { return m_targetHigh; }
    QLineEdit* TargetMidEdit() const { return m_targetMid; }
    QLineEdit* TargetLowEdit() const { return m_targetLow; }
    QLineEdit* ComPortEdit() const { return m_comPort; }
    QLineEdit* StatusEdit() const { return m_status; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* SliderButton() const { return m_slider; }
    QPushButton* RadioButton() const { return m_radio; }
    QPushButton* TestButton() const { return m_test; }
    /// "Align all rows": Radio aligns every row, not only those found out of tolerance.
    QCheckBox* AllRowsCheck() const { return m_allRows; }
    QPushButton* WindowButton() const { return m_window; }
    /// "Program failed features": the Radio button programs a feature with a failed row too.
    QCheckBox* ProgramFailedCheck() const { return m_programFailed; }
    /// The Radio button's search: 0 the fitting search (the default), 1 the secant one.
    QComboBox* RadioSearchChoice() const { return m_radioSearch; }
    CTestSetLink& Link() const { return *m_link; }
    CAutoTuneTasks& Tasks() const { return *m_tasks; }
    /// A job (resident program check, download, tuning, a whole-radio alignment up to its
    /// report) is under way.
    bool Busy() const;
    /// A whole-radio alignment has begun and its report is not yet saved and shown.
    bool Aligning() const { return m_alignThread.joinable(); }
    /// Where the last alignment's report was saved; empty before one was saved.
    const std::string& LastReportPath() const { return m_lastReportPath; }

    /// How long closing serves a running job before it gives up on its calls.
    static constexpr int kCloseWaitMs = 15000;

    void OnCommand(int id) override;
    void CloseForDataSet() override;
    /// The program is closing: the job stops and its last calls are served.
    void StopWork() override;

private:
    void BuildWidgets();
    /// The user-interface half of a job's end.
    void OnJobEnded();
    /// The checks before Slider or Window starts a job: a usable Com Port text, a tuning
    /// screen, the limits (which the tasks then judge rows by) and the power field the
    /// screen's feature uses. False (after a message) when something cannot be used.
    bool ReadyToStart();
    /// The Radio button's options from the dialog and the limits file; false (after a
    /// message) when they cannot be used.
    bool ReadAlignmentOptions(AlignmentOptions& options);
    /// The limits file beside the program when there is one, else the built-in limits; false
    /// after a message when the file cannot be used.
    bool LoadLimits(CAlignmentLimits& limits);
    /// A power field's watts (3 High, 2 Mid, 1 Low); false after a message naming the field.
    bool ReadTargetWatts(int powerLevel, double& watts);
    /// The tuning screens are driven exactly while a job or an alignment runs.
    void UpdateDrive();
    /// The widgets while an alignment runs (Radio reads "Stop Tuning") or not.
    void ShowRadioState(bool running);
    /// Starts a whole-radio run (the test alone when test is set) on its thread.
    void StartRun(bool test);
    /// The user-interface half of an alignment's end: the report into the tuning log (when the
    /// run could not write it), saved as CSV and, when preview is set, shown in print preview.
    void FinishAlignment(bool preview);
    /// The job thread still works (tasks or alignment); any thread.
    bool JobRunning() const;
    /// Stops the job, waits for it (serving its calls when pump is set), saves the report of an
    /// alignment it ended (when finish is set) and ends the resident program; once only.
    void ShutDown(bool pump, bool finish = true);

    std::unique_ptr<CUiInvoker> m_ui;
    std::unique_ptr<CTaskHost> m_taskHost;
    std::unique_ptr<CTestSetLink> m_link;
    std::unique_ptr<CDialogTuningView> m_view;
    std::unique_ptr<CAutoTuneTasks> m_tasks;
    // The whole-radio alignment: its face and run (made by the Radio button) and its thread.
    std::unique_ptr<CDialogAlignmentFace> m_face;
    std::unique_ptr<CRadioAlignment> m_alignment;
    std::thread m_alignThread;
    std::atomic<bool> m_bAligning{false};  ///< the alignment thread has not ended its run
    std::mutex m_reportMutex;
    std::optional<CAlignmentReport> m_report;  ///< the ended run's report, until it is saved
    std::string m_reportPath;                  ///< where the run under way saves its report
    std::string m_lastReportPath;

    QLineEdit* m_targetHigh = nullptr;
    QLineEdit* m_targetMid = nullptr;
    QLineEdit* m_targetLow = nullptr;
    QPushButton* m_slider = nullptr;
    QPushButton* m_radio = nullptr;
    QPushButton* m_window = nullptr;
    QPushButton* m_test = nullptr;
    QCheckBox* m_allRows = nullptr;
    bool m_bTestRun = false;  ///< the whole-radio run under way (or last) is a test
    QCheckBox* m_programFailed = nullptr;
    QComboBox* m_radioSearch = nullptr;
    QGroupBox* m_settings = nullptr;
    QLineEdit* m_comPort = nullptr;
    QLineEdit* m_status = nullptr;
    QProgressBar* m_progress = nullptr;

    bool m_bShutDown = false;
    bool m_bWindowJob = false;  ///< the job under way was started by the Window button
    QString m_progressText;     ///< the status line the last progress report showed
};
