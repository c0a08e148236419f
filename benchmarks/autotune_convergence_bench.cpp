// Convergence of automatic tuning: every tunable feature of several bench radios is Window-
// tuned from deliberately detuned starting values (every row at the bottom, then at the top
// of its range), with the bench's measurement noise on, through the same tasks, link and
// search as the Automatic Tuning dialog (a headless tuning view on the bench's radio, the
// simulated HP8920B on its own pty). The host's clock is simulated and lets the bench catch
// up, so the protocol's waits cost no real time; the wire time they would cost is counted.
//
// Reported per feature and start: passes per row (median and maximum), the final distance
// from the best reachable value in softpot steps (the best value comes from a noise-free
// copy of the same radio), the final reading's error against the target, rows that did not
// settle, and the wire time (test set at 19200 baud with the protocol's delays, radio at 9600
// baud). Goal on the bench's linear features (Reference Oscillator, Tx Deviation Balance,
// Tx Deviation Limit): a median of at most 4 passes per row, never more than the pass bound,
// and a final value within one step of the best reachable one.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/RadioTuningView.h"
#include "autotune/TestSetLink.h"
#include "bench/Bench.h"
#include "bench/RadioProfile.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace {

const char* const kProfiles[] = {"standard", "family1-k", "family2-q", "power3"};
const char* const kFeatures[] = {"Reference Oscillator", "Tx Power High",
                                 "Tx Power Mid",         "Tx Power Low",
                                 "Tx Deviation Balance", "Tx Deviation Limit"};

std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

/// The same radio without noise, in-process: the reading a position gives, exactly.
class CIdealRadio {
public:
    CIdealRadio(const CRadioProfile& profile, IHost& host) : m_sim(profile, 1, false) {
        m_fake.m_responder = [this](const std::string& request, std::string& reply) {
            std::vector<std::uint8_t> frame{0, static_cast<std::uint8_t>(request.size() / 2)};
            const std::vector<std::uint8_t> payload = Bytes(request);
            frame.insert(frame.end(), payload.begin(), payload.end());
            const std::vector<std::uint8_t> answer = m_sim.HandleFrame(frame);
            reply = answer.size() > 2 ? MessageFields::BytesToHex(
                                            answer.data() + 2, static_cast<int>(answer.size() - 2))
                                      : std::string();
            return answer.empty() ? E_RADIO_TIMEOUT : S_OK;
        };
        m_doc = std::make_unique<CTunerDoc>(host, m_frame, m_fake.Factory());
        m_ok = ReadDevice(*m_doc) == S_OK;
    }
    bool Ok() const { return m_ok; }

    /// The value of a row whose reading is closest to the target (readings rise with the
    /// value on every bench feature).
    int Best(const std::string& title, int row, double target) {
        CRadioTuningView view(*m_doc, m_host, title);
        if (!view.Open())
            return -1;
        const AutoTuneFeature* f = AutoTuneFeatures::ByTitle(title);
        const double analyzerHz =
            std::trunc(MessageFields::FreqToMHz(m_doc->m_testFreq[kRefOsc][0]) * 1e6);
        view.SelectRow(row);
        view.PttToggle(f->index);
        if (f->index == AutoTuneFeatures::kTxDeviationBalance)
            view.ChooseTone(true);
        auto reading = [&](int v) {
            view.MoveSlider(row, v);
            const RfOutput o = m_sim.Transmitter();
            return f->field == 1   ? o.carrierHz - analyzerHz
                   : f->field == 2 ? o.powerW
                                   : o.deviationHz;
        };
        int lo = 0, hi = view.MaxValue();
        if (reading(hi) < target)
            lo = hi;
        while (lo < hi) {  // the first value whose reading reaches the target
            const int mid = (lo + hi) / 2;
            if (reading(mid) >= target)
                hi = mid;
            else
                lo = mid + 1;
        }
        int best = lo;
        if (lo > 0 && std::fabs(reading(lo - 1) - target) < std::fabs(reading(lo) - target))
            best = lo - 1;
        view.Close();
        return best;
    }

private:
    CSimRadio m_sim;
    CRecordingHost m_host;
    CFakeRadio m_fake;
    CFrameState m_frame;
    std::unique_ptr<CTunerDoc> m_doc;
    bool m_ok = false;
};

double Median(std::vector<int> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void BM_WindowConvergence(benchmark::State& state, std::string profileName, std::string title,
                          bool fromTop) {
    CRadioProfile profile;
    if (!CRadioProfile::BuiltIn(profileName, profile)) {
        state.SkipWithError("no such profile");
        return;
    }
    BenchOptions options;
    options.profile = profileName;
    options.testSet = true;
    options.paced = false;
    options.noise = true;
    options.testSetStart = BenchOptions::TestSetStart::Running;
    CBench bench(options);
    std::string error;
    if (!bench.Start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    CRecordingHost host;
    CPortMap map;
    map.SetDeviceLister([] { return std::vector<std::string>{}; });
    map.SetMapping(2, bench.TestSetDevice());
    CTestSetLink link(host, map, [] { return "2"; });
    link.SetDiagnostics([](const std::string&) {});
    host.onSleep = [&](std::uint32_t ms) { bench.SettleTestSet(ms, link.Stats().bytesSent); };
    CFrameState frame;
    frame.SetPort(bench.RadioDevice());
    CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    if (ReadDevice(doc) != S_OK) {
        state.SkipWithError("radio read failed");
        return;
    }
    const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(title);
    if (!doc.m_featurePresent[feature->softpotType]) {
        state.SkipWithError("the radio has no such feature");
        return;
    }
    CRecordingHost idealHost;
    CIdealRadio ideal(profile, idealHost);

    std::vector<int> passes;
    int worstSteps = 0, missed = 0, rows = 0, overBound = 0;
    double worstReadingError = 0, testSetWireMs = 0, radioWireMs = 0;
    for (auto _ : state) {
        CRadioTuningView view(doc, host, title);
        if (!view.Open()) {
            state.SkipWithError("the feature has no rows");
            return;
        }
        std::array<int, CRadioTuningView::kRows> start{};
        start.fill(fromTop ? view.MaxValue() : 0);
        view.SetPositions(start);
        const TestSetWireStats before = link.Stats();
        const RadioWireStats radioBefore = doc.m_radio->WireStats();
        CAutoTuneTasks tasks(link, view);
        tasks.RunWindowJob();
        view.Close();
        const TestSetWireStats after = link.Stats();
        const RadioWireStats radioAfter = doc.m_radio->WireStats();
        testSetWireMs +=
            (after.bytesSent + after.bytesReceived - before.bytesSent - before.bytesReceived) *
                10.0 * 1000.0 / 19200.0 +
            static_cast<double>(after.delayMs - before.delayMs);
        radioWireMs += (radioAfter.bytesSent + radioAfter.bytesReceived - radioBefore.bytesSent -
                        radioBefore.bytesReceived) *
                       10.0 * 1000.0 / 9600.0;

        double target = feature->fixedTarget;
        std::string why;
        if (feature->powerLevel > 0)
            AutoTuneFeatures::ParseTargetWatts(view.TargetPowerText(feature->powerLevel), target,
                                               why);
        for (const auto& [row, r] : tasks.RowResults()) {
            ++rows;
            passes.push_back(r.passes);
            overBound += r.passes > TuningSearch::kMaxPasses;
            missed += !r.ReachedTarget();
            const int best = ideal.Best(title, row, target);
            worstSteps = std::max(worstSteps, std::abs(r.position - best));
            worstReadingError = std::max(worstReadingError, std::fabs(r.reading - target));
        }
    }
    state.counters["rows"] = rows;
    state.counters["passes_median"] = Median(passes);
    state.counters["passes_max"] =
        passes.empty() ? 0 : *std::max_element(passes.begin(), passes.end());
    state.counters["over_bound"] = overBound;
    state.counters["steps_from_best_max"] = worstSteps;
    state.counters["reading_error_max"] = worstReadingError;
    state.counters["missed"] = missed;
    state.counters["testset_wire_ms"] = testSetWireMs / static_cast<double>(state.iterations());
    state.counters["radio_wire_ms"] = radioWireMs / static_cast<double>(state.iterations());
    // The bench's linear features: the carrier error and the high tone's deviation follow
    // their softpot in a straight line over the whole range.
    const bool linear = feature->index == AutoTuneFeatures::kReferenceOscillator ||
                        feature->index == AutoTuneFeatures::kTxDeviationBalance;
    if (linear) {
        const bool met = Median(passes) <= 4 && overBound == 0 && worstSteps <= 1;
        state.SetLabel(met ? "linear: goal met" : "linear: GOAL MISSED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* profile : kProfiles) {
        for (const char* feature : kFeatures) {
            for (bool fromTop : {false, true}) {
                const std::string name = std::string("WindowConvergence/") + profile + "/" +
                                         feature + (fromTop ? "/from_top" : "/from_bottom");
                benchmark::RegisterBenchmark(name.c_str(), BM_WindowConvergence, profile, feature,
                                             fromTop)
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
