#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "RadioProfile.h"

/// The truth an alignment can be checked against: for every transmit row of a bench radio (a
/// profile and a seed), the softpot value whose noiseless reading comes closest to the
/// feature's target, over the tuning screen's range for that feature.
namespace BestValues {

/// Features in automatic tuning order: 0 Reference Oscillator, 1 to 3 Tx Power High, Mid and
/// Low, 4 Tx Deviation Balance, 5 Tx Deviation Limit.
constexpr int kFeatures = 6;
/// Targets in that order: Hz of carrier error, W, W, W, Hz of deviation, Hz of deviation.
using Targets = std::array<double, kFeatures>;

struct Entry {
    int feature = 0;         ///< automatic tuning index
    int row = 0;             ///< row of the feature, from 0
    std::uint32_t freq = 0;  ///< test frequency in 5 Hz steps
    int value = 0;           ///< the best value
    double reading = 0;      ///< its noiseless reading
};

/// Softpot type and Tx Power level (1 Low, 2 Mid, 3 High; 0 for the others) of a feature.
int Type(int feature);
int Level(int feature);

/// The noiseless reading of a feature's row at a value, with the radio set up as a tuning
/// screen keys it: the current limit at 15 for Tx Power on family 1 (at its programmed value
/// on family 2), the deviation limit at its top for the balance (high tone), the symbol rate
/// pattern on a 25 kHz channel for the deviation limit.
double Reading(const CRadioProfile& profile, std::uint32_t seed, int feature, int row, int value);

/// Every transmit row of the radio, feature by feature in automatic tuning order, rows in list
/// order. The lowest value wins a tie.
std::vector<Entry> Find(const CRadioProfile& profile, std::uint32_t seed, const Targets& targets);

/// One line: "Tx Power High  row 2  160.0125 MHz  best 87  reads 2.4990 W" (rows from 1).
std::string Line(const Entry& entry);

}  // namespace BestValues
