#include "BestValues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "RadioResponse.h"
#include "SimRadio.h"
#include "radio/SoftpotField.h"

namespace {

constexpr int kTypes[BestValues::kFeatures] = {0, 1, 1, 1, 2, 5};
constexpr int kLevels[BestValues::kFeatures] = {0, 3, 2, 1, 0, 0};

/// What the tuning screen leaves in the radio while it tunes a feature.
constexpr int kCurrentLimitKeyedFamily1 = 0x0F;
constexpr int kDevLimitTop = 0x7FFF;
constexpr int kDevLimitPattern = 0x23;
constexpr int kWideChannel = 0x64;

double ReadingOf(const CRadioProfile& p, const CRadioResponse& r, int feature, int row,
                 std::uint32_t freq, int value) {
    switch (feature) {
        case 0:
            return r.CarrierErrorHz(row, value);
        case 4:
            return r.Clip(r.HighToneHz(row, value), r.LimitHz(r.Row(5, freq), kDevLimitTop));
        case 5:
            return r.Clip(CSimRadio::PatternDeviationHz(kDevLimitPattern, kWideChannel),
                          r.LimitHz(row, value));
        default: {
            const int limit = p.Family() == 1 ? kCurrentLimitKeyedFamily1 : p.initial[4];
            return std::min(r.PowerW(kLevels[feature], row, value), p.currentLimitW * (limit + 1));
        }
    }
}

}  // namespace

namespace BestValues {

int Type(int feature) {
    return kTypes[feature];
}

int Level(int feature) {
    return kLevels[feature];
}

double Reading(const CRadioProfile& profile, std::uint32_t seed, int feature, int row, int value) {
    const std::vector<std::uint32_t> freqs = profile.Frequencies(kTypes[feature]);
    return ReadingOf(profile, CRadioResponse(profile, seed), feature, row,
                     freqs.at(static_cast<std::size_t>(row)), value);
}

std::vector<Entry> Find(const CRadioProfile& profile, std::uint32_t seed, const Targets& targets) {
    const CRadioResponse response(profile, seed);
    std::vector<Entry> out;
    for (int f = 0; f < kFeatures; ++f) {
        const int type = kTypes[f];
        const int max = SoftpotField::TuningMax(type, profile.Family());
        const std::vector<std::uint32_t> freqs = profile.Frequencies(type);
        for (std::size_t i = 0; i < freqs.size(); ++i) {
            Entry e;
            e.feature = f;
            e.row = static_cast<int>(i);
            e.freq = freqs[i];
            double bestMiss = INFINITY;
            for (int v = 0; v <= max; ++v) {
                const double reading = ReadingOf(profile, response, f, e.row, e.freq, v);
                const double miss = std::fabs(reading - targets[f]);
                if (miss < bestMiss) {
                    bestMiss = miss;
                    e.value = v;
                    e.reading = reading;
                }
            }
            out.push_back(e);
        }
    }
    return out;
}

std::string Line(const Entry& e) {
    const bool watts = Type(e.feature) == 1;
    char text[160];
    std::snprintf(text, sizeof text, "%s  row %d  %.4f MHz  best %d  reads %.*f %s",
                  SoftpotField::Name(Type(e.feature), Level(e.feature)).c_str(), e.row + 1,
                  e.freq * 5e-6, e.value, watts ? 4 : 1, e.reading, watts ? "W" : "Hz");
    return text;
}

}  // namespace BestValues
