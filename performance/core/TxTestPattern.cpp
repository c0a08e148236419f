#include "TxTestPattern.h"

#include "document/Logs.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/NumberText.h"
#include "radio/RadioCommands.h"
#include "resources/StringTable.h"

const std::array<TxPatternChoice, 10> CTxTestPattern::kPatterns = {{
    {"Digital Voice", 0x20},
    {"Standard Tone Test pattern (framed 1011)", 0x21},
    {"Standard TX Symbol Rate Pattern (high deviation)", 0x23},
    {"Standard TX Low Deviation Pattern", 0x24},
    {"Standard TX Test Pattern (formerly CCITT V.52)", 0x25},
    {"Standard TX C4FM Modulation Fidelity", 0x26},
    {"APCO Raw 1011", 0x22},
    {"APCO Silent Frame (CAI, IMBE)", 0x27},
    {"DM0", 0x28},
    {"DM1", 0x29},
}};

const std::array<TxSpacingChoice, 2> CTxTestPattern::kSpacings = {
    {{"12.5", kSpacing12k5}, {"25", kSpacing25k}}};

CTxTestPattern::CTxTestPattern(CTunerDoc& doc) : m_doc(doc) {}

int CTxTestPattern::SpacingCode() const {
    return kSpacings[m_spacing == 0 ? 0 : 1].code;
}

void CTxTestPattern::UpdateFrequencyText() {
    m_frequencyText = NumberText::Fixed(m_frequency, 6) + " MHz";
}

void CTxTestPattern::Open() {
    LogFeatureTitle(m_doc, kFeature, 0);
    EnterTestMode(m_doc);
    m_pattern = 0;
    m_spacing = kDefaultSpacing;
    m_limits = TestPatternFrequencyLimits(m_doc.GetModelNumber(), m_doc.GetModelFamily());
    m_frequency = m_limits.lower;
    m_sentFrequency = MessageFields::MHzToFreq(m_frequency);
    TransmitPattern(m_doc, m_sentFrequency, SpacingCode());
    SelectModulation(m_doc, kPatterns[0].code);
    UpdateFrequencyText();
    m_status = std::string(Str::kTransmitterOff) + m_frequencyText;
}

void CTxTestPattern::CheckFrequency() {
    m_frequency = CheckTestPatternFrequency(m_frequency, m_doc.GetBandClass(), m_limits);
    UpdateFrequencyText();
    if (!m_transmitting)
        return;  // sent at the next keying; the status keeps the frequency on the air
    const std::int32_t freq = MessageFields::MHzToFreq(m_frequency);
    if (freq != m_sentFrequency) {
        SetPtt(m_doc, false, kFeature);
        TransmitPattern(m_doc, freq, SpacingCode());
        m_sentFrequency = freq;
        SetPtt(m_doc, true, kFeature);
    }
    m_status = std::string(Str::kTransmittingAt) + m_frequencyText;
}

void CTxTestPattern::PttToggle() {
    if (!m_transmitting) {
        const std::int32_t freq = MessageFields::MHzToFreq(m_frequency);
        if (freq != m_sentFrequency) {
            TransmitPattern(m_doc, freq, SpacingCode());
            m_sentFrequency = freq;
        }
        m_transmitting = true;
        m_status = std::string(Str::kTransmittingAt) + m_frequencyText;
        SetPtt(m_doc, true, kFeature);
    } else {
        m_transmitting = false;
        m_status = std::string(Str::kTransmitterOff) + m_frequencyText;
        SetPtt(m_doc, false, kFeature);
    }
}

void CTxTestPattern::SpacingChanged(int index) {
    m_spacing = index == 0 ? 0 : 1;
    TransmitPattern(m_doc, m_sentFrequency, SpacingCode());
}

void CTxTestPattern::PatternChanged(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kPatterns.size())
        return;
    m_pattern = index;
    SelectModulation(m_doc, kPatterns[static_cast<std::size_t>(index)].code);
}

void CTxTestPattern::Close() {
    if (m_transmitting)
        SetPtt(m_doc, false, kFeature);
    m_transmitting = false;
}
