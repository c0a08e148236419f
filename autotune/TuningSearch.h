#pragma once

#include <functional>
#include <optional>
#include <string>

/// How a tuning search ended.
enum class SearchEnd {
    Converged,      ///< the last step truncated to 0: the reading is within one step of the target
    RangeEnd,       ///< the slider did not move: it stands at the end of its range
    FirstStepZero,  ///< the first step is smaller than one position, so nothing was tried
    ZeroSlope,      ///< two readings at different positions were equal: no direction to go
    PassBound,      ///< the pass bound was reached before the search settled
    Stopped,        ///< a stop was asked for
    NoReading,      ///< a measurement did not come
    // Ends of the fitting search of a whole-radio run.
    Settled,        ///< the value whose reading is closest to the target was found and verified
    OutOfReach,     ///< the target lies beyond what either end of the range gives
    Noisy,          ///< the readings scatter more than the tolerance allows to decide
    ReadingBound,   ///< the bound of readings a row was reached before the search settled
};

/// The result of one row's search.
struct TuningSearchResult {
    SearchEnd end = SearchEnd::NoReading;
    int passes = 0;        ///< loop passes (one measurement each, the first one not counted)
    int position = 0;      ///< slider position at the end
    double reading = 0.0;  ///< last reading taken
    int previousPosition = 0;
    double previousReading = 0.0;
    /// The last reading was taken with the slider where the search left it (no step came
    /// after it): false after the pass bound or a stop, which end right after a step.
    bool readingAtFinal = false;
    /// Readings taken in all (the fitting search counts every one, repeats and the
    /// verification included).
    int readings = 0;
    /// The search's estimate of the reading's change per step at the end (0 when it has none).
    double slope = 0.0;

    /// The search settled: its last step truncated to 0.
    bool ReachedTarget() const { return end == SearchEnd::Converged; }
};

/// The search over one slider: secant steps from a first step of 5 % of the range.
///
/// measure takes one reading (empty when no valid one came); moveAndReadBack moves the slider to a
/// position when one is given (the slider keeps it within its range) and returns the
/// position the slider shows. stop is asked before every pass.
struct TuningSearch {
    using Measure = std::function<std::optional<double>()>;
    using MoveAndReadBack = std::function<int(std::optional<int> position)>;
    using Stop = std::function<bool()>;

    /// Passes after which a search that has not settled ends.
    static constexpr int kMaxPasses = 20;

    double target = 0.0;
    int lower = 0;  ///< the lower range label
    int upper = 0;  ///< the upper range label
    int maxPasses = kMaxPasses;

    TuningSearchResult Run(const Measure& measure, const MoveAndReadBack& moveAndReadBack,
                           const Stop& stop = {}) const;
};
