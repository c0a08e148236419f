#include "WholeRadioRun.h"

#include <algorithm>
#include <array>
#include <functional>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "autotune/AlignmentLimits.h"
#include "autotune/AutoTuneFeatures.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "autotune/RadioAlignment.h"
#include "autotune/RadioTuningView.h"
#include "autotune/TestSetLink.h"
#include "autotune/TestSetPort.h"
#include "bench/Bench.h"
#include "bench/BestValues.h"
#include "bench/RadioProfile.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "radio/SoftpotField.h"
#include "support/RecordingHost.h"

namespace {

constexpr double kTestSetByteS = 10.0 / 19200.0;
constexpr double kRadioByteS = 10.0 / 9600.0;
/// How long the simulated HP8920B measures after it took a measurement code.
constexpr double kMeasuringS = 0.120;
/// Test-set bytes of one automatic measurement: the code and CR, the reply's "C" and the 58
/// bytes after it, and the poll that ends it. A manual one reads the reply it sends twice.
constexpr int kAutomaticReadingBytes = 2 + 59 + 1;
constexpr int kManualReadingBytes = 2 + 59 + 59 + 1;
/// Radio wire bytes of a live value: the request (sync, length, "0001 02 tt", the value,
/// checksum) and the reply "00 01 00" in its frame.
int LiveValueBytes(int valueWidth) {
    return 1 + 2 + 4 + valueWidth + 1 + (1 + 2 + 3 + 1);
}

/// The measurement codes sent over the test-set port so far, so that the radio can live in
/// the run's modelled time (its power amplifier warms while keyed).
struct PortCounts {
    std::atomic<std::uint64_t> codes{0};

    /// Modelled milliseconds of the readings so far: their measuring and wire time. Counted
    /// by code rather than by byte, so that the polls a read happens to see do not move the
    /// radio's clock and a case runs the same every time.
    std::int64_t ModelledMs() const {
        return static_cast<std::int64_t>(
            codes.load() * (kMeasuringS + kAutomaticReadingBytes * kTestSetByteS) * 1000.0);
    }
};

/// The test-set port of the run, counting the measurement codes it carries.
class CCountingPort : public ITestSetPort {
public:
    CCountingPort(std::unique_ptr<ITestSetPort> inner, PortCounts& counts)
        : m_inner(std::move(inner)), m_counts(counts) {}

    int Open(const std::string& device, int& error) override {
        return m_inner->Open(device, error);
    }
    std::string OpenRefusal() const override { return m_inner->OpenRefusal(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    std::size_t Write(const std::string& bytes) override {
        const std::size_t n = m_inner->Write(bytes);
        if (n == bytes.size() && (bytes == "3\r" || bytes == "4\r"))
            ++m_counts.codes;
        return n;
    }
    std::string Read(std::size_t n, int interByteMs, int totalMs) override {
        return m_inner->Read(n, interByteMs, totalMs);
    }
    void PurgeInput() override { m_inner->PurgeInput(); }
    void Close() override { m_inner->Close(); }
    std::int64_t NowMs() override { return m_inner->NowMs(); }

private:
    std::unique_ptr<ITestSetPort> m_inner;
    PortCounts& m_counts;
};

/// The command line's headless face, with every row of a feature moved to one end of the
/// tuning range as its screen opens (sent to the radio as each row is selected).
class CStartingFace : public IAlignmentFace {
public:
    CStartingFace(CHeadlessAlignmentFace& inner, RunStart start) : m_inner(inner), m_start(start) {}

    bool WithDataSet(const std::function<void(CTunerDoc& doc)>& work) override {
        return m_inner.WithDataSet(work);
    }
    IAutoTuneView* OpenFeature(const std::string& title) override {
        IAutoTuneView* view = m_inner.OpenFeature(title);
        auto* screen = dynamic_cast<CRadioTuningView*>(view);
        if (screen != nullptr && m_start != RunStart::Profile) {
            std::array<int, CRadioTuningView::kRows> values{};
            values.fill(m_start == RunStart::Top ? screen->MaxValue() : 0);
            screen->SetPositions(values);
        }
        return view;
    }
    bool ProgramFeature() override { return m_inner.ProgramFeature(); }
    void CloseFeature() override { m_inner.CloseFeature(); }
    bool RadioLost() override { return m_inner.RadioLost(); }
    void ShowRunProgress(const std::string& text, int done, int total) override {
        m_inner.ShowRunProgress(text, done, total);
    }
    void AppendToTuningLog(const std::string& text) override { m_inner.AppendToTuningLog(text); }

private:
    CHeadlessAlignmentFace& m_inner;
    RunStart m_start;
};

/// Radio bytes the search itself caused: its live values (the trace holds request payloads).
std::uint64_t LiveValueWireBytes(const std::vector<std::string>& requests) {
    std::uint64_t bytes = 0;
    for (const std::string& hex : requests) {
        if (hex.rfind("000102", 0) == 0)
            bytes += 1 + 2 + hex.size() / 2 + 1 + (1 + 2 + 3 + 1);
    }
    return bytes;
}

/// Programmed-value list of a feature's power level as the bench radio keeps it.
int PowerCode(int level) {
    return level == 1 ? 0x03 : level == 2 ? 0x01 : 0x00;
}

}  // namespace

const char* WholeRadioCase::StartName(RunStart start) {
    switch (start) {
        case RunStart::Bottom:
            return "bottom";
        case RunStart::Top:
            return "top";
        case RunStart::Profile:
            break;
    }
    return "profile";
}

const char* WholeRadioCase::SearchName(SearchKind search) {
    return search == SearchKind::Secant ? "secant" : "fit";
}

double Median(std::vector<int> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

WholeRadioFigures RunWholeRadio(const WholeRadioCase& runCase) {
    WholeRadioFigures fig;
    const auto wallStart = std::chrono::steady_clock::now();
    CRadioProfile profile;
    if (!CRadioProfile::BuiltIn(runCase.profile, profile)) {
        fig.error = "no built-in profile " + runCase.profile;
        return fig;
    }
    // The host and the counts outlive the bench, whose threads read the radio's clock.
    CRecordingHost host;
    PortCounts counts;
    BenchOptions options;
    options.profile = runCase.profile;
    options.seed = 1;
    options.testSet = true;
    options.paced = false;
    options.noise = true;
    options.testSetStart = BenchOptions::TestSetStart::Running;
    CBench bench(options);
    if (!bench.Start(fig.error))
        return fig;

    CPortMap map;
    map.SetDeviceLister([] { return std::vector<std::string>{}; });
    map.SetMapping(2, bench.TestSetDevice());
    CTestSetLink link(
        host, map, [] { return "2"; },
        std::make_unique<CCountingPort>(MakeTermiosTestSetPort(), counts));
    link.SetDiagnostics([](const std::string&) {});
    host.onSleep = [&](std::uint32_t ms) { bench.SettleTestSet(ms, link.Stats().bytesSent); };
    bench.Radio().SetClock(
        [&] { return static_cast<std::int64_t>(host.TimeGetTime()) + counts.ModelledMs(); });

    CFrameState frame;
    frame.SetPort(bench.RadioDevice());
    CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    if (!OnNewDocument(doc) || doc.m_radio == nullptr) {
        fig.error = "the bench radio could not be read";
        return fig;
    }

    AlignmentOptions alignment;  // the built-in limits, every feature, programming on
    alignment.search = runCase.search;
    alignment.alignOnly = true;  // the search alone: no as-found or as-left test
    BestValues::Targets targets{};
    for (int i = 0; i < BestValues::kFeatures; ++i) targets[i] = alignment.limits.For(i).target;
    const std::vector<BestValues::Entry> best = BestValues::Find(profile, options.seed, targets);

    bench.ClearTrace();
    const TestSetWireStats linkBefore = link.Stats();
    const RadioWireStats radioBefore = doc.m_radio->WireStats();
    const int measurementsBefore = bench.TestSet().MeasurementsMade();
    const std::uint32_t clockBefore = host.TimeGetTime();

    CHeadlessAlignmentFace headless(doc, host);
    CStartingFace face(headless, runCase.start);
    CRadioAlignment run(link, face, alignment);
    const CAlignmentReport report = run.Run();

    const TestSetWireStats linkAfter = link.Stats();
    const RadioWireStats radioAfter =
        doc.m_radio != nullptr ? doc.m_radio->WireStats() : radioBefore;
    fig.measurements = bench.TestSet().MeasurementsMade() - measurementsBefore;
    fig.testSetWireS = static_cast<double>(linkAfter.bytesSent + linkAfter.bytesReceived -
                                           linkBefore.bytesSent - linkBefore.bytesReceived) *
                       kTestSetByteS;
    const std::uint64_t radioBytes = radioAfter.bytesSent + radioAfter.bytesReceived -
                                     radioBefore.bytesSent - radioBefore.bytesReceived;
    fig.radioWireS = static_cast<double>(radioBytes) * kRadioByteS;
    fig.measuringS = fig.measurements * kMeasuringS;
    fig.sleepS = (host.TimeGetTime() - clockBefore) / 1000.0;
    fig.timeS = fig.testSetWireS + fig.radioWireS + fig.measuringS + fig.sleepS;
    fig.stopped = report.stopped;
    if (report.stopped)
        fig.error = report.stopReason;

    // The radio traffic any search needs: everything but its own live values.
    const std::uint64_t liveBytes = LiveValueWireBytes(bench.RadioRequests());
    fig.floorS = fig.sleepS +
                 static_cast<double>(radioBytes - std::min(radioBytes, liveBytes)) * kRadioByteS;

    const int family = profile.Family();
    for (const CAlignmentReport::Row& row : report.rows) {
        const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(row.feature);
        if (feature == nullptr)
            continue;
        ++fig.rows;
        fig.readings.push_back(row.readings);
        if (row.readings > fig.readingsMax) {
            fig.readingsMax = row.readings;
            fig.readingsMaxRow = row.feature + " row " + std::to_string(row.row);
        }
        fig.failed += !row.pass;
        const int live = LiveValueBytes(SoftpotField::Bytes(feature->softpotType, family));
        const int readingBytes = feature->index == AutoTuneFeatures::kReferenceOscillator
                                     ? kManualReadingBytes
                                     : kAutomaticReadingBytes;
        const double reading = kMeasuringS + readingBytes * kTestSetByteS + live * kRadioByteS;
        // Two readings and the value between them; the balance's low-tone reading comes first
        // whatever the search.
        const int readings = feature->index == AutoTuneFeatures::kTxDeviationBalance ? 3 : 2;
        fig.floorS += readings * reading + live * kRadioByteS;

        const auto entry = std::find_if(best.begin(), best.end(), [&](const BestValues::Entry& e) {
            return e.feature == feature->index && e.freq == static_cast<std::uint32_t>(row.freq);
        });
        if (entry == best.end()) {
            ++fig.noBest;
            continue;
        }
        const int distance = std::abs(row.newValue - entry->value);
        fig.maxDistance = std::max(fig.maxDistance, distance);
        const int max = SoftpotField::TuningMax(feature->softpotType, family);
        if (entry->value <= 0 || entry->value >= max) {
            ++fig.bestAtEnd;
        } else if (!row.pass || distance > kNearSteps) {
            ++fig.missed;
            const double reads = BestValues::Reading(profile, options.seed, feature->index,
                                                     entry->row, row.newValue);
            char line[320];
            std::snprintf(line, sizeof line,
                          "%s row %d: %d reads %.4g %s, best %d reads %.4g %s (noiseless); "
                          "%d readings, %s",
                          row.feature.c_str(), row.row, row.newValue, reads, row.unit.c_str(),
                          entry->value, entry->reading, row.unit.c_str(), row.readings,
                          row.pass ? "passed" : row.reason.c_str());
            fig.missedRows.emplace_back(line);
        }
    }
    for (const CAlignmentReport::Feature& f : report.features) {
        if (!f.programmed)
            continue;
        const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(f.feature);
        const std::vector<int> programmed =
            bench.Radio().Programmed(feature->softpotType, PowerCode(feature->powerLevel));
        bool same = true;
        for (const CAlignmentReport::Row& row : report.rows) {
            if (row.feature == f.feature)
                same = same && row.row - 1 < static_cast<int>(programmed.size()) &&
                       programmed[row.row - 1] == row.newValue;
        }
        fig.programMismatch += !same;
    }
    fig.readingsMedian = Median(fig.readings);
    fig.wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    fig.ok = true;
    return fig;
}
