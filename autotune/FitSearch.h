#pragma once

#include "autotune/TuningSearch.h"

/// The search of a whole-radio run: it fits a line through the readings of the row and aims
/// for the value whose reading is closest to the target, not merely for one within tolerance.
///
/// A pure function of the readings it takes, like TuningSearch: measure, moveAndReadBack and
/// stop are the same callables (the measuring and the slider's moves stay outside). It starts
/// from the slope it is given (the one learnt on the previous row of the same feature, or the
/// feature's typical slope), weighs recent readings more, brackets and bisects where the
/// response is flat, clipped or saturated, measures again a reading far from what the fit
/// predicts before believing it, and ends with a reading taken at the chosen value
/// (readingAtFinal). It never takes more than maxReadings readings a row, and a row it cannot
/// bring within the tolerance ends with why (OutOfReach, RangeEnd, Noisy, ReadingBound).
struct FitSearch {
    /// Readings a row may take at most, the verification included.
    static constexpr int kMaxReadings = 8;

    double target = 0.0;
    double tolerance = 0.0;  ///< what counts as within; the search still aims for the best value
    int lower = 0;           ///< the range of the slider's values
    int upper = 0;
    double priorSlope = 0.0;  ///< expected reading change per step (0: unknown)
    /// Spread of the given slope as a fraction of it: a slope learnt on the row before is
    /// close (the default); a feature's typical slope, on a radio not yet seen, may be off
    /// several times (kGuessSpread).
    double priorSpread = kLearntSpread;
    static constexpr double kLearntSpread = 0.5;
    static constexpr double kGuessSpread = 1.5;
    double noise = 0.0;  ///< typical scatter of one reading (0: unknown)
    int maxReadings = kMaxReadings;

    TuningSearchResult Run(const TuningSearch::Measure& measure,
                           const TuningSearch::MoveAndReadBack& moveAndReadBack,
                           const TuningSearch::Stop& stop = {}) const;
};
