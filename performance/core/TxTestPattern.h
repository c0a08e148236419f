#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "FrequencyRules.h"

class CTunerDoc;

/// A built-in transmitter test pattern and the modulation code that selects it.
struct TxPatternChoice {
    const char* text;
    int code;
};

/// A channel spacing and its code in the transmit request.
struct TxSpacingChoice {
    const char* text;
    int code;
};

/// The transmitter test pattern on one radio: frequency, channel spacing and pattern, keying
/// and unkeying, and the status line. The screen is its face.
class CTxTestPattern {
public:
    static constexpr const char* kTitle = "Transmitter Test Pattern";
    /// Feature number of the test pattern's keying requests and its log section.
    static constexpr int kFeature = 21;

    /// The ten patterns in list order.
    static const std::array<TxPatternChoice, 10> kPatterns;
    /// "12.5" (0x32) and "25" (0x64).
    static const std::array<TxSpacingChoice, 2> kSpacings;
    static constexpr int kDefaultSpacing = 1;  ///< "25"

    explicit CTxTestPattern(CTunerDoc& doc);

    /// Opening: log title and test mode; the radio set to the first pattern at the lower band
    /// limit with 25 kHz spacing, not keyed.
    void Open();
    /// The Tx Frequency field lost the focus: raster, limits and the band gaps; while keyed, a
    /// changed frequency unkeys, retunes and keys again.
    void CheckFrequency();
    /// Keys or unkeys the transmitter (tuning first when the frequency changed).
    void PttToggle();
    /// A spacing was chosen: the radio is retuned at the frequency last sent.
    void SpacingChanged(int index);
    /// A pattern was chosen.
    void PatternChanged(int index);
    /// The screen closes (or its data set goes): unkeys when keyed.
    void Close();

    bool Transmitting() const { return m_transmitting; }
    std::int32_t SentFrequency() const { return m_sentFrequency; }
    const FrequencyLimits& Limits() const { return m_limits; }

    double m_frequency = 0.0;  ///< MHz, the field's value
    int m_spacing = kDefaultSpacing;
    int m_pattern = 0;
    std::string m_frequencyText;  ///< "%.6f MHz" of the frequency
    std::string m_status;

private:
    int SpacingCode() const;
    void UpdateFrequencyText();

    CTunerDoc& m_doc;
    FrequencyLimits m_limits;
    bool m_transmitting = false;
    std::int32_t m_sentFrequency = 0;
};
