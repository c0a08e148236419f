#include "autotune/TuningSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

/// A slider that holds its position within [0, upper] and a reading that depends on it.
struct Plant {
    int position = 0;
    int upper = 127;
    std::function<double(int)> reading;
    std::vector<int> asked;  ///< positions the search asked for, in order
    int measurements = 0;

    TuningSearchResult Search(double target, int maxPasses = TuningSearch::kMaxPasses,
                              TuningSearch::Stop stop = {}) {
        TuningSearch search;
        search.target = target;
        search.lower = 0;
        search.upper = upper;
        search.maxPasses = maxPasses;
        return search.Run(
            [this]() -> std::optional<double> {
                ++measurements;
                return reading(position);
            },
            [this](std::optional<int> q) {
                if (q) {
                    asked.push_back(*q);
                    position = std::clamp(*q, 0, upper);
                }
                return position;
            },
            stop);
    }
};

TEST(TuningSearch, FirstStepAndEndRules) {
    const auto linear = [](int p) { return 0.1 * (p - 40); };
    const struct {
        const char* what;
        int upper, start;
        std::function<double(int)> reading;
        double target;
        int firstAsked;
        SearchEnd end;
        int endPosition;  ///< -1: not checked
    } cases[] = {
        {"label 127 from 0 steps up to 6", 127, 0, linear, 0.0, 6, SearchEnd::Converged, 40},
        {"label 127 from 127 steps down to 120", 127, 127, linear, 0.0, 120, SearchEnd::Converged,
         40},
        {"label 19: an upward first step is 0", 19, 5, linear, 0.0, 5, SearchEnd::FirstStepZero, 5},
        {"a step that truncates to 0 leaves the slider", 127, 30, [](int p) { return 1.0 * p; },
         36.5, 36, SearchEnd::Converged, 36},
        {"beyond the range the slider is clamped and the search ends", 127, 60, linear, 50.0, 66,
         SearchEnd::RangeEnd, 127},
        {"equal readings at two positions", 127, 10, [](int) { return 2.5; }, 3.0, 16,
         SearchEnd::ZeroSlope, 16},
        {"a reading that saturates gives zero slope at the top", 127, 100,
         [](int p) { return std::min(p, 100) * 0.02; }, 2.5, 106, SearchEnd::ZeroSlope, 106},
    };
    for (const auto& c : cases) {
        Plant plant;
        plant.upper = c.upper;
        plant.position = c.start;
        plant.reading = c.reading;
        const TuningSearchResult r = plant.Search(c.target);
        ASSERT_FALSE(plant.asked.empty()) << c.what;
        EXPECT_EQ(plant.asked.front(), c.firstAsked) << c.what;
        EXPECT_EQ(r.end, c.end) << c.what;
        if (c.endPosition >= 0)
            EXPECT_EQ(r.position, c.endPosition) << c.what;
        EXPECT_EQ(r.position, plant.position) << c.what;
        EXPECT_LE(r.passes, TuningSearch::kMaxPasses) << c.what;
    }
}

TEST(TuningSearch, SecantStepsUseThePositionReadBack) {
    Plant plant;
    plant.position = 0;
    plant.reading = [](int p) { return 2.0 * p; };  // 2 units per step
    const TuningSearchResult r = plant.Search(100.0);
    // 0 -> 6 (first step), then (100 - 12) / 2 = 44 -> 50, then 0 -> 50 again: converged.
    EXPECT_EQ(plant.asked, (std::vector<int>{6, 50, 50}));
    EXPECT_EQ(r.end, SearchEnd::Converged);
    EXPECT_EQ(r.passes, 3);
    EXPECT_DOUBLE_EQ(r.reading, 100.0);
    EXPECT_TRUE(r.ReachedTarget());
}

TEST(TuningSearch, PassBoundStopAndMissingReadings) {
    // A reading whose lowest point lies above the target: the secant steps go on bouncing
    // about the minimum until the bound ends them.
    Plant bowl;
    bowl.position = 30;
    bowl.reading = [](int p) { return (p - 60) * (p - 60) / 100.0 + 1.0; };
    const TuningSearchResult bounded = bowl.Search(0.0, 8);
    EXPECT_EQ(bounded.end, SearchEnd::PassBound);
    EXPECT_EQ(bounded.passes, 8);
    EXPECT_EQ(bowl.measurements, 1 + 8);

    Plant stopped;
    stopped.position = 10;
    stopped.reading = [](int p) { return std::sin(p * 0.3); };
    int passes = 0;
    const TuningSearchResult r = stopped.Search(5.0, 20, [&] { return ++passes > 2; });
    EXPECT_EQ(r.end, SearchEnd::Stopped);
    EXPECT_EQ(stopped.measurements, 3);

    TuningSearch search;
    search.upper = 127;
    int moves = 0;
    const TuningSearchResult none = search.Run([] { return std::optional<double>(); },
                                               [&](std::optional<int>) { return ++moves, 0; });
    EXPECT_EQ(none.end, SearchEnd::NoReading);
    EXPECT_EQ(moves, 1);  // the position was read, nothing moved
}

// The row's verdict must come from a reading taken where the search left the slider: the
// search says whether its last reading was, so that the task takes one more when it was not.
TEST(TuningSearch, SaysWhetherItsLastReadingWasTakenAtTheFinalPosition) {
    const auto linear = [](int p) { return 0.1 * (p - 40); };
    Plant converged;
    converged.reading = linear;
    const TuningSearchResult c = converged.Search(0.0);
    EXPECT_EQ(c.end, SearchEnd::Converged);
    EXPECT_TRUE(c.readingAtFinal);
    EXPECT_EQ(c.position, converged.position);

    Plant atEnd;
    atEnd.reading = linear;
    const TuningSearchResult e = atEnd.Search(50.0);
    EXPECT_EQ(e.end, SearchEnd::RangeEnd);
    EXPECT_TRUE(e.readingAtFinal);

    Plant flat;
    flat.position = 50;
    flat.reading = [](int) { return 1.0; };
    const TuningSearchResult z = flat.Search(0.0);
    EXPECT_EQ(z.end, SearchEnd::ZeroSlope);
    EXPECT_TRUE(z.readingAtFinal);
    EXPECT_EQ(z.position, flat.position);

    // The pass bound and a stop come right after a step: the last reading is of the value before.
    Plant bowl;
    bowl.position = 30;
    bowl.reading = [](int p) { return (p - 60) * (p - 60) / 100.0 + 1.0; };
    const TuningSearchResult b = bowl.Search(0.0, 8);
    EXPECT_EQ(b.end, SearchEnd::PassBound);
    EXPECT_FALSE(b.readingAtFinal);
    EXPECT_NE(b.position, bowl.position) << "the slider moved after the last reading";

    Plant stopped;
    stopped.reading = linear;
    int asks = 0;
    const TuningSearchResult s = stopped.Search(0.0, 20, [&] { return ++asks > 1; });
    EXPECT_EQ(s.end, SearchEnd::Stopped);
    EXPECT_FALSE(s.readingAtFinal);
}

}  // namespace
