#pragma once

#include <optional>
#include <string>

#include "autotune/TuningSearch.h"

/// How the tuning of one row ended, and what it showed.
///
/// A row has a verdict only when a validated reading was taken with its final value in the
/// radio: that reading decides PASS (within the tolerance of the target) or FAIL, whatever
/// ended the search. A row that ended for any other reason has no verdict, and its slider was
/// put back where the row began unless it was stopped or the screen or the link is gone.
struct RowOutcome {
    enum class End {
        Judged,       ///< a validated reading at the final value gave the verdict
        Stopped,      ///< a stop was asked for
        NoAnswer,     ///< the test set did not answer (the run ends)
        BadReading,   ///< a reply was incorrect or a field no valid measurement
        NotSet,       ///< the analyzer frequency could not be set (no "CTS")
        NotKeyed,     ///< the transmitter did not key (the radio refused, or nothing happened)
        Refused,      ///< the radio refused a live value
        BadTarget,    ///< the target power field holds no usable number
        LinkLost,     ///< the radio link failed
        ScreenGone,   ///< the tuning screen was closed
        NotAFeature,  ///< the screen is no feature automatic tuning knows
    };

    int row = 0;  ///< 0 to 9
    End end = End::NotAFeature;
    std::optional<TuningSearchResult> search;  ///< when the search ran
    /// The validated reading taken with the final value in the radio; only when Judged.
    std::optional<double> reading;
    int startPosition = 0;
    int finalPosition = 0;
    bool restored = false;  ///< the slider was put back to startPosition
    int readings = 0;       ///< measurements the row asked the test set for
    double target = 0.0;
    double tolerance = 0.0;
    std::string unit;  ///< "Hz" or "W"
    bool pass = false;
    /// Why the row has no verdict, or why it failed; empty when it passed.
    std::string reason;

    /// The run cannot go on after this row (no answer, link lost, screen gone).
    bool EndsRun() const {
        return end == End::NoAnswer || end == End::LinkLost || end == End::ScreenGone;
    }
    /// The status monitor's line for the row ("Row 2: 2.503 W (target 2.5 W +/- 0.1 W):
    /// within tolerance").
    std::string StatusLine() const;
};

/// Why a search that gave a reading at its final value ended as it did, when that explains a
/// miss ("the slider stopped at 127, the end of its range"); empty otherwise.
std::string SearchEndReason(const TuningSearchResult& result);
