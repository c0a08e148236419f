#include "RadioResponse.h"

#include <algorithm>
#include <cmath>

#include "radio/SoftpotField.h"

namespace {

/// A term in -1..1 that depends only on the seed and what it is for (a mixing hash, so that
/// the same seed gives the same radio whatever the measurements drew before).
double SeededTerm(std::uint32_t seed, int feature, int row, int which) {
    std::uint64_t z = (std::uint64_t(seed) << 32) ^ (std::uint64_t(feature) << 20) ^
                      (std::uint64_t(which) << 12) ^ std::uint64_t(row);
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53 * 2.0 - 1.0;
}

/// Softplus of x with a rounding width: 0 far below, x far above, a round corner at 0.
double RoundedRamp(double x, double width) {
    if (width <= 0)
        return std::max(0.0, x);
    const double z = x / width;
    return width * (z > 0 ? z + std::log1p(std::exp(-z)) : std::log1p(std::exp(z)));
}

}  // namespace

CRadioResponse::CRadioResponse(const CRadioProfile& profile, std::uint32_t seed)
    : m_profile(profile) {
    const std::vector<std::uint32_t> all = m_profile.Frequencies(8);
    if (!all.empty()) {
        m_lowFreq = *std::min_element(all.begin(), all.end());
        m_highFreq = *std::max_element(all.begin(), all.end());
    }
    m_refOscRange = SoftpotField::TuningMax(0, m_profile.Family());
    Fill(kRefOsc, 0, m_profile.refOscSpread, seed);
    Fill(kPowerLow, 1, m_profile.powerSpread, seed);
    Fill(kPowerMid, 1, m_profile.powerSpread, seed);
    Fill(kPowerHigh, 1, m_profile.powerSpread, seed);
    Fill(kDevBalance, 2, m_profile.devBalanceSpread, seed);
    Fill(kDevLimit, 5, m_profile.devLimitSpread, seed);
}

void CRadioResponse::Fill(Feature f, int type, const CRadioProfile::RowSpread& s,
                          std::uint32_t seed) {
    const std::vector<std::uint32_t> freqs = m_profile.Frequencies(type);
    std::vector<RowParams>& rows = m_rows[f];
    rows.clear();
    for (std::size_t i = 0; i < freqs.size(); ++i) {
        const int row = static_cast<int>(i);
        const double x = BandPosition(freqs[i]);
        RowParams r;
        r.gain =
            1.0 + s.gainTilt * x - s.gainEdge * x * x + s.gainSpread * SeededTerm(seed, f, row, 0);
        r.offset = s.offsetTilt * x + s.offsetSpread * SeededTerm(seed, f, row, 1);
        if (type == 1) {
            r.satFactor = 1.0 - m_profile.powerSatEdge * x * x +
                          m_profile.powerSatSpread * SeededTerm(seed, f, row, 2);
        }
        rows.push_back(r);
    }
}

int CRadioResponse::Row(int type, std::uint32_t freq) const {
    return m_profile.NearestRecord(type, freq);
}

double CRadioResponse::BandPosition(std::uint32_t freq) const {
    if (m_highFreq <= m_lowFreq)
        return 0.0;
    const double x = (2.0 * freq - double(m_lowFreq) - double(m_highFreq)) /
                     (double(m_highFreq) - double(m_lowFreq));
    return std::clamp(x, -1.0, 1.0);
}

const CRadioResponse::RowParams& CRadioResponse::Params(Feature f, int row) const {
    const std::vector<RowParams>& rows = m_rows[f];
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return m_nominal;
    return rows[static_cast<std::size_t>(row)];
}

double CRadioResponse::RefOscIdeal(int row) const {
    return m_profile.refOscIdeal + Params(kRefOsc, row).offset;
}

double CRadioResponse::CarrierErrorHz(int row, int value) const {
    const RowParams& r = Params(kRefOsc, row);
    const double d = value - RefOscIdeal(row);
    return (d * (1.0 + m_profile.refOscCurvature * d / m_refOscRange)) *
           (m_profile.refOscHzPerStep * r.gain);
}

double CRadioResponse::PowerW(int level, int row, int value) const {
    const Feature f = level == 1 ? kPowerLow : level == 2 ? kPowerMid : kPowerHigh;
    const RowParams& r = Params(f, row);
    const double drive =
        RoundedRamp(value - (m_profile.powerKnee + r.offset), m_profile.powerKneeWidth);
    return (m_profile.powerSatW * r.satFactor) *
           (1.0 - std::exp(-drive / (m_profile.powerTau / r.gain)));
}

double CRadioResponse::HighToneHz(int row, int value) const {
    const RowParams& r = Params(kDevBalance, row);
    const double d = value - (m_profile.devBalanceIdeal + r.offset);
    return kToneHz * (1.0 + d * (m_profile.devBalanceHzPerStep * r.gain / kToneHz));
}

double CRadioResponse::LimitHz(int row, int value) const {
    const RowParams& r = Params(kDevLimit, row);
    return std::max(0.0, (value - r.offset) * (m_profile.devLimitHzPerStep * r.gain));
}

double CRadioResponse::Clip(double signalHz, double limitHz) const {
    if (signalHz <= 0)
        return 0.0;
    const double hard = std::min(signalHz, limitHz);
    const double soft = m_profile.devLimitSoftHz;
    if (soft <= 0)
        return hard;
    // A rounded corner: the smaller of the two, less a little where they come close.
    return std::max(0.0, hard - soft * std::log1p(std::exp(-std::fabs(signalHz - limitHz) / soft)));
}
