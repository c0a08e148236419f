#include "autotune/AlignmentLimits.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

#include "document/FileAccess.h"
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
    using KeyValueText::Quote;
    std::array<Limit, kFeatures> limits = m_limits;
    std::map<std::string, int> seen;  // key and the line that gave it
    const auto take = [&limits, &seen](const std::string& key, const std::string& value,
                                       int line) -> std::string {
        for (int i = 0; i < kFeatures; ++i) {
            const std::string prefix = kKeys[i].prefix;
            const bool isTarget = key == prefix + "Target";
            const bool isTolerance = key == prefix + "Tolerance";
            if (!isTarget && !isTolerance)
                continue;
            // Two values for one key: which one was meant cannot be told.
            const auto [earlier, first] = seen.emplace(key, line);
            if (!first)
                return key + " is given twice (also on line " + std::to_string(earlier->second) +
                       ")";
            double d = 0.0;
            if (!NumberText::ParseDouble(value, d))
                return key + " needs a number, not " + Quote(value);
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
        return "unknown key " + Quote(key);
    };
    const auto missingEquals = [](const std::string& line) {
        return "expected KEY = VALUE, not " + Quote(line);
    };
    if (!KeyValueText::ReadNumbered(text, take, missingEquals, error))
        return false;
    m_limits = limits;
    return true;
}

bool CAlignmentLimits::Load(const std::string& path, std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!FileAccess::ReadRegularFile(path, kMaxFileBytes, bytes, why)) {
        error = path + ": cannot be read (" + why + ")";
        return false;
    }
    if (bytes.size() > kMaxFileBytes) {
        error = path + ": cannot be read (it is larger than 1 MB; a limits file is a few lines)";
        return false;
    }
    if (!Parse(std::string(bytes.begin(), bytes.end()), error)) {
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
