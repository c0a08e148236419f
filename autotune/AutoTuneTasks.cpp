#include "autotune/AutoTuneTasks.h"

#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneView.h"
#include "autotune/ResidentProgram.h"
#include "autotune/TestSetLink.h"
#include "radio/Host.h"
#include "radio/NumberText.h"

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
        m_bStop = true;
        m_bInProgress = false;
        return;
    }
    StartJob([this, row] { RunSliderJob(row); });
}

void CAutoTuneTasks::Window() {
    if (m_bJobRunning) {
        m_bStop = true;
        m_bStopAll = true;
        m_bInProgress = false;
        m_bWindowRun = false;
        return;
    }
    StartJob([this] { RunWindowJob(); });
}

void CAutoTuneTasks::StopAll() {
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

std::optional<TuningSearchResult> CAutoTuneTasks::LastRowResult() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastResult;
}

std::vector<int> CAutoTuneTasks::MissedRows() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_missedRows;
}

std::vector<std::pair<int, TuningSearchResult>> CAutoTuneTasks::RowResults() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rowResults;
}

bool CAutoTuneTasks::StopRequested() const {
    return m_bStop || m_bStopAll || m_bCancel;
}

bool CAutoTuneTasks::Ensure() {
    ResidentProgram::Progress progress;
    progress.report = [this](const std::string& status, int done, int total) {
        m_view.ShowProgress(status, done, total);
    };
    progress.cancelled = [this] { return m_bCancel.load(); };
    return ResidentProgram::EnsureResidentProgram(m_link, progress) && !m_bCancel;
}

bool CAutoTuneTasks::RunSliderJob(int row) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_missedRows.clear();
        m_rowResults.clear();
    }
    if (!Ensure())
        return false;
    m_bStop = false;
    m_bInProgress = true;
    RowTask(row);
    return true;
}

bool CAutoTuneTasks::RunWindowJob() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_missedRows.clear();
        m_rowResults.clear();
    }
    if (!Ensure())
        return false;
    m_bStop = false;
    m_bStopAll = false;
    m_bInProgress = true;
    m_bWindowRun = true;
    WindowTask();
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
    std::vector<int> missed = MissedRows();
    if (!missed.empty() && !m_bCancel) {
        std::string text = missed.size() == 1 ? "Row " : "Rows ";
        for (std::size_t i = 0; i < missed.size(); ++i) {
            if (i > 0)
                text += ", ";
            text += std::to_string(missed[i] + 1);
        }
        text += missed.size() == 1 ? " did not reach its target." : " did not reach their targets.";
        m_view.ShowStatus(text);
    }
}

std::optional<double> CAutoTuneTasks::Measure(const AutoTuneFeature& feature, bool& noAnswer) {
    const TestSetReading r =
        m_link.RequestMeasurement(feature.manual, [this] { return StopRequested(); });
    if (r.status == ReplyStatus::NoAnswer) {
        noAnswer = true;
        return std::nullopt;
    }
    if (r.status == ReplyStatus::Stopped)
        return std::nullopt;
    const std::string& field = feature.field == 1   ? r.field1
                               : feature.field == 2 ? r.field2
                                                    : r.field3;
    double value = 0.0;
    return NumberText::ParseDouble(field, value) ? std::optional<double>(value) : std::nullopt;
}

void CAutoTuneTasks::RowTask(int row) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastResult.reset();
    }
    bool screenGone = !m_view.SelectRow(row);
    const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(m_view.ScreenTitle());
    if (!feature) {
        m_bInProgress = false;
        if (screenGone) {
            m_bStopAll = true;
            m_view.ShowStatus(kScreenGone);
        }
        m_completion.Set();
        return;
    }

    // Key the transmitter (the row task never leaves it keyed).
    if (!m_view.IsTransmitting())
        m_view.PttToggle(feature->index);
    m_view.ShowSliderState(m_bInProgress);

    bool noAnswer = false;
    double target = feature->fixedTarget;
    switch (feature->index) {
        case AutoTuneFeatures::kReferenceOscillator:
            m_link.SetAnalyzerFrequency(m_view.ReferenceFrequencyMHz());
            break;
        case AutoTuneFeatures::kTxDeviationBalance:
            // The low tone's reading is taken as the tuner always has; it does not enter the
            // target. The search then runs on the high tone.
            screenGone = screenGone || !m_view.ChooseTone(false);
            if (!screenGone)
                Measure(*feature, noAnswer);
            screenGone = screenGone || !m_view.ChooseTone(true);
            break;
        default:
            if (feature->powerLevel > 0) {
                std::string why;
                AutoTuneFeatures::ParseTargetWatts(m_view.TargetPowerText(feature->powerLevel),
                                                   target, why);
            }
            break;
    }
    if (const std::optional<double> t = m_view.TargetOverride(feature->index))
        target = *t;

    std::optional<TuningSearchResult> result;
    int lower = 0, upper = 0;
    if (!noAnswer && !screenGone && !StopRequested() && m_view.RangeLabels(lower, upper)) {
        TuningSearch search;
        search.target = target;
        search.lower = lower;
        search.upper = upper;
        result = search.Run(
            [&]() -> std::optional<double> {
                if (screenGone)
                    return std::nullopt;
                return Measure(*feature, noAnswer);
            },
            [&](std::optional<int> position) {
                if (position && !m_view.MoveSlider(row, *position))
                    screenGone = true;
                int p = position.value_or(0);
                if (!m_view.SliderPosition(row, p))
                    screenGone = true;
                return p;
            },
            [this] { return StopRequested(); });
        if (result->end == SearchEnd::NoReading && !noAnswer && !screenGone)
            result->end = SearchEnd::Stopped;
    } else if (!noAnswer && !StopRequested()) {
        screenGone = true;
    }

    m_bInProgress = false;
    if (!screenGone && m_view.IsTransmitting())
        m_view.PttToggle(feature->index);
    m_view.ShowSliderState(false);

    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastResult = result;
        if (result)
            m_rowResults.emplace_back(row, *result);
        if (result && !result->ReachedTarget() && result->end != SearchEnd::Stopped && !noAnswer &&
            !screenGone)
            m_missedRows.push_back(row);
    }
    if (noAnswer) {
        m_bStopAll = true;
        m_bWindowRun = false;
        m_view.ShowStatus(kNoAnswerStatus);
        m_link.Host().ShowMessage(kNoAnswer, MsgIcon::Stop, MsgButtons::Ok);
    } else if (screenGone) {
        m_bStopAll = true;
        m_bWindowRun = false;
        m_view.ShowStatus(kScreenGone);
    } else if (result) {
        const std::string text = DescribeSearchEnd(row, *result, target);
        if (!text.empty())
            m_view.ShowStatus(text);
    }
    m_completion.Set();
}
