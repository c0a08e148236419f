#include "screens/TuningFeatures.h"

#include <cstdio>

#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "resources/CommandIds.h"

namespace {

constexpr TuningFeature kFeatures[] = {
    {"Reference Oscillator", kRefOsc, 0, TunerBarKind::ProgramPtt, Cmd::kRefOsc},
    {"Tx Power High", kTxPower, 3, TunerBarKind::ProgramPtt, Cmd::kTxPowerHigh},
    {"Tx Power Mid", kTxPower, 2, TunerBarKind::ProgramPtt, Cmd::kTxPowerMid},
    {"Tx Power Low", kTxPower, 1, TunerBarKind::ProgramPtt, Cmd::kTxPowerLow},
    {"Tx Current Limit", kCurrentLimit, 0, TunerBarKind::ProgramPtt, Cmd::kCurrentLimit},
    {"Tx Deviation Balance", kDevBalance, 0, TunerBarKind::DeviationBalance, Cmd::kDevBalance},
    {"Tx Deviation Limit", kDevLimit, 0, TunerBarKind::ProgramPtt, Cmd::kDevLimit},
    {"Rx Front End Filter", kFrontEndFilter, 0, TunerBarKind::Receiver, Cmd::kFrontEndFilter},
};

}  // namespace

const TuningFeature* TuningFeatureTable(int& count) {
    count = static_cast<int>(std::size(kFeatures));
    return kFeatures;
}

const TuningFeature* FindTuningFeature(const std::string& name) {
    for (const TuningFeature& f : kFeatures)
        if (name == f.name)
            return &f;
    return nullptr;
}

int TuningHelpContext(int feature) {
    switch (feature) {
        case kRefOsc:
            return HelpId::kRefOsc;
        case kTxPower:
            return HelpId::kTxPower;
        case kDevBalance:
            return HelpId::kDevBalance;
        case kFrontEndFilter:
            return HelpId::kFrontEndFilter;
        case kCurrentLimit:
            return HelpId::kCurrentLimit;
        default:
            return HelpId::kDevLimit;
    }
}

std::string FormatRowFrequency(std::int32_t freq) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%3.4f", "", MessageFields::FreqToMHz(freq));
    return text;
}
