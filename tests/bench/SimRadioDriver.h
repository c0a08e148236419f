#pragma once

// A bench radio in-process, driven by request payloads as a tuning screen drives it, on a
// clock the test moves.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/BestValues.h"
#include "bench/SimRadio.h"

class SimRadioDriver {
public:
    SimRadioDriver(const CRadioProfile& profile, std::uint32_t seed, bool noise)
        : m_radio(profile, seed, noise) {
        m_radio.SetClock([this] { return nowMs; });
    }

    /// Sends a request payload (hex); the reply payload hex, "" when there is none.
    std::string Ask(const std::string& hex) {
        CSimRadio::Bytes frame{static_cast<std::uint8_t>(hex.size() / 2 >> 8),
                               static_cast<std::uint8_t>(hex.size() / 2)};
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            frame.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        const CSimRadio::Bytes reply = m_radio.HandleFrame(frame);
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (std::size_t i = 2; i < reply.size(); ++i) {
            out += digits[reply[i] >> 4];
            out += digits[reply[i] & 15];
        }
        return out;
    }

    /// A live softpot value.
    void Set(int type, int value) {
        char hex[32];
        if (m_radio.Profile().Width(type) == 2)
            std::snprintf(hex, sizeof hex, "000102%02x%04x", type, value);
        else
            std::snprintf(hex, sizeof hex, "000102%02x%02x", type, value);
        Ask(hex);
    }

    /// Test mode, tuned to freq and keyed as the tuning screen leaves the radio for a feature
    /// (automatic tuning index, BestValues order): its power level and modulation, the
    /// current limit at 15 for Tx Power on family 1, the deviation limit at its top and the
    /// high tone for the balance.
    void Open(int feature, std::uint32_t freq) {
        const int type = BestValues::Type(feature);
        const int level = BestValues::Level(feature);
        char hex[64];
        Ask("000c");
        Ask("000501");
        Ask(level == 3 ? "000600" : level == 2 ? "000601" : "000603");
        std::snprintf(hex, sizeof hex, "000b%08x64%02x", freq, type == 0 ? 1 : 0);
        Ask(hex);
        if (type == 2)
            Ask("000701");
        Ask(type == 2 ? "000212" : type == 5 ? "000223" : "000210");
        Ask("000401");
        if (type == 1 && m_radio.Profile().Family() == 1)
            Set(4, 0x0F);
        if (type == 2)
            Set(5, 0x7FFF);
    }

    /// The quantity a feature is tuned on, as the transmitter puts it out now.
    double Reading(int feature) {
        const RfOutput o = m_radio.Transmitter();
        const int type = BestValues::Type(feature);
        return type == 0 ? o.errorHz : type == 1 ? o.powerW : o.deviationHz;
    }

    CSimRadio& Radio() { return m_radio; }

    std::int64_t nowMs = 1000;

private:
    CSimRadio m_radio;
};
