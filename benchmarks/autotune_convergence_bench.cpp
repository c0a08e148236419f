// Whole-radio alignment with both searches side by side: for every built-in bench profile, from
// three starts (every transmit row at the bottom of its tuning range, at its top, and the
// profile's own values), the alignment vegal-cli align runs (every feature, programming on, the
// built-in limits) against the bench's radio and simulated HP8920B on their own ptys, with
// noise, once with the secant search and once with the fitting search. The host's clock is
// simulated and lets the bench catch up, so the mandated waits cost no real time; the time a
// run would take on the bench is modelled (see WholeRadioFigures).
//
// Per case: readings a row (median, max), rows failed, rows missed whose best value lies
// strictly inside the range (the best value from BestValues, seed 1), the largest distance
// from the best value, the modelled time and its ratio to the floor. At the end a table puts
// the two searches side by side and the fitting search's goals are checked (they are printed,
// never turned into an exit status).
//
// The bench measures in real time (120 ms a reading), so the cases run on several threads at
// once (--jobs=N, default 6); a whole run takes about 3 minutes on 2 cores. One profile:
//   vegal-bench-autotune --benchmark_filter=WholeRadio/hard/

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "WholeRadioRun.h"
#include "bench/RadioProfile.h"

namespace {

constexpr RunStart kStarts[] = {RunStart::Bottom, RunStart::Top, RunStart::Profile};
constexpr SearchKind kSearches[] = {SearchKind::Secant, SearchKind::Fit};

// Goals of the fitting search.
constexpr double kGoalMedianReadings = 3;
constexpr int kGoalMaxReadings = 8;
constexpr double kGoalDetunedShare = 0.6;
constexpr double kGoalHardFloorRatio = 1.3;

/// One case and its figures, made on a worker thread or, when no worker took it, by the
/// benchmark itself.
struct Slot {
    WholeRadioCase runCase;
    std::string name;
    bool selected = false;
    std::atomic<bool> taken{false};
    std::promise<WholeRadioFigures> promise;
    std::shared_future<WholeRadioFigures> figures{promise.get_future().share()};
    bool reported = false;

    const WholeRadioFigures& Get() {
        if (!taken.exchange(true))
            promise.set_value(RunWholeRadio(runCase));
        return figures.get();
    }
};

std::vector<std::unique_ptr<Slot>> g_slots;

std::string CaseName(const WholeRadioCase& c) {
    return "WholeRadio/" + c.profile + "/" + WholeRadioCase::StartName(c.start) + "/" +
           WholeRadioCase::SearchName(c.search);
}

/// The cases the filter selects, as near as std::regex matches Google Benchmark's filter (a
/// case a worker did not take is made when its benchmark runs).
void Select(const std::string& filter) {
    const bool negative = !filter.empty() && filter[0] == '-';
    const std::string pattern = negative ? filter.substr(1) : filter;
    for (auto& slot : g_slots) {
        bool match = true;
        if (!pattern.empty() && pattern != "all") {
            try {
                match = std::regex_search(slot->name, std::regex(pattern));
            } catch (const std::regex_error&) {
                match = false;
            }
        }
        slot->selected = negative ? !match : match;
    }
}

void BM_WholeRadio(benchmark::State& state, Slot* slot) {
    for (auto _ : state) {
        const WholeRadioFigures& fig = slot->Get();
        if (!fig.ok) {
            state.SkipWithError(fig.error.c_str());
            return;
        }
        state.SetIterationTime(fig.wallS);
    }
    const WholeRadioFigures& fig = slot->Get();
    slot->reported = true;
    state.counters["rows"] = fig.rows;
    state.counters["readings_median"] = fig.readingsMedian;
    state.counters["readings_max"] = fig.readingsMax;
    state.counters["failed"] = fig.failed;
    state.counters["missed"] = fig.missed;
    state.counters["best_at_end"] = fig.bestAtEnd;
    state.counters["max_distance"] = fig.maxDistance;
    state.counters["measurements"] = fig.measurements;
    state.counters["testset_wire_s"] = fig.testSetWireS;
    state.counters["radio_wire_s"] = fig.radioWireS;
    state.counters["measuring_s"] = fig.measuringS;
    state.counters["sleep_s"] = fig.sleepS;
    state.counters["time_s"] = fig.timeS;
    state.counters["floor_s"] = fig.floorS;
    state.counters["time_per_floor"] = fig.floorS > 0 ? fig.timeS / fig.floorS : 0;
    if (fig.noBest > 0)
        state.counters["no_best_value"] = fig.noBest;
    if (fig.programMismatch > 0)
        state.counters["program_mismatch"] = fig.programMismatch;
    if (fig.stopped)
        state.SetLabel("stopped: " + fig.error);
}

Slot* Find(const std::string& profile, RunStart start, SearchKind search) {
    for (auto& slot : g_slots) {
        const WholeRadioCase& c = slot->runCase;
        if (slot->reported && c.profile == profile && c.start == start && c.search == search)
            return slot.get();
    }
    return nullptr;
}

void PrintGoals() {
    std::printf(
        "Goals of the fitting search: median readings a row <= %.0f (the verification "
        "included), max <= %d, no row missed whose best value lies inside the range, "
        "time on detuned (profile start) <= %.1f x the secant search's, time on hard "
        "<= %.1f x its floor.\n\n",
        kGoalMedianReadings, kGoalMaxReadings, kGoalDetunedShare, kGoalHardFloorRatio);
}

/// One cell of the table: the secant search's figure | the fitting search's ("-" for a case
/// not run, "?" for one that could not be made).
std::string Pair(const Slot* secant, const Slot* fit,
                 const std::function<std::string(const WholeRadioFigures&)>& cell) {
    auto one = [&](const Slot* s) {
        if (s == nullptr)
            return std::string("-");
        const WholeRadioFigures& f = s->figures.get();
        return f.ok ? cell(f) : std::string("?");
    };
    return one(secant) + " | " + one(fit);
}

std::string Format(const char* format, double a, double b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

void PrintTable() {
    std::printf("\nWhole-radio alignment, secant | fit (bench seed 1, built-in limits)\n");
    std::printf("%-10s %-7s %-16s %-8s %-13s %-13s %s\n", "profile", "start", "readings med/max",
                "missed", "max distance", "time s", "time/floor");
    for (const std::string& profile : CRadioProfile::BuiltInNames()) {
        for (RunStart start : kStarts) {
            const Slot* secant = Find(profile, start, SearchKind::Secant);
            const Slot* fit = Find(profile, start, SearchKind::Fit);
            if (!secant && !fit)
                continue;
            const std::string readings = Pair(secant, fit, [](const WholeRadioFigures& f) {
                return Format("%g/%.0f", f.readingsMedian, f.readingsMax);
            });
            const std::string missed = Pair(
                secant, fit, [](const WholeRadioFigures& f) { return Format("%.0f", f.missed); });
            const std::string distance = Pair(secant, fit, [](const WholeRadioFigures& f) {
                return Format("%.0f", f.maxDistance);
            });
            const std::string time =
                Pair(secant, fit, [](const WholeRadioFigures& f) { return Format("%.1f", f.timeS); });
            const std::string ratio = Pair(secant, fit, [](const WholeRadioFigures& f) {
                return Format("%.2f", f.floorS > 0 ? f.timeS / f.floorS : 0);
            });
            std::printf("%-10s %-7s %-16s %-8s %-13s %-13s %s\n", profile.c_str(),
                        WholeRadioCase::StartName(start), readings.c_str(), missed.c_str(),
                        distance.c_str(), time.c_str(), ratio.c_str());
        }
    }
}

/// Prints PASS, FAIL or "not measured" for each goal, with the cases that miss it.
void PrintVerdicts() {
    std::printf("\nGoals of the fitting search:\n");
    auto verdict = [](const char* goal, int measured, const std::vector<std::string>& misses) {
        std::printf("  %-52s %s\n", goal,
                    measured == 0    ? "not measured"
                    : misses.empty() ? "PASS"
                                     : "FAIL");
        for (const std::string& m : misses) std::printf("      %s\n", m.c_str());
    };
    std::vector<std::string> median, max, missed;
    int fits = 0;
    for (auto& slot : g_slots) {
        if (!slot->reported || slot->runCase.search != SearchKind::Fit)
            continue;
        const WholeRadioFigures& f = slot->figures.get();
        const std::string name =
            slot->runCase.profile + "/" + WholeRadioCase::StartName(slot->runCase.start);
        if (!f.ok) {
            median.push_back(name + ": " + f.error);
            continue;
        }
        ++fits;
        if (f.readingsMedian > kGoalMedianReadings)
            median.push_back(name + Format(": median %g", f.readingsMedian));
        if (f.readingsMax > kGoalMaxReadings)
            max.push_back(name + Format(": max %.0f", f.readingsMax) + " (" + f.readingsMaxRow +
                          ")");
        for (const std::string& row : f.missedRows) missed.push_back(name + ": " + row);
    }
    verdict("median readings a row <= 3", fits, median);
    verdict("max readings a row <= 8", fits, max);
    verdict("no row missed whose best value is inside the range", fits, missed);

    std::vector<std::string> detuned;
    const Slot* secant = Find("detuned", RunStart::Profile, SearchKind::Secant);
    const Slot* fit = Find("detuned", RunStart::Profile, SearchKind::Fit);
    const bool both = secant && fit && secant->figures.get().ok && fit->figures.get().ok;
    if (both) {
        const double share = fit->figures.get().timeS / secant->figures.get().timeS;
        if (share > kGoalDetunedShare)
            detuned.push_back(Format("detuned/profile: %.2f x the secant search's time", share));
    }
    verdict("time on detuned (profile start) <= 0.6 x secant's", both ? 1 : 0, detuned);

    std::vector<std::string> hard;
    int hards = 0;
    for (RunStart start : kStarts) {
        const Slot* h = Find("hard", start, SearchKind::Fit);
        if (!h || !h->figures.get().ok)
            continue;
        ++hards;
        const WholeRadioFigures& f = h->figures.get();
        if (f.timeS > kGoalHardFloorRatio * f.floorS)
            hard.push_back(std::string("hard/") + WholeRadioCase::StartName(start) +
                           Format(": %.1f s, %.2f x its floor", f.timeS, f.timeS / f.floorS));
    }
    verdict("time on hard <= 1.3 x its floor", hards, hard);
}

}  // namespace

int main(int argc, char** argv) {
    int jobs = 6;
    std::string filter;
    bool listOnly = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--jobs=", 7) == 0) {
            jobs = std::max(1, std::atoi(argv[i] + 7));
            continue;
        }
        if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0)
            filter = argv[i] + 19;
        listOnly = listOnly || std::strncmp(argv[i], "--benchmark_list_tests", 22) == 0;
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());

    for (const std::string& profile : CRadioProfile::BuiltInNames()) {
        for (RunStart start : kStarts) {
            for (SearchKind search : kSearches) {
                auto slot = std::make_unique<Slot>();
                slot->runCase = {profile, start, search};
                slot->name = CaseName(slot->runCase);
                benchmark::RegisterBenchmark(slot->name.c_str(), BM_WholeRadio, slot.get())
                    ->Iterations(1)
                    ->UseManualTime()
                    ->Unit(benchmark::kSecond);
                g_slots.push_back(std::move(slot));
            }
        }
    }
    benchmark::Initialize(&count, args.data());
    Select(filter);

    // The workers make the selected cases ahead of the benchmarks, which wait for theirs.
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    if (!listOnly) {
        PrintGoals();
        for (int w = 0; w < jobs; ++w) {
            workers.emplace_back([&next] {
                for (std::size_t i = next++; i < g_slots.size(); i = next++) {
                    if (g_slots[i]->selected)
                        g_slots[i]->Get();
                }
            });
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    for (std::thread& w : workers) w.join();
    if (!listOnly) {
        PrintTable();
        PrintVerdicts();
    }
    benchmark::Shutdown();
    return 0;
}
