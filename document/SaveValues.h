#pragma once

#include <array>
#include <cstdint>

/// A test frequency of exactly 1.0 MHz (5 Hz steps) marks a row that is not used.
constexpr std::int32_t kNotUsedFreq = 200000;

/// One feature's saved record: softpot type, power level (type 1 only) and ten pairs of
/// test frequency (5 Hz steps) and softpot value. A frequency below 1 ends the valid pairs.
class CSaveValues {
public:
    static constexpr int kPairs = 10;

    std::int32_t m_type = 0;
    std::int32_t m_level = 0;
    std::array<std::int32_t, kPairs> m_freq{};
    std::array<std::int32_t, kPairs> m_value{};

    /// Number of leading frequencies greater than zero (0 to 10).
    int ValidPairs() const;
    bool operator==(const CSaveValues&) const = default;
};
