#include "autotune/AlignmentLimits.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "radio/KeyValueText.h"
#include "radio/NumberText.h"

namespace {

/// Key prefix of each feature, in automatic tuning index order, with its built-in values.
struct FeatureKeys {
    const char* prefix;
    double target;
    double tolerance;
    const char* comment;
};

constexpr FeatureKeys kKeys[CAlignmentLimits::kFeatures] = {
    {"refOsc", 0.0, 50.0, "Hz of carrier frequency error"},
    {"powerHigh", 2.5, 0.1, "W"},
    {"powerMid", 1.5, 0.08, "W"},
    {"powerLow", 0.5, 0.05, "W"},
    {"devBalance", 3000.0, 60.0, "Hz of FM deviation on the high tone"},
    {"devLimit", 2800.0, 50.0, "Hz of FM deviation"},
};

}  // namespace

CAlignmentLimits::CAlignmentLimits() {
    for (int i = 0; i < kFeatures; ++i) {
        m_limits[i].target = kKeys[i].target;
        m_limits[i].tolerance = kKeys[i].tolerance;
    }
}

bool CAlignmentLimits::Parse(const std::string& text, std::string& error) {
    std::array<Limit, kFeatures> limits = m_limits;
    const auto take = [&limits](const std::string& key, const std::string& value) -> std::string {
        for (int i = 0; i < kFeatures; ++i) {
            const std::string prefix = kKeys[i].prefix;
            const bool isTarget = key == prefix + "Target";
            const bool isTolerance = key == prefix + "Tolerance";
            if (!isTarget && !isTolerance)
                continue;
            double d = 0.0;
            if (!NumberText::ParseDouble(value, d))
                return key + " needs a number, not \"" + value + "\"";
            if (isTolerance) {
                if (!(d > 0.0))
                    return key + " must be greater than 0";
                limits[i].tolerance = d;
            } else {
                if (i >= 1 && i <= 3 && !(d > 0.0))
                    return key + " must be greater than 0 W";
                if (i >= 4 && d < 0.0)
                    return key + " cannot be negative";
                limits[i].target = d;
                limits[i].targetFromFile = true;
            }
            return {};
        }
        return "unknown key \"" + key + "\"";
    };
    const auto missingEquals = [](const std::string& line) {
        return "expected KEY = VALUE, not \"" + line + "\"";
    };
    if (!KeyValueText::Read(text, take, missingEquals, error))
        return false;
    m_limits = limits;
    return true;
}

bool CAlignmentLimits::Load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!Parse(text.str(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

void CAlignmentLimits::SetDefaultTarget(int featureIndex, double target) {
    Limit& l = m_limits.at(featureIndex);
    if (!l.targetFromFile)
        l.target = target;
}

bool CAlignmentLimits::Inside(int featureIndex, double reading) const {
    const Limit& l = For(featureIndex);
    return std::isfinite(reading) && std::fabs(reading - l.target) <= l.tolerance;
}

const char* CAlignmentLimits::Key(int featureIndex) {
    return featureIndex >= 0 && featureIndex < kFeatures ? kKeys[featureIndex].prefix : "";
}

const char* CAlignmentLimits::Unit(int featureIndex) {
    return featureIndex >= 1 && featureIndex <= 3 ? "W" : "Hz";
}

std::string CAlignmentLimits::DefaultText() {
    std::string text;
    char buf[160];
    for (const FeatureKeys& k : kKeys) {
        std::snprintf(buf, sizeof buf, "%sTarget = %g    # %s\n%sTolerance = %g\n", k.prefix,
                      k.target, k.comment, k.prefix, k.tolerance);
        text += buf;
    }
    return text;
}
