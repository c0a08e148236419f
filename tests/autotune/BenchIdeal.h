#pragma once

#include <cmath>

#include "bench/RadioProfile.h"

/// Softpot type and bench power level code of each automatic tuning feature (0 Reference
/// Oscillator, 1 to 3 Tx Power High, Mid and Low, 4 Tx Deviation Balance, 5 Tx Deviation Limit).
constexpr int kBenchFeatureTypes[] = {0, 1, 1, 1, 2, 5};
constexpr int kBenchPowerCodes[] = {0, 0x00, 0x01, 0x03, 0, 0};

/// The value at which the bench radio reads the target of a feature.
inline double BenchIdeal(const CRadioProfile& p, int featureIndex, double target) {
    switch (featureIndex) {
        case 0:
            return p.refOscIdeal;
        case 4:
            return p.devBalanceIdeal;
        case 5:
            return target / p.devLimitHzPerStep;
        default:  // power = sat x (1 - exp(-v / tau))
            return -p.powerTau * std::log(1.0 - target / p.powerSatW);
    }
}
