#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "bench/RadioProfile.h"
#include "bench/SimRadio.h"
#include "document/TunerDoc.h"
#include "radio/SoftpotField.h"
#include "screens/TuningFeatures.h"

// Every built-in bench radio can be aligned on the tuning screens: each feature starts inside
// the screen's range for the radio's family, and the RF model's ideal point (or target) lies
// inside that range, so moving the slider reaches it.

namespace {

/// A bench radio in-process, in test mode and keyed as a tuning screen leaves it.
class ProfileRadio {
public:
    explicit ProfileRadio(const CRadioProfile& profile) : m_radio(profile, 1, false) {}

    void Send(const std::string& hex) {
        CSimRadio::Bytes frame{0, static_cast<std::uint8_t>(hex.size() / 2)};
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            frame.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        ASSERT_FALSE(m_radio.HandleFrame(frame).empty()) << hex;
    }
    void Softpot(int type, int value) {
        char hex[32];
        if (m_radio.Profile().Width(type) == 2)
            std::snprintf(hex, sizeof hex, "000102%02x%04x", type, value);
        else
            std::snprintf(hex, sizeof hex, "000102%02x%02x", type, value);
        Send(hex);
    }
    /// Test mode, tuned to a frequency (receive for the front-end filter), keyed otherwise.
    void Start(int feature, int powerCode, std::uint32_t freq, int modulation) {
        char hex[64];
        Send("000c");
        Send("000501");
        std::snprintf(hex, sizeof hex, "0006%02x", powerCode);
        Send(hex);
        std::snprintf(hex, sizeof hex, "%s%08x6400", feature == kFrontEndFilter ? "000a" : "000b",
                      freq);
        Send(hex);
        std::snprintf(hex, sizeof hex, "0002%02x", modulation);
        Send(hex);
        if (feature != kFrontEndFilter)
            Send("000401");
    }
    CSimRadio& Sim() { return m_radio; }

private:
    CSimRadio m_radio;
};

struct Sweep {
    double atMin;
    double atMax;
};

/// The reading at both ends of a feature's range.
template <typename Read>
Sweep Ends(ProfileRadio& radio, int type, int max, Read read) {
    radio.Softpot(type, 0);
    const double lo = read();
    radio.Softpot(type, max);
    return {lo, read()};
}

bool Brackets(const Sweep& s, double target) {
    return (s.atMin <= target && target <= s.atMax) || (s.atMax <= target && target <= s.atMin);
}

}  // namespace

TEST(BenchProfileRanges, EveryBuiltInStartsInsideTheScreenRanges) {
    for (const std::string& name : CBench::ProfileNames()) {
        CRadioProfile p;
        ASSERT_TRUE(CRadioProfile::BuiltIn(name, p));
        const int family = p.Family();
        for (int type : {kRefOsc, kDevBalance, kFrontEndFilter, kCurrentLimit, kDevLimit}) {
            if (p.Count(type) == 0)
                continue;
            EXPECT_GE(p.initial[type], 0) << name << " type " << type;
            EXPECT_LE(p.initial[type], SoftpotField::TuningMax(type, family))
                << name << " type " << type;
        }
        if (p.Count(kTxPower) > 0) {
            for (int v : {p.powerLow, p.powerMid, p.powerHigh}) {
                EXPECT_GE(v, 0) << name;
                EXPECT_LE(v, SoftpotField::TuningMax(kTxPower, family)) << name;
            }
        }
        EXPECT_LE(p.refOscIdeal, SoftpotField::TuningMax(kRefOsc, family)) << name;
        EXPECT_GE(p.refOscIdeal, 0) << name;
        EXPECT_LE(p.devBalanceIdeal, SoftpotField::TuningMax(kDevBalance, family)) << name;
        EXPECT_GE(p.devBalanceIdeal, 0) << name;
    }
}

TEST(BenchProfileRanges, EveryFeatureReachesItsTargetWithinTheSliderRange) {
    // The targets that automatic tuning aims at, and the RSSI optimum of the filter.
    const struct {
        int level;
        int powerCode;
        double watts;
    } powers[] = {{1, 0x03, 0.5}, {2, 0x01, 1.5}, {3, 0x00, 2.5}};
    for (const std::string& name : CBench::ProfileNames()) {
        CRadioProfile p;
        ASSERT_TRUE(CRadioProfile::BuiltIn(name, p));
        const int family = p.Family();
        SCOPED_TRACE(name);
        if (p.Count(kRefOsc) > 0) {
            ProfileRadio radio(p);
            radio.Start(kRefOsc, 0x03, p.Frequencies(kRefOsc)[0], 0x10);
            const Sweep s = Ends(radio, kRefOsc, SoftpotField::TuningMax(kRefOsc, family),
                                 [&] { return radio.Sim().Transmitter().errorHz; });
            EXPECT_TRUE(Brackets(s, 0.0)) << s.atMin << " .. " << s.atMax;
        }
        for (const auto& level : powers) {
            if (p.Count(kTxPower) == 0)
                break;
            ProfileRadio radio(p);
            radio.Start(kTxPower, level.powerCode, p.Frequencies(kTxPower)[0], 0x10);
            if (family == 1)
                radio.Softpot(kCurrentLimit, 0x0F);  // keying for Tx Power on family 1
            const Sweep s = Ends(radio, kTxPower, SoftpotField::TuningMax(kTxPower, family),
                                 [&] { return radio.Sim().Transmitter().powerW; });
            EXPECT_TRUE(Brackets(s, level.watts))
                << level.level << ": " << s.atMin << " .. " << s.atMax;
        }
        if (p.Count(kDevBalance) > 0) {
            ProfileRadio radio(p);
            radio.Start(kDevBalance, 0x03, p.Frequencies(kDevBalance)[0], 0x12);
            radio.Softpot(kDevLimit, 0x7FFF);  // keying for deviation balance
            const Sweep s = Ends(radio, kDevBalance, SoftpotField::TuningMax(kDevBalance, family),
                                 [&] { return radio.Sim().Transmitter().deviationHz; });
            EXPECT_TRUE(Brackets(s, 3000.0)) << s.atMin << " .. " << s.atMax;
        }
        if (p.Count(kDevLimit) > 0) {
            ProfileRadio radio(p);
            radio.Start(kDevLimit, 0x03, p.Frequencies(kDevLimit)[0], 0x23);
            const Sweep s = Ends(radio, kDevLimit, SoftpotField::TuningMax(kDevLimit, family),
                                 [&] { return radio.Sim().Transmitter().deviationHz; });
            EXPECT_TRUE(Brackets(s, 2800.0)) << s.atMin << " .. " << s.atMax;
        }
        for (std::uint32_t freq : p.Frequencies(kFrontEndFilter)) {
            // The signal strength peaks strictly inside the range at every test frequency.
            ProfileRadio radio(p);
            radio.Start(kFrontEndFilter, 0x03, freq, 0x10);
            const int max = SoftpotField::TuningMax(kFrontEndFilter, family);
            int best = -1, bestValue = 0;
            for (int v = 0; v <= max; ++v) {
                radio.Softpot(kFrontEndFilter, v);
                const int s = radio.Sim().SignalStrength();
                if (s > best) {
                    best = s;
                    bestValue = v;
                }
            }
            EXPECT_GT(bestValue, 0) << freq;
            EXPECT_LT(bestValue, max) << freq;
        }
    }
}
