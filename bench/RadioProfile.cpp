#include "RadioProfile.h"

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
    return t;
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
    const auto take = [&](const std::string& key, const std::string& value) -> std::string {
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
            struct Num {
                const char* key;
                double* d;
                int* i;
            } nums[] = {{"refOscIdeal", nullptr, &p.refOscIdeal},
                        {"refOscHzPerStep", &p.refOscHzPerStep, nullptr},
                        {"powerSatW", &p.powerSatW, nullptr},
                        {"powerTau", &p.powerTau, nullptr},
                        {"currentLimitW", &p.currentLimitW, nullptr},
                        {"devBalanceIdeal", nullptr, &p.devBalanceIdeal},
                        {"devLimitHzPerStep", &p.devLimitHzPerStep, nullptr},
                        {"filterSlope", &p.filterSlope, nullptr},
                        {"filterBase", nullptr, &p.filterBase},
                        {"batteryCalIdeal", nullptr, &p.batteryCalIdeal}};
            bool known = false;
            for (const Num& x : nums) {
                if (key != x.key)
                    continue;
                known = true;
                if (!NumberText::ParseDouble(value, d))
                    return key + " needs a number";
                if (x.d)
                    *x.d = d;
                else
                    *x.i = static_cast<int>(d);
            }
            if (!known)
                return "unknown key \"" + key + "\"";
        }
        return {};
    };
    const auto missingEquals = [](const std::string&) { return "expected KEY = VALUE"; };
    int lines = 0;
    if (!KeyValueText::Read(text, take, missingEquals, error, &lines))
        return false;
    if (p.powerTau <= 0) {
        error = "line " + std::to_string(lines) + ": powerTau must be positive";
        return false;
    }
    out = p;
    return true;
}
