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

TEST(TuningSearch, TheStatusSaysWhyARowMissedItsTarget) {
    TuningSearchResult r;
    r.end = SearchEnd::Converged;
    EXPECT_EQ(DescribeSearchEnd(0, r, 2.5), "");
    r.end = SearchEnd::Stopped;
    EXPECT_EQ(DescribeSearchEnd(0, r, 2.5), "");
    r.end = SearchEnd::RangeEnd;
    r.position = 127;
    r.reading = 2.25;
    EXPECT_EQ(DescribeSearchEnd(2, r, 2.5),
              "Row 3 did not reach its target of 2.5: the slider stopped at 127, the end of its "
              "range (reading 2.25).");
    for (SearchEnd e : {SearchEnd::FirstStepZero, SearchEnd::ZeroSlope, SearchEnd::PassBound,
                        SearchEnd::NoReading}) {
        r.end = e;
        EXPECT_EQ(DescribeSearchEnd(4, r, 3000).rfind("Row 5 ", 0), 0u);
    }
}

}  // namespace
