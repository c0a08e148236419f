#pragma once

#include <array>
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
#include "autotune/RowOutcome.h"
#include "autotune/TuningSearch.h"

class CTestSetLink;
class IAutoTuneView;

/// Which search a row task runs: the secant search (Slider, Window) or the fitting
/// search of whole-radio runs.
enum class SearchKind { Secant, Fit };

/// The automatic tuning tasks behind the Slider and Window buttons, without a window.
///
/// A button starts a job on a thread of its own: it makes sure the resident program runs,
/// then tunes one row (Slider) or every shown row in turn (Window, which runs each row as a
/// row task and waits for it on the completion event). Everything the tasks do with the
/// tuning screen goes through the view; everything with the test set through the link. The
/// flags are atomic and may be set from any thread; a stop takes effect at the next pass of
/// the search, and the wait for a measurement reply looks at it too.
///
/// A row is judged only on readings that were validated (CMeasurement): a reply that is
/// incorrect, a field that is no number or out of range, an analyzer that could not be set, a
/// transmitter that did not key or a live value the radio refused ends the row with the
/// reason, and its slider goes back to where the row began. A row that ran its search gets a
/// last reading with its final value in the radio when the search ended right after a step;
/// that reading is the row's, and PASS means it lies within the limits' tolerance of the
/// target. At the end of each row the status monitor says how it ended, and a Window run ends
/// with a summary.
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
    static constexpr const char* kStopped = "Stopped";
    // Why rows end without a verdict.
    static constexpr const char* kNoCts =
        "the HP8920B did not answer the frequency code with CTS, so its analyzer frequency is "
        "not set";
    static constexpr const char* kNotKeyed = "the radio refused to transmit";
    static constexpr const char* kDidNotKey = "the transmitter did not key";
    static constexpr const char* kLinkLost = "the radio link failed";
    static constexpr const char* kScreenClosed = "the tuning screen was closed";
    static constexpr const char* kNoFeature = "the screen is no feature automatic tuning knows";

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
    /// The tolerances a row's final reading is judged by; the built-in limits until set. Set
    /// before a job.
    void SetLimits(const CAlignmentLimits& limits);
    /// The search the rows run (the secant one until set). The fitting search carries the
    /// slope it learnt on a row to the next row of the same feature; setting the search
    /// forgets what was learnt.
    void SetSearch(SearchKind kind);

    /// The same jobs on the calling thread (headless runs); false when the resident program
    /// could not be made to run.
    bool RunSliderJob(int row);
    bool RunWindowJob();

    /// How the last row of the last job ended; empty when no row task ran.
    std::optional<RowOutcome> LastOutcome() const;
    /// Every row the last job went through, in order.
    std::vector<RowOutcome> Outcomes() const;
    /// Every row the last job searched, with its search result, in order.
    std::vector<std::pair<int, TuningSearchResult>> RowResults() const;

    // The flags, for the dialog's states and for tests.
    bool InProgress() const { return m_bInProgress; }
    bool WindowRun() const { return m_bWindowRun; }
    bool StopFlag() const { return m_bStop; }
    bool StopAllFlag() const { return m_bStopAll; }

private:
    class Row;

    void StartJob(std::function<void()> job);
    bool Ensure();
    void BeginJob();
    void EndJob(bool window);
    void WindowTask();
    void RowTask(int row);
    bool StopRequested() const;

    CTestSetLink& m_link;
    IAutoTuneView& m_view;

    std::atomic<bool> m_bInProgress{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bStopAll{false};
    std::atomic<bool> m_bWindowRun{false};
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bJobRunning{false};
    std::atomic<bool> m_bStoppedByUser{false};
    CAutoResetEvent m_completion;

    mutable std::mutex m_mutex;
    std::thread m_job;
    std::function<void()> m_onJobEnd;
    std::vector<RowOutcome> m_outcomes;
    CAlignmentLimits m_limits;
    SearchKind m_search = SearchKind::Secant;
    std::array<double, CAlignmentLimits::kFeatures> m_slopes{};  ///< learnt; 0 unknown
};
