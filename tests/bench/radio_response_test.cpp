#include "bench/RadioResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "SimRadioDriver.h"
#include "bench/Bench.h"
#include "bench/BestValues.h"
#include "radio/SoftpotField.h"

// The bench radio's transmitter as a real one behaves: rows that differ across the band, a
// power curve with a knee and saturation, a limiter that clips, a slightly bent reference
// oscillator, and readings with noise, wild values and warm-up sag.

namespace {

constexpr int kRefOsc = 0, kPowerHigh = 1, kPowerMid = 2, kPowerLow = 3, kDevBalance = 4,
              kDevLimit = 5;
const BestValues::Targets kTargets = {0.0, 2.5, 1.5, 0.5, 3000.0, 2800.0};

CRadioProfile Profile(const std::string& name) {
    CRadioProfile p;
    EXPECT_TRUE(CRadioProfile::BuiltIn(name, p)) << name;
    return p;
}

CRadioProfile Parsed(const std::string& text) {
    CRadioProfile p;
    std::string error;
    EXPECT_TRUE(CRadioProfile::Parse(text, p, error)) << error;
    return p;
}

/// Five records spread evenly over 400-480 MHz carrying every transmit feature.
const char* const kFiveRows =
    "record = 400.0125 0x3F\nrecord = 420.0125 0x2F\nrecord = 440.0125 0x2F\n"
    "record = 460.0125 0x2F\nrecord = 480.0125 0x2F\n";

/// Reading change per step of a feature's row around a value (noiseless).
double Slope(const CRadioProfile& p, int feature, int row, int at, int step) {
    return (BestValues::Reading(p, 1, feature, row, at + step) -
            BestValues::Reading(p, 1, feature, row, at - step)) /
           (2.0 * step);
}

TEST(RadioResponse, RowsOfEveryTransmitFeatureNeedDifferentValues) {
    for (const char* name : {"realistic", "hard"}) {
        const CRadioProfile p = Profile(name);
        std::vector<std::set<int>> best(BestValues::kFeatures);
        for (const BestValues::Entry& e : BestValues::Find(p, 1, kTargets))
            best[e.feature].insert(e.value);
        for (int f = 0; f < BestValues::kFeatures; ++f)
            EXPECT_GE(best[f].size(), 3u) << name << " feature " << f;
    }
}

TEST(RadioResponse, GainsFollowTheBandAndWeakenTowardsItsEdges) {
    // Each feature alone with one shape term: its slope per row. Edge loss: both ends weaker
    // than the middle and alike; tilt: rising from the bottom to the top.
    const struct {
        const char* prefix;
        int feature;
        int at;  ///< value around which the slope is taken
        int step;
    } features[] = {{"refOsc", kRefOsc, 270, 5},
                    {"power", kPowerMid, 30, 2},
                    {"devBalance", kDevBalance, 32, 2},
                    {"devLimit", kDevLimit, 2000, 50}};
    for (const auto& f : features) {
        SCOPED_TRACE(f.prefix);
        const std::string base = std::string(kFiveRows);
        const CRadioProfile edge = Parsed(base + f.prefix + "GainEdge = 0.2\n");
        const double middle = Slope(edge, f.feature, 2, f.at, f.step);
        EXPECT_LT(Slope(edge, f.feature, 0, f.at, f.step), 0.9 * middle);
        EXPECT_NEAR(Slope(edge, f.feature, 0, f.at, f.step),
                    Slope(edge, f.feature, 4, f.at, f.step), 1e-9 * std::fabs(middle));
        EXPECT_LT(Slope(edge, f.feature, 1, f.at, f.step), middle);
        EXPECT_GT(Slope(edge, f.feature, 1, f.at, f.step), Slope(edge, f.feature, 0, f.at, f.step));

        const CRadioProfile tilt = Parsed(base + f.prefix + "GainTilt = 0.1\n");
        for (int row = 1; row < 5; ++row) {
            EXPECT_GT(Slope(tilt, f.feature, row, f.at, f.step),
                      Slope(tilt, f.feature, row - 1, f.at, f.step))
                << "row " << row;
        }
        // A seeded term alone: rows differ, and another seed makes another radio.
        const CRadioProfile spread = Parsed(base + f.prefix + "GainSpread = 0.1\n");
        std::set<double> slopes;
        for (int row = 0; row < 5; ++row)
            slopes.insert(Slope(spread, f.feature, row, f.at, f.step));
        EXPECT_EQ(slopes.size(), 5u);
    }
}

TEST(RadioResponse, OffsetsMoveTheIdealPointsRowByRow) {
    const struct {
        const char* key;
        int feature;
        int nominal;  ///< best value of every row without the offset
        int shift;    ///< the offset given (the top row moves by it, the bottom by minus it)
    } cases[] = {{"refOscOffsetTilt", kRefOsc, 270, 12},
                 {"devBalanceOffsetTilt", kDevBalance, 32, 6},
                 {"devLimitOffsetTilt", kDevLimit, 2800, 150}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const CRadioProfile p =
            Parsed(std::string(kFiveRows) + c.key + " = " + std::to_string(c.shift) + "\n");
        std::vector<int> best;
        for (const BestValues::Entry& e : BestValues::Find(p, 1, kTargets)) {
            if (e.feature == c.feature)
                best.push_back(e.value);
        }
        ASSERT_EQ(best.size(), 5u);
        EXPECT_EQ(best[0], c.nominal - c.shift);
        EXPECT_EQ(best[2], c.nominal);
        EXPECT_EQ(best[4], c.nominal + c.shift);
    }
}

TEST(RadioResponse, PowerHasAKneeAndSaturatesOnEveryRowAndLevel) {
    // The hard radio's curves, its knees all at powerKnee.
    const CRadioProfile p = Parsed("base = hard\npowerOffsetTilt = 0\npowerOffsetSpread = 0\n");
    const CRadioResponse r(p, 1);
    const double satMax = p.powerSatW * (1 + p.powerSatEdge + p.powerSatSpread);
    for (int level = 1; level <= 3; ++level) {
        for (int row = 0; row < p.Count(1); ++row) {
            SCOPED_TRACE("level " + std::to_string(level) + " row " + std::to_string(row));
            auto slope = [&](int v) {
                return r.PowerW(level, row, v + 1) - r.PowerW(level, row, v);
            };
            double last = -1;
            for (int v = 0; v <= 255; ++v) {
                const double w = r.PowerW(level, row, v);
                EXPECT_GE(w, last) << v;
                last = w;
            }
            // Almost nothing at 0, a slope that grows through the knee, then flattens out
            // below the saturation power.
            EXPECT_LT(r.PowerW(level, row, 0), 0.02 * p.powerSatW);
            const int knee = static_cast<int>(p.powerKnee);
            EXPECT_GT(slope(knee + 6), 2.5 * slope(knee - 4));
            EXPECT_LT(slope(120), 0.3 * slope(knee + 6));
            EXPECT_LT(slope(250), 0.06 * slope(knee + 6));
            EXPECT_LT(r.PowerW(level, row, 255), satMax);
            EXPECT_GT(r.PowerW(level, row, 255), 0.9 * p.powerSatW);
        }
    }
    // The current limit caps what the amplifier gives.
    SimRadioDriver radio(p, 1, false);
    radio.Open(kPowerHigh, p.Frequencies(1)[2]);
    radio.Set(1, 120);
    radio.Set(4, 0);
    EXPECT_NEAR(radio.Reading(kPowerHigh), p.currentLimitW, 1e-12);
}

TEST(RadioResponse, TheDeviationLimitClipsTheModulation) {
    for (const char* name : {"realistic", "hard"}) {
        SCOPED_TRACE(name);
        const CRadioProfile p = Profile(name);
        const double signal = CSimRadio::PatternDeviationHz(0x23, 0x64);
        for (int row = 0; row < p.Count(5); ++row) {
            auto reading = [&](int v) { return BestValues::Reading(p, 1, kDevLimit, row, v); };
            // Rising with the limit well below the pattern's deviation...
            EXPECT_GT(reading(100), reading(50));
            // ...and flat from where the limit passes the deviation to the top of the range.
            const double top = reading(32767);
            EXPECT_NEAR(top, signal, 1e-6);
            EXPECT_EQ(reading(20000), top);
            EXPECT_LT(reading(static_cast<int>(3000 / p.devLimitHzPerStep)), signal);
        }
    }
    // The high tone of the balance is clipped too when the limit is low.
    const CRadioProfile p = Profile("standard");
    SimRadioDriver radio(p, 1, false);
    radio.Open(kDevBalance, p.Frequencies(2)[0]);
    radio.Set(2, 63);
    EXPECT_GT(radio.Reading(kDevBalance), 3300.0);
    radio.Set(5, 2000);
    EXPECT_DOUBLE_EQ(radio.Reading(kDevBalance), 2000.0 * p.devLimitHzPerStep);
}

TEST(RadioResponse, TheReferenceOscillatorBendsSlightlyAndStaysMonotone) {
    for (const char* name : {"realistic", "hard"}) {
        SCOPED_TRACE(name);
        const CRadioProfile p = Profile(name);
        const CRadioResponse r(p, 1);
        const int max = SoftpotField::TuningMax(0, p.Family());
        for (int row = 0; row < p.Count(0); ++row) {
            double last = -INFINITY;
            for (int v = 0; v <= max; ++v) {
                const double e = r.CarrierErrorHz(row, v);
                EXPECT_GT(e, last) << v;
                last = e;
            }
            // Per step from the ideal point, the error above it and below it differ by the
            // bend: (1 + c d / R) against (1 - c d / R).
            const double ideal = r.RefOscIdeal(row);
            const int v = static_cast<int>(std::round(ideal));
            const double da = v + 40 - ideal, db = ideal - (v - 40);
            const double ratio =
                (r.CarrierErrorHz(row, v + 40) / da) / (-r.CarrierErrorHz(row, v - 40) / db);
            EXPECT_NEAR(ratio,
                        (1 + p.refOscCurvature * da / max) / (1 - p.refOscCurvature * db / max),
                        1e-9);
            EXPECT_GT(ratio, 1 + p.refOscCurvature * 60 / max);
        }
    }
}

/// The hard radio with its noise and wild readings taken out: drift alone.
CRadioProfile DriftOnly() {
    return Parsed("base = hard\npowerNoise = 0\noutlierFraction = 0\n");
}

TEST(RadioResponse, PowerSagsWhileWarmingUpThenSettles) {
    const CRadioProfile p = DriftOnly();
    const double cold = BestValues::Reading(p, 1, kPowerHigh, 1, 100);
    SimRadioDriver radio(p, 1, true);
    radio.Open(kPowerHigh, p.Frequencies(1)[1]);
    radio.Set(1, 100);
    EXPECT_DOUBLE_EQ(radio.Reading(kPowerHigh), cold);
    const double tau = p.warmupSeconds * 1000;
    double last = cold;
    const struct {
        double afterTaus;
        double sagShare;  ///< share of the full sag reached
    } points[] = {
        {0.5, 1 - std::exp(-0.5)}, {1, 1 - std::exp(-1.0)}, {3, 1 - std::exp(-3.0)}, {10, 1.0}};
    const std::int64_t keyed = radio.nowMs;
    for (const auto& at : points) {
        radio.nowMs = keyed + static_cast<std::int64_t>(at.afterTaus * tau);
        const double w = radio.Reading(kPowerHigh);
        EXPECT_LT(w, last) << at.afterTaus;
        EXPECT_NEAR(w / cold, 1 - p.warmupSag * at.sagShare, 1e-4) << at.afterTaus;
        last = w;
    }
    // Settled: no more change; cooled down while dekeyed, it starts cold again.
    radio.nowMs += static_cast<std::int64_t>(5 * tau);
    EXPECT_NEAR(radio.Reading(kPowerHigh), last, 1e-5 * cold);
    radio.Ask("000501");
    radio.nowMs += static_cast<std::int64_t>(20 * tau);
    radio.Ask("000401");
    EXPECT_NEAR(radio.Reading(kPowerHigh), cold, 1e-6 * cold);

    // Without noise there is no drift either.
    SimRadioDriver quiet(p, 1, false);
    quiet.Open(kPowerHigh, p.Frequencies(1)[1]);
    quiet.Set(1, 100);
    quiet.nowMs += static_cast<std::int64_t>(10 * tau);
    EXPECT_DOUBLE_EQ(quiet.Reading(kPowerHigh), cold);
}

TEST(RadioResponse, WildReadingsComeAtTheirFractionAndNeverWithoutNoise) {
    const int n = 4000;
    for (double fraction : {0.05, 0.2}) {
        SCOPED_TRACE(fraction);
        const CRadioProfile p = Parsed(
            "base = hard\nwarmupSag = 0\noutlierFraction = " + std::to_string(fraction) + "\n");
        for (bool noise : {true, false}) {
            SimRadioDriver radio(p, 9, noise);
            const std::uint32_t freq = p.Frequencies(1)[0];
            radio.Open(kPowerMid, freq);
            radio.Set(1, 40);
            radio.Set(0, 300);  // a few hundred Hz of carrier error
            const double watts = BestValues::Reading(p, 9, kPowerMid, 0, 40);
            const double hz = radio.Radio().Response().CarrierErrorHz(0, 300);
            int wildPower = 0, wildError = 0, wildOutOfSize = 0;
            for (int i = 0; i < n; ++i) {
                const RfOutput o = radio.Radio().Transmitter();
                // Noise: 1 % sigma of power, 5 Hz of carrier error; a wild reading is 10-20 %
                // off, of the carrier error's 500 Hz scale near 0 Hz.
                const double miss = std::fabs(o.powerW / watts - 1);
                wildPower += miss > 0.06;
                wildOutOfSize += miss > 0.25;
                wildError += std::fabs(o.errorHz - hz) > 35;
            }
            if (!noise) {
                EXPECT_EQ(wildPower + wildError, 0);
                continue;
            }
            const double sigma = std::sqrt(fraction * (1 - fraction) / n);
            EXPECT_NEAR(wildPower / double(n), fraction, 4 * sigma);
            EXPECT_NEAR(wildError / double(n), fraction, 4 * sigma);
            EXPECT_EQ(wildOutOfSize, 0);
        }
    }
}

TEST(RadioResponse, ASeedMakesOneRadioAndOneSeriesOfReadings) {
    const CRadioProfile p = Profile("hard");
    auto series = [&](std::uint32_t seed) {
        SimRadioDriver radio(p, seed, true);
        radio.Open(kPowerLow, p.Frequencies(1)[3]);
        std::vector<double> out;
        for (int v = 0; v < 40; ++v) {
            radio.Set(1, v);
            radio.nowMs += 700;
            const RfOutput o = radio.Radio().Transmitter();
            out.insert(out.end(), {o.errorHz, o.powerW});
        }
        return out;
    };
    auto bestOf = [&](std::uint32_t seed) {
        std::vector<int> v;
        for (const BestValues::Entry& e : BestValues::Find(p, seed, kTargets)) v.push_back(e.value);
        return v;
    };
    EXPECT_EQ(series(4), series(4));
    EXPECT_EQ(bestOf(4), bestOf(4));
    const std::vector<double> a = series(4), b = series(5);
    int same = 0;
    for (std::size_t i = 0; i < a.size(); ++i) same += a[i] == b[i];
    EXPECT_EQ(same, 0);
    EXPECT_NE(bestOf(4), bestOf(5));
}

/// The transmitter of the built-in profiles as it has always been: one curve for every row.
struct Formula {
    static double ErrorHz(const CRadioProfile& p, int refOsc) {
        return (refOsc - p.refOscIdeal) * p.refOscHzPerStep;
    }
    static double PowerW(const CRadioProfile& p, int power, int currentLimit) {
        const double raw = p.powerSatW * (1.0 - std::exp(-power / p.powerTau));
        return std::min(raw, p.currentLimitW * (currentLimit + 1));
    }
    static double HighToneHz(const CRadioProfile& p, int balance, int limit) {
        return std::min(3000.0 * (1.0 + (balance - p.devBalanceIdeal) * 0.004),
                        limit * p.devLimitHzPerStep);
    }
};

TEST(RadioResponse, TheEarlierProfilesReadExactlyAsBeforeWithTheSameNoise) {
    const struct {
        int refOsc, power, currentLimit, balance, limit;
    } settings[] = {{0, 0, 10, 0, 32767},
                    {60, 35, 15, 56, 4000},
                    {127, 127, 3, 127, 2900},
                    {270, 65, 10, 32, 1000}};
    for (const std::string& name : CBench::ProfileNames()) {
        if (name == "realistic" || name == "hard")
            continue;
        SCOPED_TRACE(name);
        const CRadioProfile p = Profile(name);
        for (bool noise : {false, true}) {
            SimRadioDriver radio(p, 3, noise);
            std::mt19937 rng(3);  // the same draws as the radio, in its order
            auto draw = [&](double sigma) {
                return noise ? std::normal_distribution<double>(0.0, sigma)(rng) : 0.0;
            };
            for (int row = 0; row < p.Count(1); ++row) {
                radio.Open(kPowerHigh, p.Frequencies(1)[static_cast<std::size_t>(row)]);
                radio.Ask("000212");  // high tone
                for (const auto& s : settings) {
                    radio.Set(0, std::min(s.refOsc, SoftpotField::TuningMax(0, p.Family())));
                    radio.Set(1, s.power);
                    radio.Set(4, s.currentLimit);
                    radio.Set(2, s.balance);
                    radio.Set(5, s.limit);
                    const RfOutput o = radio.Radio().Transmitter();
                    const int refOsc = std::min(s.refOsc, SoftpotField::TuningMax(0, p.Family()));
                    EXPECT_EQ(o.errorHz, Formula::ErrorHz(p, refOsc) + draw(1.0));
                    EXPECT_EQ(o.powerW, std::max(0.0, Formula::PowerW(p, s.power, s.currentLimit) *
                                                          (1.0 + draw(0.003))));
                    EXPECT_EQ(
                        o.deviationHz,
                        std::max(0.0, Formula::HighToneHz(p, s.balance, s.limit) + draw(3.0)));
                }
            }
        }
    }
}

}  // namespace
