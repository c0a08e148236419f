#include "bench/BestValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SimRadioDriver.h"
#include "radio/SoftpotField.h"

// The best value of every transmit row, which an alignment is checked against, is the value a
// scan of the radio itself finds; the two new built-in radios keep theirs inside the ranges.

namespace {

const BestValues::Targets kTargets = {0.0, 2.5, 1.5, 0.5, 3000.0, 2800.0};

CRadioProfile Profile(const std::string& name) {
    CRadioProfile p;
    EXPECT_TRUE(CRadioProfile::BuiltIn(name, p)) << name;
    return p;
}

/// The value of a row whose reading through the radio's requests comes closest to the
/// target, over the tuning range (the first one of equals), and that reading.
std::pair<int, double> Scan(SimRadioDriver& radio, int feature, double target) {
    const CRadioProfile& p = radio.Radio().Profile();
    const int type = BestValues::Type(feature);
    int best = -1;
    double bestReading = 0;
    for (int v = 0; v <= SoftpotField::TuningMax(type, p.Family()); ++v) {
        radio.Set(type, v);
        const double reading = radio.Reading(feature);
        if (best < 0 || std::fabs(reading - target) < std::fabs(bestReading - target)) {
            best = v;
            bestReading = reading;
        }
    }
    return {best, bestReading};
}

TEST(BestValues, AreWhatAScanOfTheRadioFinds) {
    const BestValues::Targets other = {30.0, 2.0, 1.0, 0.3, 3050.0, 2500.0};
    const struct {
        const char* profile;
        std::uint32_t seed;
        const BestValues::Targets* targets;
    } cases[] = {{"standard", 1, &kTargets},  {"family1-k", 1, &kTargets},
                 {"realistic", 1, &kTargets}, {"realistic", 8, &other},
                 {"hard", 2, &kTargets},      {"hard", 3, &other}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " seed " + std::to_string(c.seed));
        const CRadioProfile p = Profile(c.profile);
        const std::vector<BestValues::Entry> found = BestValues::Find(p, c.seed, *c.targets);
        std::size_t expected = 0;
        for (int f = 0; f < BestValues::kFeatures; ++f)
            expected += p.Frequencies(BestValues::Type(f)).size();
        ASSERT_EQ(found.size(), expected);
        SimRadioDriver radio(p, c.seed, false);
        int lastFeature = -1, lastRow = -1;
        for (const BestValues::Entry& e : found) {
            // Feature by feature in order, rows in list order.
            EXPECT_TRUE(e.feature > lastFeature ||
                        (e.feature == lastFeature && e.row == lastRow + 1));
            lastFeature = e.feature;
            lastRow = e.row;
            ASSERT_EQ(e.freq, p.Frequencies(BestValues::Type(e.feature))[e.row]);
            radio.Open(e.feature, e.freq);
            const auto [value, reading] = Scan(radio, e.feature, (*c.targets)[e.feature]);
            EXPECT_EQ(e.value, value) << "feature " << e.feature << " row " << e.row;
            EXPECT_DOUBLE_EQ(e.reading, reading) << "feature " << e.feature << " row " << e.row;
        }
    }
}

TEST(BestValues, NewRadiosHaveSpreadRowsWithTheirBestValuesInsideTheRanges) {
    // realistic: mild spread, every best value well inside its range; hard: strong spread,
    // every alignment starting far off, best values near the ends yet never on them. For
    // any seed: the seeded terms are bounded.
    const struct {
        const char* profile;
        double margin;    ///< share of the range a best value keeps from either end
        double farStart;  ///< share of the range between a start and its best value
    } cases[] = {{"realistic", 0.05, 0.0}, {"hard", 0.0, 0.3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        const CRadioProfile p = Profile(c.profile);
        // Rows over the band: the lowest and highest records carry every transmit feature.
        for (int f = 0; f < BestValues::kFeatures; ++f) {
            const std::vector<std::uint32_t> rows = p.Frequencies(BestValues::Type(f));
            EXPECT_GE(rows.size(), BestValues::Type(f) == 1 ? 4u : 3u);
            EXPECT_EQ(rows.front(), p.Frequencies(8).front());
            EXPECT_EQ(rows.back(), p.Frequencies(8).back());
        }
        EXPECT_GT(p.outlierFraction, 0);
        EXPECT_GT(p.warmupSag, 0);
        for (std::uint32_t seed = 1; seed <= 40; ++seed) {
            for (const BestValues::Entry& e : BestValues::Find(p, seed, kTargets)) {
                const int type = BestValues::Type(e.feature);
                const int max = SoftpotField::TuningMax(type, p.Family());
                SCOPED_TRACE("seed " + std::to_string(seed) + " feature " +
                             std::to_string(e.feature) + " row " + std::to_string(e.row));
                EXPECT_GT(e.value, std::max(0.0, c.margin * max));
                EXPECT_LT(e.value, std::min(max - 0.0, (1 - c.margin) * max));
                EXPECT_NEAR(e.reading, kTargets[e.feature], type == 1 ? 0.05 : 30.0);
                const int start = type == 1 ? (e.feature == 1   ? p.powerHigh
                                               : e.feature == 2 ? p.powerMid
                                                                : p.powerLow)
                                            : p.initial[type];
                EXPECT_GE(std::abs(start - e.value), c.farStart * max);
            }
        }
    }
}

}  // namespace
