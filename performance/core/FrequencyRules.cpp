#include "FrequencyRules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct BandRow {
    char band;
    FrequencyLimits first;   ///< radios not of model family 2
    FrequencyLimits second;  ///< model family 2
};

// The receive table; the transmit table differs only in band U of the first table.
constexpr BandRow kBands[] = {
    {'J', {136.0, 162.0}, {0.0, 0.0}},     {'K', {146.0, 174.0}, {136.0, 174.0}},
    {'Q', {403.0, 433.0}, {380.0, 470.0}}, {'R', {450.0, 482.0}, {0.0, 0.0}},
    {'S', {482.0, 512.0}, {450.0, 520.0}}, {'U', {851.0, 870.0}, {764.0, 870.0}},
};
constexpr double kTestPatternFirstUpperBandLow = 806.0;

constexpr std::int64_t kRaster6250 = 6250;

FrequencyLimits Lookup(const std::string& modelNumber, int modelFamily, bool transmit) {
    if (modelNumber.size() < 4)
        return {};
    for (const BandRow& row : kBands) {
        if (row.band != modelNumber[3])
            continue;
        if (modelFamily == 2)
            return row.second;
        FrequencyLimits limits = row.first;
        if (transmit && row.band == 'U')
            limits.lower = kTestPatternFirstUpperBandLow;
        return limits;
    }
    return {};
}

/// The next multiple of step above hz (integer division truncated toward zero).
std::int64_t NextAbove(std::int64_t hz, std::int64_t step) {
    return (hz / step + 1) * step;
}

/// Hz of a frequency in MHz, truncated. Far outside any band the value only has to stay an
/// integer, so a typed 1e300 cannot overflow.
std::int64_t TruncatedHz(double mhz) {
    const double hz = mhz * 1e6;
    if (!std::isfinite(hz))
        return 0;
    return static_cast<std::int64_t>(std::clamp(hz, -1e15, 1e15));
}

double ClampToLimits(double mhz, const FrequencyLimits& limits) {
    if (mhz > limits.upper)
        mhz = limits.upper;
    if (mhz < limits.lower)
        mhz = limits.lower;
    return mhz;
}

}  // namespace

FrequencyLimits BerFrequencyLimits(const std::string& modelNumber, int modelFamily) {
    return Lookup(modelNumber, modelFamily, false);
}

FrequencyLimits TestPatternFrequencyLimits(const std::string& modelNumber, int modelFamily) {
    return Lookup(modelNumber, modelFamily, true);
}

double OnChannelRaster(double mhz, int bandClass) {
    const std::int64_t h = TruncatedHz(mhz);
    if (bandClass == 7 || bandClass == 6) {
        const std::int64_t step = bandClass == 7 ? 2500 : 5000;
        if (h % step == 0 || h % kRaster6250 == 0)
            return mhz;
        const std::int64_t a = NextAbove(h, step);
        const std::int64_t b = NextAbove(h, kRaster6250);
        return static_cast<double>(a < b ? a : b) * 1e-6;
    }
    if (h % kRaster6250 != 0)
        return static_cast<double>(NextAbove(h, kRaster6250)) * 1e-6;
    return mhz;
}

double CheckBerFrequency(double mhz, int bandClass, const FrequencyLimits& limits) {
    double f = ClampToLimits(OnChannelRaster(mhz, bandClass), limits);
    if (f > 776.0 && f < 851.0)
        f = 851.0;
    return f;
}

double CheckTestPatternFrequency(double mhz, int bandClass, const FrequencyLimits& limits) {
    double f = ClampToLimits(OnChannelRaster(mhz, bandClass), limits);
    if (f > 776.0 && f < 794.0)
        f = 794.0;
    else if (f > 824.0 && f < 851.0)
        f = 851.0;
    return f;
}
