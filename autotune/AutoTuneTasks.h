#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "autotune/AlignmentLimits.h"
#include "autotune/AutoResetEvent.h"
#include "autotune/TuningSearch.h"

class CTestSetLink;
class IAutoTuneView;
struct AutoTuneFeature;

/// The automatic tuning tasks behind the Slider and Window buttons, without a window.
///
/// A button starts a job on a thread of its own: it makes sure the resident program runs,
/// then tunes one row (Slider) or every shown row in turn (Window, which runs each row as a
/// row task and waits for it on the completion event). Everything the tasks do with the
/// tuning screen goes through the view; everything with the test set through the link. The
/// flags are atomic and may be set from any thread; a stop takes effect at the next pass of
/// the search, and the wait for a measurement reply looks at it too.
class CAutoTuneTasks {
public:
    static constexpr const char* kTuningSlider = "Tuning Slider, Please Wait";
    static constexpr const char* kTuningScreen = "Tuning Screen, Please Wait";
    static constexpr const char* kNoAnswer =
        "The HP8920B did not answer the measurement request. The transmitter is off and the "
        "tuning has stopped. Check that the test set is on, that its resident program runs and "
        "that its serial cable is connected.";
    static constexpr const char* kNoAnswerStatus =
        "The HP8920B did not answer; the tuning stopped.";
    static constexpr const char* kScreenGone = "The tuning screen was closed; the tuning stopped.";

    CAutoTuneTasks(CTestSetLink& link, IAutoTuneView& view);
    /// Stops and waits for a job that still runs.
    ~CAutoTuneTasks();
    CAutoTuneTasks(const CAutoTuneTasks&) = delete;
    CAutoTuneTasks& operator=(const CAutoTuneTasks&) = delete;

    /// The Slider button: while a job runs, stops the row being tuned (a Window run goes on
    /// with its next row); otherwise starts a job that tunes row (0 to 9).
    void Slider(int row);
    /// The Window button: while a job runs, stops it; otherwise starts a Window run.
    void Window();
    /// Ends whatever runs at its next step and gives up a download or start in progress.
    void StopAll();
    /// Waits for the job to end.
    void Join();
    /// A job is under way.
    bool Running() const { return m_bJobRunning; }
    /// Called on the job's thread as its last action.
    void SetJobEndHandler(std::function<void()> handler);
    /// The tolerances a row's final reading is judged by (and the fixed targets of the
    /// features without a target field); the built-in limits until set. Set before a job.
    void SetLimits(const CAlignmentLimits& limits);

    /// The same jobs on the calling thread (headless runs); false when the resident program
    /// could not be made to run.
    bool RunSliderJob(int row);
    bool RunWindowJob();

    /// Outcome of the last row tuned: its search result, empty when the row was not searched.
    std::optional<TuningSearchResult> LastRowResult() const;
    /// Rows (0-based) of the last Window run whose search did not settle on the target.
    std::vector<int> MissedRows() const;
    /// Every row the last job searched, with its result, in order.
    std::vector<std::pair<int, TuningSearchResult>> RowResults() const;

    // The flags, for the dialog's states and for tests.
    bool InProgress() const { return m_bInProgress; }
    bool WindowRun() const { return m_bWindowRun; }
    bool StopFlag() const { return m_bStop; }
    bool StopAllFlag() const { return m_bStopAll; }

private:
    void StartJob(std::function<void()> job);
    bool Ensure();
    void WindowTask();
    void RowTask(int row);
    bool StopRequested() const;
    std::optional<double> Measure(const AutoTuneFeature& feature, bool& noAnswer);

    CTestSetLink& m_link;
    IAutoTuneView& m_view;

    std::atomic<bool> m_bInProgress{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bStopAll{false};
    std::atomic<bool> m_bWindowRun{false};
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bJobRunning{false};
    CAutoResetEvent m_completion;

    mutable std::mutex m_mutex;
    std::thread m_job;
    std::function<void()> m_onJobEnd;
    std::optional<TuningSearchResult> m_lastResult;
    std::vector<int> m_missedRows;
    std::vector<std::pair<int, TuningSearchResult>> m_rowResults;
    CAlignmentLimits m_limits;
};
