#include "autotune/AutoTuneFeatures.h"

#include <array>
#include <cstdlib>

#include "radio/NumberText.h"

namespace {

constexpr std::array<AutoTuneFeature, 6> kFeatures = {{
    {0, "Reference Oscillator", true, 1, 0.0, 0, 0},
    {1, "Tx Power High", false, 2, 0.0, 3, 1},
    {2, "Tx Power Mid", false, 2, 0.0, 2, 1},
    {3, "Tx Power Low", false, 2, 0.0, 1, 1},
    {4, "Tx Deviation Balance", false, 3, 3000.0, 0, 2},
    {5, "Tx Deviation Limit", false, 3, 2800.0, 0, 5},
}};

}  // namespace

namespace AutoTuneFeatures {

const AutoTuneFeature* ByTitle(const std::string& title) {
    for (const AutoTuneFeature& f : kFeatures) {
        if (title == f.title)
            return &f;
    }
    return nullptr;
}

const AutoTuneFeature* ByIndex(int index) {
    return index >= 0 && index < static_cast<int>(kFeatures.size()) ? &kFeatures[index] : nullptr;
}

Quantity QuantityOf(const AutoTuneFeature& feature) {
    if (feature.field == 1)
        return feature.manual ? Quantity::FrequencyError : Quantity::TuneFrequency;
    return feature.field == 2 ? Quantity::Power : Quantity::Deviation;
}

double TypicalSlope(const AutoTuneFeature& feature, int upper) {
    switch (QuantityOf(feature)) {
        case Quantity::FrequencyError:
        case Quantity::TuneFrequency:
            // About 1.3 kHz over the whole range: 10 Hz a step on 0-127, 2.5 Hz on 0-511.
            return upper > 0 ? 1280.0 / upper : 10.0;
        case Quantity::Power:
            return 0.03;  // near the targets, below the knee
        case Quantity::Deviation:
            // The balance moves the high tone by about 0.4 % a step; the limit by a hertz.
            return feature.index == kTxDeviationBalance ? 12.0 : 1.0;
    }
    return 0.0;
}

double TypicalNoise(const AutoTuneFeature& feature) {
    switch (QuantityOf(feature)) {
        case Quantity::FrequencyError:
        case Quantity::TuneFrequency:
            return 2.0;
        case Quantity::Power:
            return 0.008;
        case Quantity::Deviation:
            return 4.0;
    }
    return 0.0;
}

bool ParseTargetWatts(const std::string& text, double& watts, std::string& why) {
    std::string point = text;
    for (char& c : point) {
        if (c == ',')
            c = '.';
    }
    double value = 0.0;
    if (!NumberText::ParseDouble(point, value)) {
        why = "\"" + text + "\" is not a number of watts";
        return false;
    }
    if (!(value > 0.0) || value > kMaxTargetWatts) {
        why = "\"" + text + "\" is out of range: the target must be " + kTargetWattsRange;
        return false;
    }
    watts = value;
    return true;
}

}  // namespace AutoTuneFeatures
