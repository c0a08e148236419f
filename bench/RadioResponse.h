#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "RadioProfile.h"

/// The noiseless transmitter of one radio unit, row by row: what the carrier error, the power
/// and the deviation are at a softpot value on each test frequency of a transmit feature. A
/// row's response comes from its place in the band and the profile's spread parameters plus
/// terms seeded per row (and per Tx Power level), so a profile and a seed always make the same
/// radio. With the spread parameters at zero every row answers alike.
class CRadioResponse {
public:
    /// Tone deviation of the deviation balance's low tone, and the high tone's at balance.
    static constexpr double kToneHz = 3000.0;

    CRadioResponse(const CRadioProfile& profile, std::uint32_t seed);

    /// Row of a transmit type (0, 1, 2 or 5) whose frequency is nearest freq; -1 when the
    /// type has no rows (the profile's nominal response then applies).
    int Row(int type, std::uint32_t freq) const;
    /// Place of a frequency in the band of the records: -1 at the lowest, +1 at the highest.
    double BandPosition(std::uint32_t freq) const;

    /// Carrier error in Hz at a reference oscillator value.
    double CarrierErrorHz(int row, int value) const;
    /// Ideal point (zero carrier error) of a reference oscillator row, in steps.
    double RefOscIdeal(int row) const;
    /// Power in W at a Tx Power value of a level (1 Low, 2 Mid, 3 High), before the current
    /// limit: knee, then a rise that saturates.
    double PowerW(int level, int row, int value) const;
    /// High-tone deviation in Hz at a deviation balance value (the low tone is kToneHz).
    double HighToneHz(int row, int value) const;
    /// Deviation the limiter allows in Hz at a deviation limit value.
    double LimitHz(int row, int value) const;
    /// A modulating deviation after the limiter (0 for no modulation).
    double Clip(double signalHz, double limitHz) const;

    /// One row's parameters: gain (relative), offset (steps) and, for Tx Power, the
    /// saturation power's factor.
    struct RowParams {
        double gain = 1.0;
        double offset = 0.0;
        double satFactor = 1.0;
    };

private:
    enum Feature { kRefOsc, kPowerLow, kPowerMid, kPowerHigh, kDevBalance, kDevLimit, kCount };

    const RowParams& Params(Feature f, int row) const;
    void Fill(Feature f, int type, const CRadioProfile::RowSpread& spread, std::uint32_t seed);

    CRadioProfile m_profile;
    std::uint32_t m_lowFreq = 0, m_highFreq = 0;
    double m_refOscRange = 127;
    std::array<std::vector<RowParams>, kCount> m_rows;
    RowParams m_nominal;
};
