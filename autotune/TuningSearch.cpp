#include "autotune/TuningSearch.h"

#include <cmath>
#include <limits>

namespace {

/// A double truncated toward zero to an int, held within the int range.
int TruncateToInt(double v) {
    if (std::isnan(v))
        return 0;
    constexpr double kMax = static_cast<double>(std::numeric_limits<int>::max() / 2);
    if (v > kMax)
        v = kMax;
    if (v < -kMax)
        v = -kMax;
    return static_cast<int>(std::trunc(v));
}

}  // namespace

TuningSearchResult TuningSearch::Run(const Measure& measure, const MoveAndReadBack& moveAndReadBack,
                                     const Stop& stop) const {
    TuningSearchResult result;
    const std::optional<double> m0 = measure();
    const int p0 = moveAndReadBack(std::nullopt);
    result.position = p0;
    if (!m0) {
        result.end = SearchEnd::NoReading;
        return result;
    }
    result.reading = *m0;

    // First step: 5 % of the upper end, up from inside the range, down from its top.
    const double step = 0.05 * upper;
    const int p1 = TruncateToInt(lower <= p0 && p0 < upper ? p0 + step : p0 - step);
    moveAndReadBack(p1);
    int requested = p1;

    int previous = p0;
    double previousReading = *m0;
    for (;;) {
        if (stop && stop()) {
            result.end = SearchEnd::Stopped;
            return result;
        }
        if (result.passes >= maxPasses) {
            result.end = SearchEnd::PassBound;
            return result;
        }
        ++result.passes;
        const std::optional<double> m = measure();
        const int p = moveAndReadBack(std::nullopt);
        result.previousPosition = previous;
        result.previousReading = previousReading;
        result.position = p;
        if (!m) {
            result.end = SearchEnd::NoReading;
            return result;
        }
        result.reading = *m;
        result.readingAtFinal = true;
        if (p == previous) {
            // The last step did not move the slider: converged, or held at the range's end.
            if (requested != previous)
                result.end = SearchEnd::RangeEnd;
            else
                result.end = result.passes == 1 ? SearchEnd::FirstStepZero : SearchEnd::Converged;
            return result;
        }
        const double slope = (*m - previousReading) / static_cast<double>(p - previous);
        if (slope == 0.0 || !std::isfinite(slope)) {
            result.end = SearchEnd::ZeroSlope;
            return result;
        }
        const int d = TruncateToInt((target - *m) / slope);
        const long long q = static_cast<long long>(p) + d;
        requested = static_cast<int>(q);
        moveAndReadBack(requested);
        result.readingAtFinal = false;
        previous = p;
        previousReading = *m;
    }
}
