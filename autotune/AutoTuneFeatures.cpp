#include "autotune/AutoTuneFeatures.h"

#include <array>
#include <cstdlib>

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

double ToNumber(const std::string& text) {
    return std::atof(text.c_str());
}

}  // namespace AutoTuneFeatures
