#pragma once

// A simulated radio behind a pseudo-terminal that answers a radio read, the radio match and
// programming: for the command-line tests and the read benchmark.

#include <chrono>
#include <string>
#include <vector>

#include "radio/ModelConfig.h"
#include "support/PtyRadio.h"

namespace simpleradio {

using Bytes = CPtyRadio::Bytes;

constexpr char kSerial[] = "403CQT1234";
constexpr char kModel[] = "H18QDF9PW6AN";

inline Bytes Hex(const std::string& hex) {
    Bytes b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

inline std::string ToHex(const Bytes& b) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (auto x : b) {
        s.push_back(digits[x >> 4]);
        s.push_back(digits[x & 15]);
    }
    return s;
}

/// A family-2 radio whose test frequencies are used by every softpot type 0 to 8.
class CSimpleRadio {
public:
    /// A radio with this serial number and 1 to 25 test frequencies; perByte paces the line
    /// (zero answers at once).
    explicit CSimpleRadio(std::string serial = kSerial, int freqs = 5,
                          std::chrono::nanoseconds perByte = std::chrono::nanoseconds(0))
        : m_serial(std::move(serial)), m_freqs(freqs) {
        m_pty.SetByteTime(perByte);
        m_pty.SetHandler([this](const Bytes& frame) { return Answer(frame); });
    }
    const std::string& Path() const { return m_pty.SlavePath(); }
    /// Payloads of the requests received, as hex text.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const auto& f : m_pty.Requests()) out.push_back(ToHex(Bytes(f.begin() + 2, f.end())));
        return out;
    }

private:
    static Bytes Text(Bytes head, const std::string& text) {
        head.insert(head.end(), text.begin(), text.end());
        head.push_back(0);
        return head;
    }
    Bytes Answer(const Bytes& frame) {
        const Bytes p(frame.begin() + 2, frame.end());
        const std::string hex = ToHex(p);
        Bytes reply;
        if (hex == "0012") {
            reply = Hex("001200" + ModelConfig::ModelIdentifiers()[1]);
        } else if (hex == "001000") {
            reply = Text(Hex("001000"), kModel);
        } else if (hex == "001100") {
            reply = Text(Hex("001100"), m_serial);
        } else if (hex == "000f40") {
            reply = Hex("000f00010aff");
        } else if (hex.rfind("000f", 0) == 0) {
            reply = Text(Hex("000f00"), "R01.02.03");
        } else if (hex.rfind("0100", 0) == 0) {
            reply =
                Hex("010000"
                    "0000000000");
            const int length = 10 + 8 * m_freqs;
            reply.push_back(static_cast<std::uint8_t>(length >> 8));
            reply.push_back(static_cast<std::uint8_t>(length & 0xFF));
            reply.insert(reply.end(), 12, 0);
            for (int i = 0; i < m_freqs; ++i) {
                const std::uint32_t f = 170202500 + 200000 * i;  // 851.0125 MHz and up
                const Bytes rec = {0,
                                   0,
                                   0,
                                   0xFF,
                                   static_cast<std::uint8_t>(f >> 24),
                                   static_cast<std::uint8_t>(f >> 16),
                                   static_cast<std::uint8_t>(f >> 8),
                                   static_cast<std::uint8_t>(f)};
                reply.insert(reply.end(), rec.begin(), rec.end());
            }
        } else if (hex.rfind("000103", 0) == 0 && p.size() == 4) {
            const int type = p[3];
            reply = {0x00, 0x01, 0x03, static_cast<std::uint8_t>(type), 0x00};
            const int bytes = type == 5 ? 2 * m_freqs : m_freqs;
            for (int i = 0; i < bytes; ++i)
                reply.push_back(static_cast<std::uint8_t>(16 * type + i));
        } else {
            return CPtyRadio::Wire(CPtyRadio::Frame(CPtyRadio::EchoReply(frame)));
        }
        return CPtyRadio::Wire(CPtyRadio::Frame(reply));
    }

    CPtyRadio m_pty;
    std::string m_serial;
    int m_freqs;
};

}  // namespace simpleradio
