// vegal-cli end to end over a pseudo-terminal: a radio that answers the read, match and
// programming requests; read saves the data set, write programs it back, and the requests
// reach the radio in order.

#include <gtest/gtest.h>

#include <sstream>

#include "../document/TunTestSupport.h"
#include "CliApp.h"
#include "TerminalHost.h"
#include "radio/ModelConfig.h"
#include "support/PtyRadio.h"

using namespace tuntest;
using Bytes = CPtyRadio::Bytes;

namespace {

constexpr char kSerial[] = "403CQT1234";
constexpr char kModel[] = "H18QDF9PW6AN";
constexpr int kFreqs = 5;

Bytes Hex(const std::string& hex) {
    Bytes b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

std::string ToHex(const Bytes& b) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (auto x : b) {
        s.push_back(digits[x >> 4]);
        s.push_back(digits[x & 15]);
    }
    return s;
}

/// A family-2 radio with five test frequencies used by every softpot type.
class CSimpleRadio {
public:
    explicit CSimpleRadio(std::string serial = kSerial) : m_serial(std::move(serial)) {
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
            const int length = 10 + 8 * kFreqs;
            reply.push_back(static_cast<std::uint8_t>(length >> 8));
            reply.push_back(static_cast<std::uint8_t>(length & 0xFF));
            reply.insert(reply.end(), 12, 0);
            for (int i = 0; i < kFreqs; ++i) {
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
            const int bytes = type == 5 ? 2 * kFreqs : kFreqs;
            for (int i = 0; i < bytes; ++i)
                reply.push_back(static_cast<std::uint8_t>(16 * type + i));
        } else {
            return CPtyRadio::Wire(CPtyRadio::Frame(CPtyRadio::EchoReply(frame)));
        }
        return CPtyRadio::Wire(CPtyRadio::Frame(reply));
    }

    CPtyRadio m_pty;
    std::string m_serial;
};

class CliRadioTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; }};
        return RunCli(args, ctx);
    }
    /// The opcode and first parameter byte of each request (enough to see the order).
    static std::vector<std::string> Heads(const std::vector<std::string>& requests) {
        std::vector<std::string> out;
        for (const auto& r : requests) out.push_back(r.substr(0, r.rfind("0001", 0) == 0 ? 8 : 6));
        return out;
    }
    TempDir dir;
    CCliSettings settings;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CTerminalHost host{err, in, false, false};
};

}  // namespace

TEST_F(CliRadioTest, ReadThenWriteTheSavedFile) {
    CSimpleRadio radio;
    const std::string file = dir.File("radio.tun");
    ASSERT_EQ(Run({"read", "--port", radio.Path(), "--out", file}), 0) << err.str();
    const auto bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 1301u);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[11], 12);

    const std::vector<std::string> readOrder = {
        "0012",     "000c",     "001000",   "001100",   "000f00",   "000f10",
        "000f20",   "000f40",   "010082",   "00010300", "000603",   "00010301",
        "000601",   "00010301", "000600",   "00010301", "00010302", "00010303",
        "00010304", "00010305", "00010306", "00010307", "00010308", "000d"};
    EXPECT_EQ(Heads(radio.Requests()), readOrder);
    // One summary line: every exchange counted, 1 + 2 + payload + 1 bytes per frame.
    const std::size_t summary = err.str().find("read: 24 exchanges, ");
    ASSERT_NE(summary, std::string::npos) << err.str();
    EXPECT_NE(err.str().find(" bytes sent, ", summary), std::string::npos);
    EXPECT_NE(err.str().find(" ms\n", summary), std::string::npos);

    ASSERT_EQ(Run({"dump", file}), 0) << err.str();
    EXPECT_NE(out.str().find("Serial Number: 403CQT1234\nModel Number: H18QDF9PW6AN\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("Features present: 0 1 2 3 4 5 6 7 8\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Record 8: type 5, level 0, 5 pairs\n  851.0125 MHz  20481\n"),
              std::string::npos)
        << out.str();  // 0x50 0x01 as a 16-bit value
    ASSERT_EQ(Run({"report", file}), 0) << err.str();
    EXPECT_NE(out.str().find("\nReference Oscillator        \n"), std::string::npos);

    const std::size_t before = radio.Requests().size();
    ASSERT_EQ(Run({"write", "--port", radio.Path(), file}), 0) << err.str();
    EXPECT_NE(err.str().find("Programming Successful\n"), std::string::npos) << err.str();
    const auto all = radio.Requests();
    const std::vector<std::string> written(all.begin() + static_cast<long>(before), all.end());
    const std::vector<std::string> writeOrder = {
        "0012",     "000c",     "001100",   "001000",   "00010400", "000603",   "00010401",
        "000601",   "00010401", "000600",   "00010401", "00010402", "00010403", "00010404",
        "00010405", "00010406", "00010407", "00010408", "000d"};
    EXPECT_EQ(Heads(written), writeOrder);
    EXPECT_NE(err.str().find("write: 19 exchanges, "), std::string::npos) << err.str();
}

TEST_F(CliRadioTest, WriteToAnotherRadioIsRefusedThroughAComPort) {
    CSimpleRadio first;
    const std::string file = dir.File("first.tun");
    ASSERT_EQ(Run({"read", "--port", first.Path(), "--out", file}), 0) << err.str();

    CSimpleRadio other("403CQT9999");
    settings.portMap.SetMapping(7, other.Path());
    EXPECT_EQ(Run({"write", "--port", "com7", file}), 1);
    EXPECT_NE(err.str().find("Radio mismatch! The current data set does not come from this "
                             "radio. Please read this radio before continuing."),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("Programming Successful"), std::string::npos);
    for (const auto& r : other.Requests()) EXPECT_NE(r.rfind("000104", 0), 0u) << r;
}
