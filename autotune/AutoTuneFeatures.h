#pragma once

#include <string>

#include "autotune/Measurement.h"

/// A feature automatic tuning knows, chosen by the tuning screen's exact title.
struct AutoTuneFeature {
    int index;           ///< 0 to 5
    const char* title;   ///< the tuning screen's title
    bool manual;         ///< manual measurement (code 4): frequency error in field 1
    int field;           ///< field of the reply that is converted: 1, 2 or 3
    double fixedTarget;  ///< target of the features without a target field
    int powerLevel;      ///< for Tx Power: 3 High, 2 Mid, 1 Low (the target field); else 0
    int softpotType;     ///< the feature code of the radio's requests (0, 1, 2 or 5)
};

namespace AutoTuneFeatures {

constexpr int kReferenceOscillator = 0;
constexpr int kTxDeviationBalance = 4;

/// The feature of a tuning screen title; null when automatic tuning has none for it.
const AutoTuneFeature* ByTitle(const std::string& title);
const AutoTuneFeature* ByIndex(int index);
/// What a feature's reading measures: the frequency error for the Reference Oscillator, the
/// power for Tx Power, the FM deviation for the deviation features.
Quantity QuantityOf(const AutoTuneFeature& feature);

/// What a fitting search may expect of a feature's readings before it has taken any: the
/// change of the reading per step of a slider that ranges from 0 to upper, and the scatter
/// of one reading. Readings rise with the value on the radios the tuner knows.
double TypicalSlope(const AutoTuneFeature& feature, int upper);
double TypicalNoise(const AutoTuneFeature& feature);

/// The largest target a power field takes: a portable radio's watts, not a base station's.
constexpr double kMaxTargetWatts = 10.0;
/// What the dialog says about the power fields' range.
constexpr const char* kTargetWattsRange = "greater than 0 and at most 10 W";

/// Reads the text of a target power field: a number of watts ("2.5", ".5", or "2,5" with a
/// decimal comma), with blanks around it, greater than 0 and at most kMaxTargetWatts. False
/// with why (the field is the caller's to name) for anything else.
bool ParseTargetWatts(const std::string& text, double& watts, std::string& why);

}  // namespace AutoTuneFeatures
