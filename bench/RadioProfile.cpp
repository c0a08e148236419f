#include "RadioProfile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "radio/KeyValueText.h"
#include "radio/NumberText.h"

namespace {

std::uint32_t Steps(double mhz) {
    return static_cast<std::uint32_t>(std::llround(mhz * 200000.0));
}

/// A profile with common identity and values; the caller fills in what differs.
CRadioProfile Base(const std::string& name, int modelIndex, const std::string& modelNumber,
                   const std::string& serial) {
    CRadioProfile p;
    p.name = name;
    p.modelIndex = modelIndex;
    p.modelNumber = modelNumber;
    p.serialNumber = serial;
    p.hostVersion = modelIndex == 0 ? "R01.02.05" : "R03.10.00";
    p.dspVersion = modelIndex == 0 ? "D01.01.00" : "D02.04.01";
    p.xpmVersion = "X01.00.07";
    p.tuningHwVersion = {0x01, 0x0A, 0xFF};
    // Every alignment starts inside the tuning screen's range for the family, off its ideal
    // point, and reaches that point by moving the slider: reference oscillator 0-127 (0-511
    // on family 2), deviation balance 0-127 (0-63 on family 2), Tx Power 0-127.
    p.initial = {60, 0, 56, 100, 10, 2760, 50, 60, 120, 30, 30, 30, 30};
    p.powerLow = 20;
    p.powerMid = 50;
    p.powerHigh = 90;
    if (p.Family() == 2) {
        p.initial[0] = 250;
        p.refOscIdeal = 270;
        p.refOscHzPerStep = 2.5;
        p.initial[2] = 24;
        p.devBalanceIdeal = 32;
    } else {
        p.refOscIdeal = 72;
        p.devBalanceIdeal = 64;
    }
    for (int t = 0; t < 13; ++t) {
        p.limitMin[t] = 0;
        p.limitMax[t] = 255;
    }
    for (int t = 9; t <= 12; ++t) p.limitMax[t] = 127;
    return p;
}

void AddRecords(CRadioProfile& p, double first, double step, int n, std::uint8_t flags) {
    for (int i = 0; i < n; ++i) p.records.push_back({flags, Steps(first + step * i)});
}

std::map<std::string, std::function<CRadioProfile()>> Table() {
    std::map<std::string, std::function<CRadioProfile()>> t;
    t["standard"] = [] {
        CRadioProfile p = Base("standard", 1, "H18UCF9PW6AN", "428CTA1234");
        p.description = "family 2, 800 MHz band (U), every alignment feature";
        p.records = {{0x3F, Steps(851.0125)},
                     {0x2E, Steps(860.5125)},
                     {0x2E, Steps(869.9875)},
                     {0x08, Steps(856.0125)}};
        return p;
    };
    t["pa-bias"] = [] {
        CRadioProfile p = Base("pa-bias", 1, "H18UCB9PW6AN", "660UTH5004");
        p.description = "family 2, 800 MHz band (U), adjustable-bias amplifier: PA Bias 1 to 3";
        p.records = {{0x3F, Steps(851.0125)},
                     {0x2E, Steps(860.5125)},
                     {0x2E, Steps(869.9875)},
                     {0x08, Steps(856.0125)}};
        p.initial[9] = 72;
        p.initial[10] = 64;
        p.initial[11] = 81;
        return p;
    };
    t["family1-k"] = [] {
        CRadioProfile p = Base("family1-k", 0, "M25KSS9PW1AN", "103KTB0042");
        p.description = "family 1, VHF band (K), every alignment feature";
        p.records = {{0x3F, Steps(146.0125)}, {0x2E, Steps(160.0125)}, {0x2E, Steps(173.9875)}};
        return p;
    };
    t["detuned"] = [] {
        CRadioProfile p = Base("detuned", 0, "M25KSS9PW1AN", "103KTB0077");
        p.description = "family 1, VHF band (K), every transmit alignment far off its ideal";
        p.records = {{0x3F, Steps(146.0125)}, {0x2E, Steps(160.0125)}, {0x2E, Steps(173.9875)}};
        p.initial[0] = 20;    // ideal 72
        p.initial[2] = 100;   // ideal 64
        p.initial[5] = 2000;  // 2800 Hz at 1 Hz a step
        p.powerLow = 110;     // 0.5 W at about 10
        p.powerMid = 5;       // 1.5 W at about 35
        p.powerHigh = 120;    // 2.5 W at about 65
        return p;
    };
    t["family2-q"] = [] {
        CRadioProfile p = Base("family2-q", 2, "H25QDC9PW6AN", "571QTC7730");
        p.description = "family 2 (third identifier), UHF band (Q)";
        p.records = {{0x3F, Steps(380.0125)}, {0x2E, Steps(425.0125)}, {0x2E, Steps(469.9875)}};
        return p;
    };
    t["no-filter"] = [] {
        CRadioProfile p = Base("no-filter", 0, "M25USS9PW1AN", "220UTD1188");
        p.description = "family 1, 800 MHz band (U), no Rx Front End Filter";
        p.records = {{0x37, Steps(851.0125)}, {0x26, Steps(860.0125)}, {0x26, Steps(869.9875)}};
        return p;
    };
    t["power3"] = [] {
        CRadioProfile p = Base("power3", 1, "H18KCF9PW6AN", "330KTE2001");
        p.description = "family 2, VHF band (K), three Tx Power test frequencies";
        p.records = {{0x03, Steps(136.0125)},
                     {0x02, Steps(155.0125)},
                     {0x02, Steps(173.9875)},
                     {0x3C, Steps(150.0125)}};
        return p;
    };
    t["many"] = [] {
        CRadioProfile p = Base("many", 1, "H18QCF9PW6AN", "440QTF3002");
        p.description = "family 2, UHF band (Q), twelve Tx Deviation Balance frequencies";
        AddRecords(p, 380.0125, 8.0, 12, 0x04);
        p.records[0].flags = 0x3F;
        return p;
    };
    t["full"] = [] {
        CRadioProfile p = Base("full", 1, "H18UCF9PW6AN", "550UTG4003");
        p.description = "family 2, 25 frequency records, every type 0 to 8 present";
        AddRecords(p, 851.0125, 0.75, 25, 0xFF);
        return p;
    };
    t["realistic"] = [] {
        CRadioProfile p = Base("realistic", 1, "H18QCF9PW6AN", "770QTR5005");
        p.description =
            "family 2, UHF band (Q), five rows that differ mildly across the band, "
            "noise, rare outliers and warm-up sag";
        p.records = {{0x3F, Steps(380.0125)},
                     {0x2F, Steps(402.5125)},
                     {0x2F, Steps(425.0125)},
                     {0x2F, Steps(447.5125)},
                     {0x2F, Steps(469.9875)}};
        p.refOscSpread = {0.04, 0.06, 0.03, 5.0, 4.0};
        p.refOscCurvature = 0.08;
        p.powerKnee = 2.0;
        p.powerKneeWidth = 2.0;
        p.powerSpread = {0.04, 0.06, 0.03, 1.0, 1.0};
        p.powerSatEdge = 0.03;
        p.powerSatSpread = 0.02;
        p.devBalanceSpread = {0.05, 0.08, 0.04, 2.0, 1.5};
        p.devLimitSpread = {0.04, 0.06, 0.03, 40.0, 30.0};
        p.devLimitSoftHz = 80.0;
        p.freqNoiseHz = 2.0;
        p.powerNoise = 0.005;
        p.devNoiseHz = 5.0;
        p.outlierFraction = 0.01;
        p.warmupSag = 0.02;
        p.warmupSeconds = 5.0;
        return p;
    };
    t["hard"] = [] {
        CRadioProfile p = Base("hard", 1, "H18UCF9PW6AN", "880UTX6006");
        p.description =
            "family 2, 800 MHz band (U), five rows that differ strongly across the "
            "band, ideal points near the ends of the ranges, every alignment far off, "
            "outliers and warm-up sag";
        p.records = {{0x3F, Steps(806.0125)},
                     {0x2F, Steps(823.9875)},
                     {0x2F, Steps(851.0125)},
                     {0x2F, Steps(860.5125)},
                     {0x2F, Steps(869.9875)}};
        p.initial[0] = 40;
        p.refOscIdeal = 488;
        p.refOscSpread = {0.12, 0.15, 0.10, 8.0, 8.0};
        p.refOscCurvature = 0.25;
        p.powerLow = 120;
        p.powerMid = 127;
        p.powerHigh = 5;
        p.powerSatW = 3.2;
        p.powerTau = 66.0;
        p.powerKnee = 4.0;
        p.powerKneeWidth = 3.0;
        p.powerSpread = {0.03, 0.05, 0.03, 2.0, 2.0};
        p.powerSatEdge = 0.01;
        p.powerSatSpread = 0.015;
        p.initial[2] = 5;
        p.devBalanceIdeal = 56;
        p.devBalanceSpread = {0.12, 0.15, 0.10, 2.0, 2.5};
        p.initial[5] = 30000;
        p.devLimitHzPerStep = 8.0;
        p.devLimitSpread = {0.10, 0.12, 0.08, 20.0, 20.0};
        p.devLimitSoftHz = 150.0;
        p.freqNoiseHz = 5.0;
        p.powerNoise = 0.01;
        p.devNoiseHz = 10.0;
        p.outlierFraction = 0.05;
        p.warmupSag = 0.04;
        p.warmupSeconds = 8.0;
        return p;
    };
    return t;
}

/// Largest magnitude of a whole-number model key.
constexpr double kMaxWholeNumber = 1e6;

/// Largest sum of the relative terms of a gain (so that it stays at 0.2 or more).
constexpr double kMaxGainShare = 0.8;

/// The row spread of each transmit feature with the prefix of its profile file keys.
template <typename Profile>
auto SpreadsOf(Profile& p) {
    return std::array{std::pair{"refOsc", &p.refOscSpread}, std::pair{"power", &p.powerSpread},
                      std::pair{"devBalance", &p.devBalanceSpread},
                      std::pair{"devLimit", &p.devLimitSpread}};
}

/// A number of the RF or measurement model that a profile file sets by its key.
struct ModelNumber {
    double* d = nullptr;
    int* i = nullptr;
};

std::map<std::string, ModelNumber> ModelNumbers(CRadioProfile& p) {
    std::map<std::string, ModelNumber> m = {
        {"refOscIdeal", {nullptr, &p.refOscIdeal}},
        {"refOscHzPerStep", {&p.refOscHzPerStep}},
        {"refOscCurvature", {&p.refOscCurvature}},
        {"powerSatW", {&p.powerSatW}},
        {"powerTau", {&p.powerTau}},
        {"powerKnee", {&p.powerKnee}},
        {"powerKneeWidth", {&p.powerKneeWidth}},
        {"powerSatEdge", {&p.powerSatEdge}},
        {"powerSatSpread", {&p.powerSatSpread}},
        {"currentLimitW", {&p.currentLimitW}},
        {"devBalanceIdeal", {nullptr, &p.devBalanceIdeal}},
        {"devBalanceHzPerStep", {&p.devBalanceHzPerStep}},
        {"devLimitHzPerStep", {&p.devLimitHzPerStep}},
        {"devLimitSoftHz", {&p.devLimitSoftHz}},
        {"filterSlope", {&p.filterSlope}},
        {"filterBase", {nullptr, &p.filterBase}},
        {"batteryCalIdeal", {nullptr, &p.batteryCalIdeal}},
        {"freqNoiseHz", {&p.freqNoiseHz}},
        {"powerNoise", {&p.powerNoise}},
        {"devNoiseHz", {&p.devNoiseHz}},
        {"outlierFraction", {&p.outlierFraction}},
        {"outlierMin", {&p.outlierMin}},
        {"outlierMax", {&p.outlierMax}},
        {"outlierFreqHz", {&p.outlierFreqHz}},
        {"warmupSag", {&p.warmupSag}},
        {"warmupSeconds", {&p.warmupSeconds}},
    };
    for (const auto& [prefix, s] : SpreadsOf(p)) {
        const std::string k = prefix;
        m[k + "GainTilt"] = {&s->gainTilt};
        m[k + "GainEdge"] = {&s->gainEdge};
        m[k + "GainSpread"] = {&s->gainSpread};
        m[k + "OffsetTilt"] = {&s->offsetTilt};
        m[k + "OffsetSpread"] = {&s->offsetSpread};
    }
    return m;
}

bool ParseInt(const std::string& s, long& out) {
    if (s.empty())
        return false;
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

std::vector<std::string> Words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    std::string x;
    while (in >> x) w.push_back(x);
    return w;
}

}  // namespace

int CRadioProfile::Count(int type) const {
    return static_cast<int>(Frequencies(type).size());
}

int CRadioProfile::NearestRecord(int type, std::uint32_t freq) const {
    const std::vector<std::uint32_t> f = Frequencies(type);
    int best = -1;
    std::uint64_t bestDist = UINT64_MAX;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::uint64_t d = f[i] > freq ? f[i] - freq : freq - f[i];
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

std::vector<std::uint32_t> CRadioProfile::Frequencies(int type) const {
    std::vector<std::uint32_t> f;
    for (const Record& r : records) {
        if (type == 8 || (type >= 0 && type < 8 && (r.flags & (1u << type))))
            f.push_back(r.freq);
    }
    return f;
}

int CRadioProfile::Width(int type) const {
    return type == 5 || (type == 0 && Family() == 2) ? 2 : 1;
}

std::vector<std::string> CRadioProfile::BuiltInNames() {
    std::vector<std::string> names{"standard"};
    for (const auto& [name, make] : Table()) {
        if (name != "standard")
            names.push_back(name);
    }
    return names;
}

bool CRadioProfile::BuiltIn(const std::string& name, CRadioProfile& out) {
    const auto table = Table();
    const auto it = table.find(name);
    if (it == table.end())
        return false;
    out = it->second();
    return true;
}

bool CRadioProfile::Load(const std::string& nameOrPath, CRadioProfile& out, std::string& error) {
    if (BuiltIn(nameOrPath, out))
        return true;
    std::ifstream in(nameOrPath);
    if (!in) {
        error = "\"" + nameOrPath + "\" is neither a built-in profile (";
        const auto names = BuiltInNames();
        for (std::size_t i = 0; i < names.size(); ++i) error += (i ? ", " : "") + names[i];
        error += ") nor a readable profile file";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!Parse(text.str(), out, error)) {
        error = nameOrPath + ": " + error;
        return false;
    }
    return true;
}

bool CRadioProfile::Parse(const std::string& text, CRadioProfile& out, std::string& error) {
    CRadioProfile p;
    BuiltIn("standard", p);
    p.name = "custom";
    bool recordsGiven = false;
    std::map<std::string, int> modelKeyLine;  // where the model's numbers were last set
    const auto take = [&](const std::string& key, const std::string& value,
                          int line) -> std::string {
        const std::vector<std::string> w = Words(value);
        long n = 0;
        double d = 0;
        if (key == "base") {
            const std::string keepName = p.name;
            if (!BuiltIn(value, p))
                return "unknown built-in profile \"" + value + "\"";
            p.name = keepName;
        } else if (key == "name") {
            p.name = value;
        } else if (key == "description") {
            p.description = value;
        } else if (key == "model") {
            if (!ParseInt(value, n) || n < 0 || n > 2)
                return "model must be 0, 1 or 2";
            p.modelIndex = static_cast<int>(n);
        } else if (key == "modelNumber") {
            p.modelNumber = value;
        } else if (key == "serial") {
            p.serialNumber = value;
        } else if (key == "host") {
            p.hostVersion = value;
        } else if (key == "dsp") {
            p.dspVersion = value;
        } else if (key == "xpm") {
            p.xpmVersion = value;
        } else if (key == "hwVersion") {
            if (value.size() % 2 != 0)
                return "hwVersion needs an even number of hex digits";
            p.tuningHwVersion.clear();
            for (std::size_t i = 0; i < value.size(); i += 2) {
                long b = 0;
                if (!ParseInt("0x" + value.substr(i, 2), b))
                    return "hwVersion is not hex";
                p.tuningHwVersion.push_back(static_cast<std::uint8_t>(b));
            }
        } else if (key == "record") {
            long flags = 0;
            if (w.size() != 2 || !NumberText::ParseDouble(w[0], d) || d <= 0 || d > 10000 ||
                !ParseInt(w[1], flags) || flags < 0 || flags > 255)
                return "record = MHZ FLAGS (flags 0 to 255)";
            if (!recordsGiven)
                p.records.clear();
            recordsGiven = true;
            if (p.records.size() >= 25)
                return "at most 25 records";
            p.records.push_back({static_cast<std::uint8_t>(flags), Steps(d)});
        } else if (key == "value") {
            long type = 0;
            if (w.size() != 2 || !ParseInt(w[0], type) || type < 0 || type > 12 ||
                !ParseInt(w[1], n) || n < 0 || n > 0xFFFF)
                return "value = TYPE VALUE (type 0 to 12, value 0 to 65535)";
            p.initial[type] = static_cast<int>(n);
        } else if (key == "power") {
            long a = 0, b = 0, c = 0;
            if (w.size() != 3 || !ParseInt(w[0], a) || !ParseInt(w[1], b) || !ParseInt(w[2], c) ||
                a < 0 || b < 0 || c < 0 || a > 255 || b > 255 || c > 255)
                return "power = LOW MID HIGH (0 to 255)";
            p.powerLow = static_cast<int>(a);
            p.powerMid = static_cast<int>(b);
            p.powerHigh = static_cast<int>(c);
        } else if (key == "limit") {
            long type = 0, lo = 0, hi = 0;
            if (w.size() != 3 || !ParseInt(w[0], type) || type < 0 || type > 12 ||
                !ParseInt(w[1], lo) || !ParseInt(w[2], hi) || lo < 0 || hi > 255 || lo > hi)
                return "limit = TYPE MIN MAX (0 to 255)";
            p.limitMin[type] = static_cast<int>(lo);
            p.limitMax[type] = static_cast<int>(hi);
        } else {
            const auto numbers = ModelNumbers(p);
            const auto it = numbers.find(key);
            if (it == numbers.end())
                return "unknown key \"" + key + "\"";
            if (!NumberText::ParseDouble(value, d) || !std::isfinite(d))
                return key + " needs a number";
            if (it->second.i && std::fabs(d) > kMaxWholeNumber)
                return key + " must lie between -1000000 and 1000000";
            if (it->second.i)
                *it->second.i = static_cast<int>(d);
            else
                *it->second.d = d;
            modelKeyLine[key] = line;
        }
        return {};
    };
    const auto missingEquals = [](const std::string&) { return "expected KEY = VALUE"; };
    int lines = 0;
    if (!KeyValueText::ReadNumbered(text, take, missingEquals, error, &lines))
        return false;
    // Rules that join several numbers are checked once all are read, at the last line that
    // set one of them.
    std::vector<std::string> keys;
    const std::string why = p.CheckModel(&keys);
    if (!why.empty()) {
        int line = 0;
        for (const std::string& k : keys) {
            const auto at = modelKeyLine.find(k);
            if (at != modelKeyLine.end())
                line = std::max(line, at->second);
        }
        error = "line " + std::to_string(line > 0 ? line : lines) + ": " + why;
        return false;
    }
    out = p;
    return true;
}

std::string CRadioProfile::CheckModel(std::vector<std::string>* keys) const {
    const auto fail = [keys](const std::string& why, std::vector<std::string> involved) {
        if (keys)
            *keys = std::move(involved);
        return why;
    };
    for (const auto& [prefix, spread] : SpreadsOf(*this)) {
        const std::string k = prefix;
        const RowSpread& s = *spread;
        if (s.gainSpread < 0 || s.offsetSpread < 0)
            return fail(k + "GainSpread and " + k + "OffsetSpread must not be negative",
                        {k + "GainSpread", k + "OffsetSpread"});
        if (std::fabs(s.gainTilt) + std::fabs(s.gainEdge) + s.gainSpread > kMaxGainShare)
            return fail(k + "GainTilt, " + k + "GainEdge and " + k +
                            "GainSpread together must stay within 0.8 (the gain stays positive)",
                        {k + "GainTilt", k + "GainEdge", k + "GainSpread"});
    }
    if (powerSatSpread < 0 || std::fabs(powerSatEdge) + powerSatSpread > kMaxGainShare)
        return fail("powerSatEdge and powerSatSpread (not negative) together must stay within 0.8",
                    {"powerSatEdge", "powerSatSpread"});
    if (powerTau <= 0)
        return fail("powerTau must be positive", {"powerTau"});
    if (powerKneeWidth < 0)
        return fail("powerKneeWidth must not be negative", {"powerKneeWidth"});
    if (std::fabs(refOscCurvature) >= 0.5)
        return fail("refOscCurvature must lie between -0.5 and 0.5 (the error stays monotone)",
                    {"refOscCurvature"});
    if (devBalanceHzPerStep <= 0)
        return fail("devBalanceHzPerStep must be positive", {"devBalanceHzPerStep"});
    if (devLimitSoftHz < 0)
        return fail("devLimitSoftHz must not be negative", {"devLimitSoftHz"});
    if (freqNoiseHz < 0 || powerNoise < 0 || devNoiseHz < 0 || outlierFreqHz < 0)
        return fail("noise levels must not be negative",
                    {"freqNoiseHz", "powerNoise", "devNoiseHz", "outlierFreqHz"});
    if (outlierFraction < 0 || outlierFraction > 1)
        return fail("outlierFraction must lie between 0 and 1", {"outlierFraction"});
    if (outlierMin < 0 || outlierMin > outlierMax || outlierMax >= 1)
        return fail("outliers need 0 <= outlierMin <= outlierMax < 1",
                    {"outlierMin", "outlierMax"});
    if (warmupSag < 0 || warmupSag > 0.5)
        return fail("warmupSag must lie between 0 and 0.5", {"warmupSag"});
    if (warmupSeconds <= 0)
        return fail("warmupSeconds must be positive", {"warmupSeconds"});
    return {};
}
