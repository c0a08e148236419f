#pragma once

#include <string>
#include <vector>

#include "autotune/AutoTuneTasks.h"

/// Where every transmit row's value stands when a whole-radio run begins.
enum class RunStart {
    Bottom,   ///< at the bottom of the tuning screen's range (0)
    Top,      ///< at the top of the tuning screen's range
    Profile,  ///< the values the bench radio was programmed with
};

/// One whole-radio alignment to measure: a built-in bench profile, a start and a search.
struct WholeRadioCase {
    std::string profile;
    RunStart start = RunStart::Profile;
    SearchKind search = SearchKind::Fit;

    /// "bottom", "top" or "profile".
    static const char* StartName(RunStart start);
    /// "secant" or "fit".
    static const char* SearchName(SearchKind search);
};

/// What one whole-radio alignment cost and how close it came.
///
/// Times are modelled, not taken from the wall clock: the test-set wire (10 bits a byte at
/// 19200 baud), the radio wire (at 9600 baud), the test set's measuring time for every
/// measurement it made and the host's mandated sleeps (the simulated clock). The floor is
/// what any search would need: two readings a row (each its measurement, its test-set
/// exchange and the radio exchange that sets the value; three on Tx Deviation Balance, whose
/// low-tone reading comes first) and one more value sent, plus the run's sleeps and the radio
/// traffic that is not the search's own (feature starts, row selection, keying, programming).
struct WholeRadioFigures {
    bool ok = false;
    std::string error;  ///< why the run could not be made

    int rows = 0;
    std::vector<int> readings;  ///< readings each row took, in report order
    double readingsMedian = 0;
    int readingsMax = 0;
    std::string readingsMaxRow;  ///< the first row that took readingsMax ("Tx Power Low row 2")
    int failed = 0;              ///< rows that did not pass
    /// Rows whose best value lies strictly inside the range and that did not pass or ended
    /// more than kNearSteps from it.
    int missed = 0;
    int bestAtEnd = 0;    ///< rows whose best value is an end of the range (not counted missed)
    int noBest = 0;       ///< rows the bench's best values do not list (none should be)
    int maxDistance = 0;  ///< largest distance of a final value from its best value, all rows
    /// Programmed features whose values in the radio differ from the report's.
    int programMismatch = 0;
    bool stopped = false;  ///< the run ended early (its reason in error)

    double testSetWireS = 0;
    double radioWireS = 0;
    double measuringS = 0;
    double sleepS = 0;
    int measurements = 0;
    double timeS = 0;   ///< the sum of the four above
    double floorS = 0;  ///< what any search would need
    double wallS = 0;   ///< real time the run took on this machine

    /// One line for each missed row: its final and best values with their noiseless
    /// readings, its readings and how it ended ("Tx Power High row 2: 114 reads 2.63 W, best
    /// 102 reads 2.5 W (noiseless); 5 readings, passed").
    std::vector<std::string> missedRows;
};

/// A final value at most this far from the best one (in softpot steps) counts as found.
constexpr int kNearSteps = 2;

/// Runs the whole-radio alignment of vegal-cli align (programming on) against a bench radio
/// and simulated HP8920B on their own pseudo-terminals, with noise and the host's clock
/// simulated, and measures it against the bench's best values (seed 1, the built-in limits).
WholeRadioFigures RunWholeRadio(const WholeRadioCase& runCase);

double Median(std::vector<int> values);
