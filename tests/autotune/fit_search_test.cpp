#include "autotune/FitSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Response = std::function<double(int)>;

/// A slider within [0, upper] and a noisy reading of a response: seeded noise, and readings
/// that are off by a factor (outliers) at given measurement numbers (1 is the first).
struct Plant {
    int position = 0;
    int upper = 127;
    Response response;
    double noise = 0.0;
    std::mt19937 random{1};
    std::vector<std::pair<int, double>> outliers;  ///< measurement number, factor
    std::vector<int> measuredAt;                   ///< where each measurement was taken
    std::vector<double> readings;

    TuningSearchResult Search(FitSearch search, TuningSearch::Stop stop = {}) {
        return search.Run(
            [this]() -> std::optional<double> {
                std::normal_distribution<double> gauss(0.0, noise);
                double v = response(position) + (noise > 0 ? gauss(random) : 0.0);
                const int n = static_cast<int>(readings.size()) + 1;
                for (const auto& [at, factor] : outliers)
                    if (at == n)
                        v *= factor;
                measuredAt.push_back(position);
                readings.push_back(v);
                return v;
            },
            [this](std::optional<int> q) {
                if (q)
                    position = std::clamp(*q, 0, upper);
                return position;
            },
            stop);
    }

    /// A straight response through zero at a value, from a start, with seeded noise.
    static Plant Straight(int start, double slope, int zero, double noise) {
        Plant plant;
        plant.position = start;
        plant.response = [=](int p) { return slope * (p - zero); };
        plant.noise = noise;
        return plant;
    }

    /// The value whose noiseless reading is closest to the target.
    int Best(double target) const {
        int best = 0;
        for (int p = 1; p <= upper; ++p)
            if (std::fabs(response(p) - target) < std::fabs(response(best) - target))
                best = p;
        return best;
    }
};

FitSearch Search(double target, double tolerance, int upper, double priorSlope, double noise) {
    FitSearch s;
    s.target = target;
    s.tolerance = tolerance;
    s.lower = 0;
    s.upper = upper;
    s.priorSlope = priorSlope;
    s.noise = noise;
    return s;
}

/// What every search must keep to: its bound, and a last reading taken at the final value
/// that is the one it reports.
void ExpectWellFormed(const TuningSearchResult& r, const Plant& plant, const std::string& what) {
    EXPECT_LE(r.readings, FitSearch::kMaxReadings) << what;
    EXPECT_EQ(r.readings, static_cast<int>(plant.readings.size())) << what;
    EXPECT_EQ(r.position, plant.position) << what;
    ASSERT_TRUE(r.readingAtFinal) << what;
    ASSERT_FALSE(plant.measuredAt.empty()) << what;
    EXPECT_EQ(plant.measuredAt.back(), r.position) << what << ": the last reading is elsewhere";
    EXPECT_NE(std::find(plant.readings.begin(), plant.readings.end(), r.reading),
              plant.readings.end())
        << what;
    EXPECT_EQ(plant.measuredAt[std::find(plant.readings.begin(), plant.readings.end(), r.reading) -
                               plant.readings.begin()],
              r.position)
        << what << ": the reported reading was not taken at the final value";
}

// Responses of the kinds the features show, from either end of the range and from the
// middle, over several noise seeds: the search settles on the best value (within the noise)
// with few readings.
TEST(FitSearch, SettlesOnTheBestValueOfEachKindOfResponse) {
    const struct {
        const char* what;
        int upper;
        Response response;
        double target, tolerance, prior, noise;
        int maxReadings;  ///< the most any start and seed may take
    } cases[] = {
        {"rising line", 127, [](int p) { return 10.0 * (p - 72); }, 0, 50, 10, 2, 4},
        {"falling line", 127, [](int p) { return -10.0 * (p - 40); }, 0, 50, -10, 2, 4},
        {"fine line over a wide range", 511, [](int p) { return 2.5 * (p - 270); }, 0, 50, 2.5, 3,
         4},
        {"balance", 63, [](int p) { return 3000 * (1 + (p - 32) * 0.004); }, 3000, 60, 12, 3, 4},
        {"saturating power", 127, [](int p) { return 6.0 * (1 - std::exp(-p / 120.0)); }, 2.5, 0.1,
         0.03, 0.008, 7},
        {"power clipped by the current limit", 127,
         [](int p) { return std::min(6.0 * (1 - std::exp(-p / 120.0)), 3.2); }, 2.5, 0.1, 0.03,
         0.008, 8},
        {"flat, then rising", 127, [](int p) { return p < 50 ? 500.0 : 500.0 + 10 * (p - 50); },
         1000, 50, 10, 2, 6},
        {"deviation clipped from the top", 32767, [](int p) { return std::min(3000.0, 1.0 * p); },
         2800, 50, 1, 4, 8},
        {"shallow: a hertz a step against 4 Hz of noise", 511,
         [](int p) { return 1.0 * (p - 300); }, 0, 50, 1, 4, 5},
        {"prior three times too steep", 127, [](int p) { return 10.0 * (p - 72); }, 0, 50, 30, 2,
         6},
        {"prior three times too shallow", 127, [](int p) { return 10.0 * (p - 72); }, 0, 50,
         10.0 / 3, 2, 6},
        {"no prior: a probe finds the slope", 127, [](int p) { return 10.0 * (p - 72); }, 0, 50, 0,
         2, 6},
        {"no prior, falling", 511, [](int p) { return -2.5 * (p - 200); }, 0, 50, 0, 2, 6},
    };
    for (const auto& c : cases) {
        for (const int start : {0, c.upper / 2, c.upper}) {
            std::vector<int> counts;
            for (unsigned seed = 1; seed <= 12; ++seed) {
                Plant plant;
                plant.upper = c.upper;
                plant.position = start;
                plant.response = c.response;
                plant.noise = c.noise;
                plant.random.seed(seed);
                const std::string what = std::string(c.what) + " from " + std::to_string(start) +
                                         " seed " + std::to_string(seed);
                const TuningSearchResult r =
                    plant.Search(Search(c.target, c.tolerance, c.upper, c.prior, c.noise));
                ExpectWellFormed(r, plant, what);
                EXPECT_EQ(r.end, SearchEnd::Settled) << what;
                const int best = plant.Best(c.target);
                // Within a step, or within what the noise lets a reading tell apart.
                const double slope = std::fabs(c.response(best + 1) - c.response(best));
                const int allowed =
                    1 + static_cast<int>(slope > 0 ? 2.5 * c.noise / slope : c.upper);
                EXPECT_LE(std::abs(r.position - best), allowed) << what << ": best " << best;
                EXPECT_LE(std::fabs(c.response(r.position) - c.target), c.tolerance) << what;
                EXPECT_LE(r.readings, c.maxReadings) << what;
                counts.push_back(r.readings);
            }
            std::sort(counts.begin(), counts.end());
            // Straight responses with a fair slope to start from: three or four readings.
            if (c.maxReadings <= 5)
                EXPECT_LE(counts[counts.size() / 2], 3) << c.what << " from " << start;
        }
    }
}

// A limiter whose response is eight times steeper than the feature's typical slope, clipped
// at the modulation's own deviation far below the top of the range: from the top every reading
// is flat until the search has stepped well down, and from the bottom the first move lands in
// the clipped stretch. The search goes down geometrically, trusts the slope the readings show
// over the guessed one, and settles near the best value within the bound.
TEST(FitSearch, AClippedResponseMuchSteeperThanTheGuessedSlopeIsFound) {
    for (const int start : {0, 30000, 32767}) {
        for (unsigned seed = 1; seed <= 12; ++seed) {
            Plant plant;
            plant.upper = 32767;
            plant.position = start;
            plant.response = [](int p) { return std::clamp(8.0 * (p - 20), 0.0, 4000.0); };
            plant.noise = 4;
            plant.random.seed(seed);
            FitSearch search = Search(2800, 50, 32767, 1.0, 4);
            search.priorSpread = FitSearch::kGuessSpread;
            const std::string what =
                "from " + std::to_string(start) + " seed " + std::to_string(seed);
            const TuningSearchResult r = plant.Search(search);
            ExpectWellFormed(r, plant, what);
            EXPECT_EQ(r.end, SearchEnd::Settled) << what;
            EXPECT_LE(std::abs(r.position - plant.Best(2800)), 2) << what;
        }
    }
}

// A good start needs no move: the first reading is borne out by a second one there.
TEST(FitSearch, AStartThatIsAlreadyBestIsConfirmedWhereItStands) {
    Plant plant = Plant::Straight(72, 10, 72, 2);
    const TuningSearchResult r = plant.Search(Search(0, 50, 127, 10, 2));
    EXPECT_EQ(r.end, SearchEnd::Settled);
    EXPECT_EQ(r.position, 72);
    EXPECT_EQ(plant.measuredAt, (std::vector<int>{72, 72}));
}

// One reading 10-20 % off, first, in the middle or last: it is measured again before it is
// believed, the direction never flips, and the reported reading is never the bad one.
TEST(FitSearch, AnOutlierIsMeasuredAgainAndNotBelieved) {
    const struct {
        const char* what;
        Response response;
        double target, prior;
        int start;
        std::vector<std::pair<int, double>> outliers;
    } cases[] = {
        {"first reading high", [](int p) { return 10.0 * p + 2000; }, 2800, 10, 20, {{1, 1.15}}},
        {"first reading low, falling response",
         [](int p) { return 3800 - 10.0 * p; },
         3000,
         -10,
         20,
         {{1, 0.85}}},
        {"first reading flips the slope",
         [](int p) { return 2000 + 12.0 * p; },
         3000,
         12,
         60,
         {{1, 1.2}}},
        {"a middle reading", [](int p) { return 10.0 * p + 2000; }, 2800, 10, 0, {{2, 0.85}}},
        {"the final reading", [](int p) { return 10.0 * p + 2000; }, 2800, 10, 0, {{3, 1.12}}},
        {"the final reading, low",
         [](int p) { return 2.5 * p + 2000; },
         2800,
         2.5,
         400,
         {{2, 0.9}}},
    };
    for (const auto& c : cases) {
        Plant plant;
        plant.upper = 511;
        plant.position = c.start;
        plant.response = c.response;
        plant.noise = 3;
        plant.outliers = c.outliers;
        const TuningSearchResult r = plant.Search(Search(c.target, 50, 511, c.prior, 3));
        ExpectWellFormed(r, plant, c.what);
        EXPECT_EQ(r.end, SearchEnd::Settled) << c.what;
        EXPECT_LE(std::abs(r.position - plant.Best(c.target)), 2) << c.what;
        EXPECT_LE(std::fabs(r.reading - c.target), 50) << c.what << ": the outlier stood";
        for (const int at : plant.measuredAt)
            EXPECT_TRUE((at != 0 && at != 511) || at == c.start)
                << c.what << ": ran to an end at " << at;
    }
}

// A target beyond what an end of the range gives: the search stops at that end, with a
// reading there, and says so; from either side and with either sign of slope.
TEST(FitSearch, ATargetOutOfReachStopsAtTheEndThatComesClosest) {
    const struct {
        const char* what;
        Response response;
        double target, prior;
        int start, end;
    } cases[] = {
        {"above the top", [](int p) { return 0.02 * p; }, 3.0, 0.02, 10, 127},
        {"below the bottom", [](int p) { return 1.0 + 0.02 * p; }, 0.5, 0.02, 100, 0},
        {"falling, above what the bottom gives", [](int p) { return 3.0 - 0.02 * p; }, 3.5, -0.02,
         127, 0},
        {"saturated below the target", [](int p) { return std::min(0.04 * p, 2.0); }, 2.5, 0.03, 0,
         127},
        {"no change anywhere", [](int) { return 1.7; }, 2.5, 0.03, 60, 127},
    };
    for (const auto& c : cases) {
        for (unsigned seed = 1; seed <= 5; ++seed) {
            Plant plant;
            plant.position = c.start;
            plant.response = c.response;
            plant.noise = 0.004;
            plant.random.seed(seed);
            const TuningSearchResult r = plant.Search(Search(c.target, 0.1, 127, c.prior, 0.004));
            ExpectWellFormed(r, plant, c.what);
            EXPECT_EQ(r.end, SearchEnd::OutOfReach) << c.what;
            EXPECT_EQ(r.position, c.end) << c.what;
        }
    }
}

// A slider that holds short of its range labels: the search says it stopped at the end of
// the slider's range.
TEST(FitSearch, ASliderThatHoldsShortEndsAtItsRangeEnd) {
    Plant plant;
    plant.upper = 100;  // the labels say 127
    plant.position = 20;
    plant.response = [](int p) { return 10.0 * p; };
    const TuningSearchResult r = plant.Search(Search(1200, 50, 127, 10, 2));
    ExpectWellFormed(r, plant, "short slider");
    EXPECT_EQ(r.end, SearchEnd::RangeEnd);
    EXPECT_EQ(r.position, 100);
}

// Readings that scatter more than the tolerance lets the search decide on: it ends within
// its bound, at a value it read, and says why when that reading misses.
TEST(FitSearch, ReadingsThatScatterBeyondTheToleranceEndNoisy) {
    int noisy = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        Plant plant = Plant::Straight(20, 10, 72, 80);  // the search is told 2
        plant.random.seed(seed);
        const TuningSearchResult r = plant.Search(Search(0, 50, 127, 10, 2));
        ExpectWellFormed(r, plant, "scatter " + std::to_string(seed));
        if (std::fabs(r.reading) > 50)
            EXPECT_TRUE(r.end == SearchEnd::Noisy || r.end == SearchEnd::ReadingBound)
                << "seed " << seed;
        noisy += r.end == SearchEnd::Noisy;
    }
    EXPECT_GT(noisy, 0);
}

// The bound of readings holds whatever the response, and the last one is taken at the value
// the search chose.
TEST(FitSearch, TheReadingBoundHoldsAndEndsWithAReadingAtTheChosenValue) {
    for (const int bound : {1, 2, 3, 5}) {
        Plant plant;
        plant.upper = 32767;
        plant.position = 32767;
        plant.response = [](int p) { return std::min(3000.0, 1.0 * p); };
        plant.noise = 4;
        FitSearch s = Search(2800, 50, 32767, 1, 4);
        s.maxReadings = bound;
        const TuningSearchResult r = plant.Search(s);
        const std::string what = "bound " + std::to_string(bound);
        EXPECT_EQ(r.readings, bound) << what;
        EXPECT_EQ(static_cast<int>(plant.readings.size()), bound) << what;
        EXPECT_EQ(r.end, SearchEnd::ReadingBound) << what;
        EXPECT_TRUE(r.readingAtFinal) << what;
        EXPECT_EQ(plant.measuredAt.back(), r.position) << what;
    }
}

// The slope learnt on a row is the row's own, for the next row; a row that learnt nothing
// reliable hands on the slope it was given.
TEST(FitSearch, HandsOnTheSlopeItLearnt) {
    Plant plant = Plant::Straight(0, 7, 60, 1);
    const TuningSearchResult r = plant.Search(Search(0, 50, 127, 10, 1));
    EXPECT_EQ(r.end, SearchEnd::Settled);
    EXPECT_NEAR(r.slope, 7.0, 0.7);

    Plant flat;
    flat.position = 60;
    flat.response = [](int) { return 1.7; };
    const TuningSearchResult f = flat.Search(Search(2.5, 0.1, 127, 0.03, 0.004));
    EXPECT_DOUBLE_EQ(f.slope, 0.03);
}

// A stop ends the search before its next reading; a measurement that gives nothing ends it
// at once.
TEST(FitSearch, AStopOrAMissingReadingEndsItAtOnce) {
    for (const int stopAfter : {0, 1, 2}) {
        Plant plant = Plant::Straight(0, 10, 72, 0);
        int asks = 0;
        const TuningSearchResult r =
            plant.Search(Search(0, 50, 127, 10, 2), [&] { return asks++ >= stopAfter; });
        EXPECT_EQ(r.end, SearchEnd::Stopped) << stopAfter;
        EXPECT_EQ(static_cast<int>(plant.readings.size()), stopAfter) << stopAfter;
        EXPECT_EQ(r.readings, stopAfter);
    }
    for (const int missing : {1, 2, 3}) {
        int taken = 0, movesAfter = 0;
        int position = 0;
        const TuningSearchResult r = Search(0, 50, 127, 10, 2)
                                         .Run(
                                             [&]() -> std::optional<double> {
                                                 if (++taken == missing)
                                                     return std::nullopt;
                                                 return 10.0 * (position - 72);
                                             },
                                             [&](std::optional<int> q) {
                                                 if (q) {
                                                     movesAfter += taken >= missing;
                                                     position = std::clamp(*q, 0, 127);
                                                 }
                                                 return position;
                                             });
        EXPECT_EQ(r.end, SearchEnd::NoReading) << missing;
        EXPECT_EQ(taken, missing) << "no reading after the missing one";
        EXPECT_EQ(r.readings, missing);
        EXPECT_EQ(movesAfter, 0) << "no move after the missing one";
        EXPECT_FALSE(r.readingAtFinal);
    }
}

}  // namespace
