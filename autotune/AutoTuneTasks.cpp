#include "autotune/AutoTuneTasks.h"

#include <cmath>
#include <cstdio>

#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneView.h"
#include "autotune/FitSearch.h"
#include "autotune/Measurement.h"
#include "autotune/ResidentProgram.h"
#include "autotune/TestSetLink.h"
#include "radio/Host.h"
#include "radio/RadioCommands.h"

namespace {

/// A message as a clause of a longer line: "The radio refused to transmit (reply status
/// 02)." becomes "the radio refused to transmit (reply status 02)".
std::string Clause(std::string text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && !(text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}  // namespace

/// One row task: the row's state from the selection to the verdict, and the steps that read
/// and move it on the view. Every reading goes through CMeasurement; every move is checked
/// against the radio's answer.
class CAutoTuneTasks::Row {
public:
    Row(CAutoTuneTasks& tasks, int row) : m_tasks(tasks), m_view(tasks.m_view) { o.row = row; }

    RowOutcome o;
    const AutoTuneFeature* feature = nullptr;

    /// Ends the row without a verdict.
    void End(RowOutcome::End end, const std::string& reason) {
        if (o.end != RowOutcome::End::NotAFeature && o.end != RowOutcome::End::Judged)
            return;  // the first reason stands
        o.end = end;
        o.reason = reason;
    }
    bool Ended() const { return m_ended; }
    void MarkEnded() { m_ended = true; }

    /// A validated reading of the row's quantity, or nothing (the row then has ended).
    std::optional<double> Measure() {
        ++o.readings;
        const TestSetReading r =
            m_tasks.m_link.RequestMeasurement(feature->manual, [this] { return Stop(); });
        std::string why;
        const std::optional<CMeasurement> m =
            CMeasurement::FromReply(r, AutoTuneFeatures::QuantityOf(*feature), why);
        if (m)
            return m->Value();
        if (r.status == ReplyStatus::NoAnswer)
            Finish(RowOutcome::End::NoAnswer, why);
        else if (r.status == ReplyStatus::Stopped)
            Finish(RowOutcome::End::Stopped, "stopped");
        else
            Finish(RowOutcome::End::BadReading, why);
        return std::nullopt;
    }

    /// Moves the slider and checks that the radio took the value; false when the row ended.
    bool Move(int position) {
        if (!m_view.MoveSlider(o.row, position)) {
            Finish(RowOutcome::End::ScreenGone, kScreenClosed);
            return false;
        }
        return CheckRadio();
    }

    /// The slider's position (the last known one when the screen has gone).
    int Position() {
        int p = o.finalPosition;
        if (!m_view.SliderPosition(o.row, p))
            Finish(RowOutcome::End::ScreenGone, kScreenClosed);
        o.finalPosition = p;
        return p;
    }

    /// Looks at the radio's answers since the row began; false when a request failed (the
    /// row has then ended with the reason).
    bool CheckRadio() {
        const IAutoTuneView::RadioRequests now = m_view.RadioState();
        if (now.linkLost) {
            Finish(RowOutcome::End::LinkLost, kLinkLost);
            return false;
        }
        if (now.failures != m_radio.failures) {
            m_radio = now;
            Finish(RowOutcome::End::Refused, now.lastRefused && !now.lastRefusal.empty()
                                                 ? Clause(now.lastRefusal)
                                                 : "the radio did not take a request");
            return false;
        }
        return true;
    }

    void StartRadioWatch() { m_radio = m_view.RadioState(); }

    /// A stop was asked for, or the row has ended.
    bool Stop() const { return m_ended || m_tasks.StopRequested(); }

    void Finish(RowOutcome::End end, const std::string& reason) {
        End(end, reason);
        m_ended = true;
    }

private:
    CAutoTuneTasks& m_tasks;
    IAutoTuneView& m_view;
    IAutoTuneView::RadioRequests m_radio;
    bool m_ended = false;
};

CAutoTuneTasks::CAutoTuneTasks(CTestSetLink& link, IAutoTuneView& view)
    : m_link(link), m_view(view) {}

CAutoTuneTasks::~CAutoTuneTasks() {
    StopAll();
    Join();
}

void CAutoTuneTasks::SetJobEndHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onJobEnd = std::move(handler);
}

void CAutoTuneTasks::SetLimits(const CAlignmentLimits& limits) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limits = limits;
}

void CAutoTuneTasks::SetSearch(SearchKind kind) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_search = kind;
    m_slopes.fill(0.0);
}

void CAutoTuneTasks::StartJob(std::function<void()> job) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_job.joinable())
        m_job.join();  // the previous job has ended; its thread is only returning
    m_bCancel = false;
    m_bJobRunning = true;
    m_job = std::thread([this, job = std::move(job)] {
        job();
        std::function<void()> onEnd;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            onEnd = m_onJobEnd;
        }
        m_bJobRunning = false;
        if (onEnd)
            onEnd();
    });
}

void CAutoTuneTasks::Slider(int row) {
    if (m_bJobRunning) {
        // Stop Tuning: the row ends at its next pass; a Window run goes on with the next row.
        m_bStoppedByUser = true;
        m_bStop = true;
        m_bInProgress = false;
        return;
    }
    // Cleared here, before the job exists, so that a stop right after the start is kept.
    m_bStop = false;
    m_bStopAll = false;
    m_bStoppedByUser = false;
    StartJob([this, row] { RunSliderJob(row); });
}

void CAutoTuneTasks::Window() {
    if (m_bJobRunning) {
        m_bStoppedByUser = true;
        m_bStop = true;
        m_bStopAll = true;
        m_bInProgress = false;
        m_bWindowRun = false;
        return;
    }
    m_bStop = false;
    m_bStopAll = false;
    m_bStoppedByUser = false;
    StartJob([this] { RunWindowJob(); });
}

void CAutoTuneTasks::StopAll() {
    m_bStoppedByUser = true;
    m_bCancel = true;
    m_bStop = true;
    m_bStopAll = true;
}

void CAutoTuneTasks::Join() {
    std::thread job;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        job.swap(m_job);
    }
    if (job.joinable())
        job.join();
}

std::optional<RowOutcome> CAutoTuneTasks::LastOutcome() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_outcomes.empty())
        return std::nullopt;
    return m_outcomes.back();
}

std::vector<RowOutcome> CAutoTuneTasks::Outcomes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outcomes;
}

std::vector<std::pair<int, TuningSearchResult>> CAutoTuneTasks::RowResults() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<int, TuningSearchResult>> results;
    for (const RowOutcome& o : m_outcomes)
        if (o.search)
            results.emplace_back(o.row, *o.search);
    return results;
}

bool CAutoTuneTasks::StopRequested() const {
    return m_bStop || m_bStopAll || m_bCancel;
}

bool CAutoTuneTasks::Ensure() {
    ResidentProgram::Progress progress;
    progress.report = [this](const std::string& status, int done, int total) {
        m_view.ShowProgress(status, done, total);
    };
    progress.cancelled = [this] { return StopRequested(); };
    return ResidentProgram::EnsureResidentProgram(m_link, progress) && !StopRequested();
}

void CAutoTuneTasks::BeginJob() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outcomes.clear();
}

void CAutoTuneTasks::EndJob(bool window) {
    const std::vector<RowOutcome> outcomes = Outcomes();
    bool cut = false;
    int judged = 0, passed = 0;
    std::string failed;
    for (const RowOutcome& o : outcomes) {
        cut = cut || o.EndsRun();
        if (o.end == RowOutcome::End::Stopped || o.end == RowOutcome::End::NotAFeature)
            continue;
        ++judged;
        if (o.pass) {
            ++passed;
        } else {
            failed += (failed.empty() ? "" : ", ") + std::to_string(o.row + 1);
        }
    }
    if (cut || m_bCancel)
        return;  // the reason is on the monitor already (or the dialog is closing)
    std::string summary;
    if (window && judged > 0) {
        summary = "Window: " + std::to_string(passed) + " of " + std::to_string(judged) +
                  (judged == 1 ? " row" : " rows") + " within tolerance";
        if (!failed.empty())
            summary += (failed.find(',') == std::string::npos ? "; row " : "; rows ") + failed +
                       (failed.find(',') == std::string::npos ? " is not" : " are not");
    }
    if (m_bStoppedByUser)
        m_view.ShowStatus(summary.empty() ? std::string(kStopped)
                                          : std::string(kStopped) + ". " + summary);
    else if (!summary.empty())
        m_view.ShowStatus(summary);
}

bool CAutoTuneTasks::RunSliderJob(int row) {
    BeginJob();
    if (!Ensure()) {
        EndJob(false);
        return false;
    }
    m_bInProgress = true;
    RowTask(row);
    EndJob(false);
    return true;
}

bool CAutoTuneTasks::RunWindowJob() {
    BeginJob();
    if (!Ensure()) {
        EndJob(true);
        return false;
    }
    m_bInProgress = true;
    m_bWindowRun = true;
    WindowTask();
    EndJob(true);
    return true;
}

void CAutoTuneTasks::WindowTask() {
    m_view.ShowWindowState(m_bWindowRun);
    const int rows = m_view.VisibleRowCount();
    for (int row = 0; row < rows; ++row) {
        if (m_bStopAll || m_bCancel)
            break;
        if (!m_view.RowEnabled(row))
            continue;
        m_bStop = false;  // a Slider stop ended only the row before
        m_bInProgress = true;
        m_bWindowRun = true;
        // The event is cleared before the row task exists, so its signal cannot be lost
        // whether it comes before or after the wait begins.
        m_completion.Reset();
        std::thread task([this, row] { RowTask(row); });
        m_completion.Wait();
        task.join();
    }
    m_bWindowRun = false;
    m_view.ShowWindowState(false);
}

void CAutoTuneTasks::RowTask(int row) {
    Row r(*this, row);
    RowOutcome& o = r.o;
    r.StartRadioWatch();  // every radio request of the row counts from here
    const bool selected = m_view.SelectRow(row);
    r.feature = AutoTuneFeatures::ByTitle(m_view.ScreenTitle());
    if (!r.feature || !selected) {
        m_bInProgress = false;
        if (!selected) {
            m_bStopAll = true;
            o.end = RowOutcome::End::ScreenGone;
            o.reason = kScreenClosed;
            m_view.ShowStatus(kScreenGone);
        } else {
            o.reason = kNoFeature;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_outcomes.push_back(o);
        }
        m_completion.Set();
        return;
    }
    const AutoTuneFeature& feature = *r.feature;
    o.end = RowOutcome::End::Judged;  // until something ends the row
    o.unit = CAlignmentLimits::Unit(feature.index);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        o.tolerance = m_limits.For(feature.index).tolerance;
    }
    o.startPosition = r.Position();

    // The target first: a row without a usable one keys nothing.
    o.target = feature.fixedTarget;
    if (feature.powerLevel > 0) {
        std::string why;
        static const char* const kFields[] = {"", "Target Low Power", "Target Mid Power",
                                              "Target High Power"};
        if (!AutoTuneFeatures::ParseTargetWatts(m_view.TargetPowerText(feature.powerLevel),
                                                o.target, why))
            r.Finish(RowOutcome::End::BadTarget,
                     std::string(kFields[feature.powerLevel]) + ": " + why);
    }
    if (const std::optional<double> t = m_view.TargetOverride(feature.index))
        o.target = *t;

    // Key the transmitter (the row task never leaves it keyed), and make sure it keyed.
    if (!r.Ended() && !m_view.IsTransmitting())
        m_view.PttToggle(feature.index);
    m_view.ShowSliderState(m_bInProgress);
    auto keyed = [&] {
        if (m_view.IsTransmitting())
            return r.CheckRadio();  // keyed, and every value sent with it was taken
        const IAutoTuneView::RadioRequests now = m_view.RadioState();
        if (now.linkLost)
            r.Finish(RowOutcome::End::LinkLost, kLinkLost);
        else if (now.lastRefused && now.lastRefusal.rfind(kRefusedToTransmit, 0) == 0)
            r.Finish(RowOutcome::End::NotKeyed, Clause(now.lastRefusal));
        else
            r.Finish(RowOutcome::End::NotKeyed, kDidNotKey);
        return false;
    };
    if (!r.Ended())
        keyed();

    if (!r.Ended()) {
        switch (feature.index) {
            case AutoTuneFeatures::kReferenceOscillator:
                if (!m_link.SetAnalyzerFrequency(m_view.ReferenceFrequencyMHz(r.o.row)))
                    r.Finish(RowOutcome::End::NotSet, kNoCts);
                break;
            case AutoTuneFeatures::kTxDeviationBalance:
                // The low tone's reading is taken as the tuner always has; it does not enter
                // the target, but it must be a reading. The search then runs on the high tone.
                if (!m_view.ChooseTone(false))
                    r.Finish(RowOutcome::End::ScreenGone, kScreenClosed);
                if (!r.Ended() && keyed())
                    r.Measure();
                if (!r.Ended() && !m_view.ChooseTone(true))
                    r.Finish(RowOutcome::End::ScreenGone, kScreenClosed);
                if (!r.Ended())
                    keyed();
                break;
            default:
                break;
        }
    }

    int lower = 0, upper = 0;
    if (!r.Ended() && StopRequested())
        r.Finish(RowOutcome::End::Stopped, "stopped");
    if (!r.Ended() && !m_view.RangeLabels(lower, upper))
        r.Finish(RowOutcome::End::ScreenGone, kScreenClosed);
    if (!r.Ended()) {
        const TuningSearch::Measure measure = [&]() -> std::optional<double> {
            return r.Ended() ? std::nullopt : r.Measure();
        };
        const TuningSearch::MoveAndReadBack move = [&](std::optional<int> position) {
            if (position && !r.Ended())
                r.Move(*position);
            return r.Ended() ? o.finalPosition : r.Position();
        };
        const TuningSearch::Stop stop = [&] { return r.Stop(); };
        SearchKind kind;
        double learnt = 0.0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            kind = m_search;
            learnt = m_slopes[feature.index];
        }
        TuningSearchResult result;
        if (kind == SearchKind::Fit) {
            FitSearch search;
            search.target = o.target;
            search.tolerance = o.tolerance;
            search.lower = lower;
            search.upper = upper;
            search.priorSlope =
                learnt != 0.0 ? learnt : AutoTuneFeatures::TypicalSlope(feature, upper);
            search.priorSpread =
                learnt != 0.0 ? FitSearch::kLearntSpread : FitSearch::kGuessSpread;
            search.noise = AutoTuneFeatures::TypicalNoise(feature);
            result = search.Run(measure, move, stop);
            // Only a slope the row's readings showed is handed on; a row that did not settle
            // leaves the guess it began with, which stays a guess.
            if (result.end == SearchEnd::Settled && result.slope != search.priorSlope &&
                result.slope != 0.0 && std::isfinite(result.slope)) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_slopes[feature.index] = result.slope;
            }
        } else {
            TuningSearch search;
            search.target = o.target;
            search.lower = lower;
            search.upper = upper;
            result = search.Run(measure, move, stop);
        }
        o.search = result;
        if (!r.Ended() && result.end == SearchEnd::Stopped)
            r.Finish(RowOutcome::End::Stopped, "stopped");
        if (!r.Ended()) {
            // The verdict comes from a reading with the final value in the radio.
            std::optional<double> final = result.reading;
            if (!result.readingAtFinal)
                final = r.Measure();
            if (final && !r.Ended()) {
                o.reading = final;
                r.Position();
                o.pass = std::isfinite(*final) && std::fabs(*final - o.target) <= o.tolerance;
                if (!o.pass) {
                    o.reason = "the reading is outside the tolerance";
                    const std::string why = SearchEndReason(result);
                    if (!why.empty())
                        o.reason += "; " + why;
                }
            }
        }
    }

    // A row that ended without a verdict keeps no value that no reading stands for.
    const bool restore = o.end == RowOutcome::End::BadReading || o.end == RowOutcome::End::NotSet ||
                         o.end == RowOutcome::End::NotKeyed || o.end == RowOutcome::End::BadTarget;
    if (restore && o.finalPosition != o.startPosition &&
        m_view.MoveSlider(o.row, o.startPosition)) {
        o.restored = true;
        o.finalPosition = o.startPosition;
    }

    m_bInProgress = false;
    if (o.end != RowOutcome::End::ScreenGone && m_view.IsTransmitting())
        m_view.PttToggle(feature.index);
    m_view.ShowSliderState(false);

    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_outcomes.push_back(o);
    }
    switch (o.end) {
        case RowOutcome::End::NoAnswer:
            m_bStopAll = true;
            m_bWindowRun = false;
            m_view.ShowStatus(kNoAnswerStatus);
            m_link.Host().ShowMessage(kNoAnswer, MsgIcon::Stop, MsgButtons::Ok);
            break;
        case RowOutcome::End::ScreenGone:
            m_bStopAll = true;
            m_bWindowRun = false;
            m_view.ShowStatus(kScreenGone);
            break;
        case RowOutcome::End::LinkLost:
            m_bStopAll = true;
            m_bWindowRun = false;
            m_view.ShowStatus(o.StatusLine());
            break;
        default:
            m_view.ShowStatus(o.StatusLine());
            break;
    }
    m_completion.Set();
}
