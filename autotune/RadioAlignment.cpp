#include "autotune/RadioAlignment.h"

#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

#include "autotune/AlignmentFace.h"
#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/AutoTuneView.h"
#include "autotune/RadioVerification.h"
#include "autotune/TestSetLink.h"
#include "document/SaveValues.h"
#include "document/TunerDoc.h"

namespace {

bool RowInUse(int freq) {
    return freq > 0 && freq != kNotUsedFreq;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

/// The tuning screen as the row tasks see it during a whole-radio run: everything goes to the
/// open feature's view, except that the targets come from the limits and the tasks' own
/// states and status lines are kept here (the run shows its own progress).
class CRadioAlignment::RowView : public IAutoTuneView {
public:
    explicit RowView(const CAlignmentLimits& limits) : m_limits(limits) {}
    void SetInner(IAutoTuneView* inner) { m_inner = inner; }
    std::string TakeStatus() { return std::exchange(m_status, std::string()); }

    std::string ScreenTitle() override { return m_inner ? m_inner->ScreenTitle() : ""; }
    bool SelectRow(int row) override { return m_inner && m_inner->SelectRow(row); }
    int VisibleRowCount() override { return m_inner ? m_inner->VisibleRowCount() : 0; }
    bool RowEnabled(int row) override { return m_inner && m_inner->RowEnabled(row); }
    bool IsTransmitting() override { return m_inner && m_inner->IsTransmitting(); }
    bool PttToggle(int featureIndex) override {
        return m_inner && m_inner->PttToggle(featureIndex);
    }
    bool ChooseTone(bool high) override { return m_inner && m_inner->ChooseTone(high); }
    bool RangeLabels(int& lower, int& upper) override {
        return m_inner && m_inner->RangeLabels(lower, upper);
    }
    bool SliderPosition(int row, int& position) override {
        return m_inner && m_inner->SliderPosition(row, position);
    }
    bool MoveSlider(int row, int position) override {
        return m_inner && m_inner->MoveSlider(row, position);
    }
    double ReferenceFrequencyMHz(int row) override {
        return m_inner ? m_inner->ReferenceFrequencyMHz(row) : 0.0;
    }
    RadioRequests RadioState() override {
        if (m_inner)
            return m_inner->RadioState();
        RadioRequests gone;
        gone.linkLost = true;
        return gone;
    }
    std::string TargetPowerText(int powerLevel) override {
        return m_inner ? m_inner->TargetPowerText(powerLevel) : "";
    }
    void ShowSliderState(bool) override {}
    void ShowWindowState(bool) override {}
    void ShowStatus(const std::string& text) override { m_status = text; }
    void ShowProgress(const std::string& status, int done, int total) override {
        if (m_inner)
            m_inner->ShowProgress(status, done, total);
    }
    std::optional<double> TargetOverride(int featureIndex) override {
        return m_limits.For(featureIndex).target;
    }

private:
    const CAlignmentLimits& m_limits;
    IAutoTuneView* m_inner = nullptr;
    std::string m_status;
};

CRadioAlignment::CRadioAlignment(CTestSetLink& link, IAlignmentFace& face, AlignmentOptions options)
    : m_link(link), m_face(face), m_options(std::move(options)) {}

CRadioAlignment::~CRadioAlignment() = default;

bool CRadioAlignment::ParseFeatureList(const std::string& text,
                                       std::array<bool, CAlignmentLimits::kFeatures>& features,
                                       std::string& error) {
    std::array<bool, CAlignmentLimits::kFeatures> chosen{};
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        std::string name = text.substr(start, comma - start);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
            name.erase(name.begin());
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.pop_back();
        start = comma + 1;
        if (name.empty())
            continue;
        const std::string key = Lower(name);
        bool known = false;
        for (int i = 0; i < CAlignmentLimits::kFeatures; ++i) {
            const bool power = AutoTuneFeatures::ByIndex(i)->powerLevel > 0;
            if (key == Lower(CAlignmentLimits::Key(i)) || (key == "power" && power)) {
                chosen[i] = true;
                known = true;
            }
        }
        if (!known) {
            error = "unknown feature \"" + name +
                    "\" (refOsc, powerHigh, powerMid, powerLow, power, devBalance, devLimit)";
            return false;
        }
        any = true;
    }
    if (!any) {
        error = "the feature list is empty";
        return false;
    }
    features = chosen;
    return true;
}

void CRadioAlignment::Stop() {
    m_stop = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_tasks)
        m_tasks->StopAll();
}

CAlignmentReport CRadioAlignment::Run() {
    CAlignmentReport report;
    report.kind =
        m_options.testOnly ? CAlignmentReport::Kind::Test : CAlignmentReport::Kind::Alignment;
    report.date = CAlignmentReport::Now();
    report.station = m_options.station;

    // The plan: every chosen feature the radio has, with its rows in use.
    struct Planned {
        int index;
        std::array<int, 10> freqs{};
        std::array<int, 10> values{};
        std::vector<int> rows;
        std::size_t firstRow = 0;  ///< its first row in the report
    };
    std::vector<Planned> plan;
    const bool read = m_face.WithDataSet([&](CTunerDoc& doc) {
        report.modelNumber = doc.GetModelNumber();
        report.serialNumber = doc.GetSerialNumber();
        report.hostVersion = doc.GetHostVersion();
        report.dspVersion = doc.GetDspVersion();
        report.xpmVersion = doc.GetXpmSwVersion();
        report.tuningHwVersion = doc.GetTuningHwVersion();
        for (int i = 0; i < CAlignmentLimits::kFeatures; ++i) {
            const AutoTuneFeature& f = *AutoTuneFeatures::ByIndex(i);
            if (!m_options.features[i] || f.softpotType < 0 || f.softpotType >= kSoftpotTypes ||
                !doc.m_featurePresent[f.softpotType])
                continue;
            Planned p;
            p.index = i;
            doc.GetSavedValues(f.softpotType, f.powerLevel, p.freqs.data(), p.values.data());
            for (int r = 0; r < 10 && p.freqs[r] > 0; ++r)
                if (RowInUse(p.freqs[r]))
                    p.rows.push_back(r);
            if (!p.rows.empty())
                plan.push_back(p);
        }
    });
    if (!read) {
        report.stopped = true;
        report.stopReason = kScreenClosed;
    }
    for (Planned& p : plan) {
        const AutoTuneFeature& f = *AutoTuneFeatures::ByIndex(p.index);
        const CAlignmentLimits::Limit& limit = m_options.limits.For(p.index);
        p.firstRow = report.rows.size();
        for (int r : p.rows) {
            CAlignmentReport::Row row;
            row.feature = f.title;
            row.row = r + 1;
            row.freq = p.freqs[r];
            row.oldValue = p.values[r];
            row.newValue = p.values[r];
            row.target = limit.target;
            row.tolerance = limit.tolerance;
            row.unit = CAlignmentLimits::Unit(p.index);
            row.reason = "not tuned";
            report.rows.push_back(row);
        }
    }
    auto endRun = [&](const std::string& reason) {
        if (!report.stopped) {
            report.stopped = true;
            report.stopReason = reason;
        }
    };
    const int total = static_cast<int>(report.rows.size());
    // A test of every row, as found or as left; false when it was cut short.
    auto test = [&](CAlignmentReport::Check CAlignmentReport::Row::*check, const char* what) {
        std::vector<CAlignmentReport::Row*> rows;
        for (CAlignmentReport::Row& r : report.rows) rows.push_back(&r);
        m_face.ShowRunProgress(std::string("Testing the radio ") + what, 0, total);
        CRadioVerification verification(m_link, m_face, [this] { return m_stop.load(); });
        const std::string end = verification.Test(rows, check);
        if (!end.empty())
            endRun(end);
        return end.empty();
    };
    const bool verify = !m_options.testOnly && !m_options.alignOnly;
    std::vector<bool> needed(report.rows.size(), true);
    if ((m_options.testOnly || verify) && !report.stopped) {
        test(&CAlignmentReport::Row::found, m_options.testOnly ? "" : "as found");
        report.verified = verify;
        for (std::size_t k = 0; k < report.rows.size(); ++k) {
            CAlignmentReport::Row& r = report.rows[k];
            needed[k] = m_options.allRows || !r.found.pass;
            if (m_options.testOnly || !needed[k]) {
                r.pass = r.found.pass;
                r.reason = r.found.reason;
            }
        }
    }
    if (m_options.testOnly) {
        for (const Planned& p : plan)
            report.features.push_back({AutoTuneFeatures::ByIndex(p.index)->title, false, "tested"});
        m_face.ShowRunProgress(std::string("Test ") + (report.Passed() ? "passed" : "failed"),
                               total, total);
        m_face.AppendToTuningLog(report.LogText());
        return report;
    }
    bool anyNeeded = false;
    for (bool n : needed) anyNeeded = anyNeeded || n;

    RowView view(m_options.limits);
    CAutoTuneTasks tasks(m_link, view);
    tasks.SetLimits(m_options.limits);
    tasks.SetSearch(m_options.search);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks = &tasks;
        if (m_stop)
            tasks.StopAll();
    }

    int done = 0;
    int toAlign = 0;
    for (bool n : needed) toAlign += n ? 1 : 0;
    for (const Planned& p : plan) {
        const AutoTuneFeature& f = *AutoTuneFeatures::ByIndex(p.index);
        const std::size_t firstRow = p.firstRow;
        const std::size_t endRow = firstRow + p.rows.size();
        CAlignmentReport::Feature feature{f.title, false, "not programmed"};
        bool featureNeeded = false;
        for (std::size_t k = firstRow; k < endRow; ++k) featureNeeded = featureNeeded || needed[k];
        if (!featureNeeded) {
            // Every row was found within its limits: the feature is not touched.
            feature.note = "not aligned: within its limits as found";
            report.features.push_back(feature);
            continue;
        }
        if (m_stop)
            endRun(kStopped);
        if (report.stopped) {
            for (std::size_t k = firstRow; k < endRow; ++k)
                if (needed[k])
                    report.rows[k].reason = "not tuned: " + report.stopReason;
            feature.note = "not tuned";
            report.features.push_back(feature);
            continue;
        }

        IAutoTuneView* inner = m_face.OpenFeature(f.title);
        if (inner == nullptr) {
            endRun(std::string(f.title) + ": " + kNotOpened);
            for (std::size_t k = firstRow; k < endRow; ++k)
                if (needed[k])
                    report.rows[k].reason = std::string("not tuned: ") + kNotOpened;
            feature.note = "not tuned";
            report.features.push_back(feature);
            continue;
        }
        view.SetInner(inner);
        const int visible = inner->VisibleRowCount();
        bool featureCut = false;
        bool allPassed = true;
        for (std::size_t k = firstRow; k < endRow; ++k) {
            CAlignmentReport::Row& row = report.rows[k];
            if (!needed[k])
                continue;  // found within its limits: kept as it is
            row.aligned = true;
            const int r = row.row - 1;
            if (m_stop)
                endRun(kStopped);
            if (report.stopped || r >= visible) {
                row.reason = "not tuned: " +
                             (report.stopped ? report.stopReason : std::string(kScreenClosed));
                featureCut = featureCut || report.stopped;
                allPassed = false;
                continue;
            }
            char text[160];
            std::snprintf(text, sizeof text, "%s: row %d of %zu (%d of %d rows)", f.title,
                          static_cast<int>(k - firstRow) + 1, p.rows.size(), done + 1, toAlign);
            m_face.ShowRunProgress(text, done, toAlign);

            view.TakeStatus();
            const bool ran = tasks.RunSliderJob(r);
            const std::optional<RowOutcome> outcome = tasks.LastOutcome();
            ++done;
            if (outcome) {
                row.newValue = outcome->finalPosition;
                row.readings = outcome->readings;
                if (outcome->reading) {
                    // The report's reading is the one taken with the final value in the radio.
                    row.measured = true;
                    row.reading = *outcome->reading;
                }
            }

            std::string cut;
            if (!ran)
                cut = m_stop ? kStopped : kNoProgram;
            else if (!outcome)
                cut = kScreenClosed;
            else if (outcome->end == RowOutcome::End::NoAnswer)
                cut = kNoAnswer;
            else if (outcome->end == RowOutcome::End::ScreenGone)
                cut = kScreenClosed;
            else if (outcome->end == RowOutcome::End::LinkLost || m_face.RadioLost())
                cut = kRadioLost;
            else if (m_stop || outcome->end == RowOutcome::End::Stopped)
                cut = kStopped;

            if (!cut.empty()) {
                row.pass = false;
                row.reason = cut;
                endRun(cut);
                featureCut = true;
                allPassed = false;
                continue;
            }
            // A row passes only on its verdict; one that ended without a verdict fails with its
            // reason, and the run goes on with the next row.
            row.pass = outcome->end == RowOutcome::End::Judged && outcome->pass;
            row.reason = row.pass ? std::string() : outcome->reason;
            if (!row.pass && row.reason.empty())
                row.reason = "the reading is outside the tolerance";
            allPassed = allPassed && row.pass;
        }
        // Until the as-left test, a row aligned is left as its own final reading says.
        for (std::size_t k = firstRow; k < endRow; ++k) {
            CAlignmentReport::Row& row = report.rows[k];
            if (row.aligned)
                row.left = {row.measured, row.reading, row.pass, row.reason};
        }

        // The transmitter is off between features, whatever ended the rows.
        if (inner->IsTransmitting() && !m_face.RadioLost())
            inner->PttToggle(p.index);

        if (featureCut) {
            feature.note = "not programmed: " + report.stopReason;
        } else if (!m_options.program) {
            feature.note = "not programmed: programming was not asked for";
        } else if (!allPassed && !m_options.programFailed) {
            feature.note = "not programmed: a row failed";
        } else {
            const IAutoTuneView::RadioRequests before = inner->RadioState();
            if (m_face.ProgramFeature()) {
                feature.programmed = true;
                feature.note = allPassed ? "programmed" : "programmed with failed rows";
            } else {
                feature.programFailed = true;
                const IAutoTuneView::RadioRequests after = inner->RadioState();
                if (m_face.RadioLost()) {
                    feature.note = std::string("not programmed: ") + kRadioLost;
                    endRun(kRadioLost);
                } else if (after.failures != before.failures && after.lastRefused) {
                    // The radio said no to this feature only: the link stays, the run goes on.
                    std::string why = after.lastRefusal;
                    while (!why.empty() && why.back() == '.') why.pop_back();
                    feature.note = "not programmed: " + why;
                } else {
                    feature.note = "not programmed: programming failed";
                }
            }
        }
        m_face.CloseFeature();
        view.SetInner(nullptr);
        report.features.push_back(feature);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks = nullptr;
    }
    if (verify && anyNeeded && !report.stopped) {
        // As left: every row again, each judged on this reading.
        report.leftTested = true;
        test(&CAlignmentReport::Row::left, "as left");
        for (CAlignmentReport::Row& r : report.rows) {
            const std::string aligning = r.aligned && !r.pass ? r.reason : std::string();
            r.pass = r.left.pass;
            r.reason = r.left.reason;
            if (!r.pass && !aligning.empty() && aligning != r.reason)
                r.reason += (r.reason.empty() ? "" : "; alignment: ") + aligning;
        }
    }
    m_face.ShowRunProgress(std::string("Alignment ") + (report.Passed() ? "passed" : "failed"),
                           done, toAlign);
    m_face.AppendToTuningLog(report.LogText());
    return report;
}
