#include "autotune/AlignmentLimits.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool ParseNumber(const std::string& s, double& out) {
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end != nullptr && *end == '\0' && std::isfinite(out);
}

}  // namespace

CAlignmentLimits::CAlignmentLimits() {
    for (int i = 0; i < kFeatures; ++i) {
        m_limits[i].target = kKeys[i].target;
        m_limits[i].tolerance = kKeys[i].tolerance;
    }
}

bool CAlignmentLimits::Parse(const std::string& text, std::string& error) {
    std::array<Limit, kFeatures> limits = m_limits;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected KEY = VALUE, not \"" + line + "\"");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        bool known = false;
        for (int i = 0; i < kFeatures && !known; ++i) {
            const std::string prefix = kKeys[i].prefix;
            const bool isTarget = key == prefix + "Target";
            const bool isTolerance = key == prefix + "Tolerance";
            if (!isTarget && !isTolerance)
                continue;
            known = true;
            double d = 0.0;
            if (!ParseNumber(value, d))
                return fail(key + " needs a number, not \"" + value + "\"");
            if (isTolerance) {
                if (!(d > 0.0))
                    return fail(key + " must be greater than 0");
                limits[i].tolerance = d;
            } else {
                if (i >= 1 && i <= 3 && !(d > 0.0))
                    return fail(key + " must be greater than 0 W");
                if (i >= 4 && d < 0.0)
                    return fail(key + " cannot be negative");
                limits[i].target = d;
                limits[i].targetFromFile = true;
            }
        }
        if (!known)
            return fail("unknown key \"" + key + "\"");
    }
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
