#include "bench/SimRadio.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "radio/ModelConfig.h"

namespace {

using Bytes = CSimRadio::Bytes;

Bytes FromHex(const std::string& hex) {
    Bytes b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

std::string ToHex(const Bytes& b, std::size_t from = 0) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = from; i < b.size(); ++i) {
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

CRadioProfile Profile(const std::string& name) {
    CRadioProfile p;
    EXPECT_TRUE(CRadioProfile::BuiltIn(name, p)) << name;
    return p;
}

/// A radio used in-process: payload hex in, reply payload hex out ("" = no answer).
class SimRadioTest : public ::testing::Test {
protected:
    void Use(const CRadioProfile& profile) {
        radio = std::make_unique<CSimRadio>(profile, 1, false);
        radio->SetClock([this] { return now; });
    }
    std::string Ask(const std::string& payloadHex) {
        const Bytes payload = FromHex(payloadHex);
        Bytes frame;
        frame.reserve(payload.size() + 2);
        frame.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
        frame.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
        for (std::uint8_t b : payload) frame.push_back(b);
        const Bytes reply = radio->HandleFrame(frame);
        if (reply.empty())
            return "";
        EXPECT_EQ(std::size_t((reply[0] << 8) | reply[1]), reply.size() - 2);
        return ToHex(reply, 2);
    }
    std::unique_ptr<CSimRadio> radio;
    std::int64_t now = 1000;
};

TEST_F(SimRadioTest, ModelQueryAnswersThreeBytesAndTheIdentifierPerFamily) {
    const struct {
        const char* profile;
        std::size_t id;
    } cases[] = {{"family1-k", 0}, {"standard", 1}, {"family2-q", 2}};
    for (const auto& c : cases) {
        Use(Profile(c.profile));
        EXPECT_EQ(Ask("0012"), "001200" + ModelConfig::ModelIdentifiers()[c.id]) << c.profile;
        EXPECT_EQ(ModelConfig::FamilyOf(Ask("0012").substr(6)), c.id == 0 ? 1 : 2);
    }
}

TEST_F(SimRadioTest, IdentityTextsEndWithZeroAndHardwareVersionIsRaw) {
    Use(Profile("standard"));
    EXPECT_EQ(
        Ask("001000"),
        "001000" + ToHex(Bytes{'H', '1', '8', 'U', 'C', 'F', '9', 'P', 'W', '6', 'A', 'N'}) + "00");
    EXPECT_EQ(Ask("001100").substr(6).size(), 22u);  // 10 characters and the zero byte
    EXPECT_EQ(Ask("000f40"), "000f00010aff");
    EXPECT_EQ(Ask("000f00").substr(0, 6), "000f00");
    EXPECT_EQ(Ask("000f00").substr(Ask("000f00").size() - 2), "00");
    EXPECT_EQ(Ask("000f77"), "000f01");  // unknown version selector
}

TEST_F(SimRadioTest, FrequencyListLayoutWithAndWithoutRecords) {
    CRadioProfile p = Profile("standard");
    p.records.clear();
    Use(p);
    const std::string empty = Ask("0100821079000003e80000");
    ASSERT_EQ(empty.size(), 44u);  // 22 bytes, no records
    EXPECT_EQ(empty.substr(0, 6), "010000");
    EXPECT_EQ(empty.substr(16, 4), "000a");  // L = 10

    p.records = {{0x05, 170202500}, {0xFF, 27202500}};
    Use(p);
    const std::string two = Ask("0100821079000003e80000");
    ASSERT_EQ(two.size(), 2u * (22 + 16));
    EXPECT_EQ(two.substr(16, 4), "001a");  // L = 10 + 8 * 2
    EXPECT_EQ(two.substr(44 + 6, 2), "05");
    EXPECT_EQ(two.substr(44 + 8, 8), "0a251584");
    EXPECT_EQ(two.substr(60 + 6, 2), "ff");
    EXPECT_EQ(two.substr(60 + 8, 8), "019f13c4");

    Use(Profile("full"));
    const std::string full = Ask("0100821079000003e80000");
    EXPECT_EQ(full.size(), 2u * (22 + 25 * 8));
    EXPECT_EQ(full.substr(16, 4), "00d2");  // 10 + 200
}

TEST_F(SimRadioTest, TxPowerReadsFollowTheLastPowerLevel) {
    Use(Profile("power3"));  // three Tx Power frequencies
    const std::string low = "00010003010000";
    Ask("000603");
    EXPECT_EQ(Ask("00010301"), "0001000301141414");  // 20 = low, one per frequency
    Ask("000601");
    EXPECT_EQ(Ask("00010301"), "0001000301" + std::string("323232"));
    Ask("000600");
    EXPECT_EQ(Ask("00010301"), "0001000301" + std::string("5a5a5a"));

    // Programming at mid stores mid only.
    Ask("000601");
    EXPECT_EQ(Ask("0001040101020304"), "000100");
    EXPECT_EQ(radio->Programmed(1, 0x01), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(radio->Programmed(1, 0x00), (std::vector<int>{90, 90, 90}));
    EXPECT_EQ(Ask("000607"), "000602");  // not a power level
}

TEST_F(SimRadioTest, DeviationLimitAndWideReferenceOscillatorUseTwoBytes) {
    Use(Profile("standard"));  // family 2: type 0 is wide, two type 5 frequencies
    EXPECT_EQ(Ask("00010305"), "00010003050ac80ac80ac8");  // 2760 at three frequencies
    EXPECT_EQ(Ask("00010405"
                  "01f40064"),
              "000100");                                   // fewer values: leading ones
    EXPECT_EQ(Ask("00010305"), "000100030501f400640ac8");  // 500, 100, 2760
    EXPECT_EQ(Ask("00010300"), "000100030000fa");          // 250 at one frequency
    EXPECT_EQ(Ask("000104050a"), "000102");                // half a value
    EXPECT_EQ(Ask("00010200012c"), "000100");
    EXPECT_EQ(radio->Effective(0), 300);
    EXPECT_EQ(Ask("0001020001"), "000102");  // wide type sent narrow

    Use(Profile("family1-k"));
    EXPECT_EQ(Ask("00010300"), "00010003003c");  // narrow on family 1
    EXPECT_EQ(Ask("0001020064"), "000100");
    EXPECT_EQ(radio->Effective(0), 100);
}

TEST_F(SimRadioTest, CurrentLimitProgramsOneValueForAll) {
    Use(Profile("full"));
    EXPECT_EQ(Ask("000104040c"), "000100");
    EXPECT_EQ(radio->Programmed(4), (std::vector<int>(radio->Programmed(4).size(), 12)));
    EXPECT_GE(radio->Programmed(4).size(), 2u);
}

TEST_F(SimRadioTest, LiveValuesResetOnTestModeProgrammedValuesStay) {
    Use(Profile("standard"));
    Ask("000c");
    Ask("00010202c8");
    EXPECT_EQ(radio->Effective(2), 200);
    Ask("000d");
    EXPECT_EQ(radio->Effective(2), 24);  // back to the programmed value
    Ask("000c");
    Ask("00010402"
        "646566");
    Ask("000d");
    Ask("000c");
    EXPECT_EQ(Ask("00010302"), "0001000302646566");
}

TEST_F(SimRadioTest, LimitsBatteryAndSignalStrengthLayouts) {
    Use(Profile("standard"));
    EXPECT_EQ(Ask("00010609"),
              "00010006"
              "09"
              "00");
    EXPECT_EQ(Ask("00010709"),
              "00010007"
              "09"
              "7f");
    // The battery calibration value for a 6.90 V supply, one byte inside 0..255; a higher
    // voltage asked for needs a higher value.
    EXPECT_EQ(Ask("0001050802B2"), "000100050880");  // batteryCalIdeal 128
    EXPECT_EQ(Ask("00010508030C"), "0001000508ad");  // 7.80 V: 128 + 45
    EXPECT_EQ(Ask("0001050800C8"), "000100050800");  // 2.00 V: clipped at 0

    EXPECT_EQ(Ask("000e02"), "000e02000000");  // not receiving: nothing
    Ask("000c");
    Ask("000a0a25158464"
        "00");
    const std::string s = Ask("000e02");
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s.substr(0, 8), "000e0200");
    EXPECT_GT(std::stol(s.substr(8), nullptr, 16), 0);
}

TEST_F(SimRadioTest, SignalStrengthPeaksAtTheFilterOptimum) {
    Use(Profile("standard"));
    Ask("000c");
    Ask("000a0a25158464"
        "00");  // 851.0125, the band start: optimum is filterBase
    auto at = [&](int v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "00010203%02x", v);
        Ask(buf);
        return std::stol(Ask("000e02").substr(8), nullptr, 16);
    };
    const long best = at(60);
    EXPECT_GT(best, at(40));
    EXPECT_GT(at(40), at(20));
    EXPECT_GT(best, at(80));
}

TEST_F(SimRadioTest, BerSingleAndContinuousResults) {
    Use(Profile("standard"));
    Ask("000c");
    Ask("000a0a25158432"
        "00");
    Ask("00010203"
        "3c");  // filter at its optimum: sync, few errors
    EXPECT_EQ(Ask("00160101"), "001600");
    EXPECT_EQ(Ask("0017"), "001700" + std::string(40, '0'));  // not done yet
    now += 400;
    std::string r = Ask("0017");
    ASSERT_EQ(r.size(), 6u + 40u);
    EXPECT_EQ(r.substr(6, 4), "0100");  // tag 1, sync
    EXPECT_EQ(r.substr(16), std::string(30, '0'));
    now += 4000;
    EXPECT_EQ(Ask("0017"), r);  // a single test gives one result

    // A new test clears the result slots; the tags go on.
    EXPECT_EQ(Ask("00160205"), "001600");
    EXPECT_EQ(Ask("0017"), "001700" + std::string(40, '0'));
    now += 3 * 5 * 360 + 10;
    r = Ask("0017");
    EXPECT_EQ(r.substr(6, 2), "02");
    EXPECT_EQ(r.substr(16, 2), "03");
    EXPECT_EQ(r.substr(26, 2), "04");
    EXPECT_EQ(r.substr(36, 2), "00");
    now += 2 * 5 * 360;
    r = Ask("0017");  // four slots, oldest first
    EXPECT_EQ(r.substr(6, 2), "03");
    EXPECT_EQ(r.substr(36, 2), "06");
    EXPECT_EQ(Ask("00160000"), "001600");  // stop
    now += 10000;
    EXPECT_EQ(Ask("0017"), r);

    // Detuned far from the optimum: no sync.
    Ask("00010203"
        "ff");
    Ask("00160101");
    now += 400;
    r = Ask("0017");
    EXPECT_EQ(r.substr(6, 4), "0701");
}

TEST_F(SimRadioTest, BerPatternAndModulationCodesAreChecked) {
    Use(Profile("standard"));
    for (const char* good : {"00032100", "00032501", "00032102"})
        EXPECT_EQ(Ask(good), "000300") << good;
    for (const char* bad : {"00032000", "00032103", "000321", "0003210000"})
        EXPECT_EQ(Ask(bad), "000302") << bad;
}

TEST_F(SimRadioTest, BerResultContentFaults) {
    Use(Profile("standard"));
    Ask("000c");
    Ask("000a0a2515843200");
    Ask("00160101");
    now += 400;
    const std::string good = Ask("0017");
    ASSERT_EQ(good.substr(0, 10), "0017000100");
    BenchFaults f;
    f.berBadStatus = true;
    radio->SetFaults(f);
    EXPECT_EQ(Ask("0017"), "001701" + good.substr(6));
    f = {};
    f.berNoTags = true;
    radio->SetFaults(f);
    EXPECT_EQ(Ask("0017"), "00170000" + good.substr(8));
    f = {};
    f.berShortRecord = true;
    radio->SetFaults(f);
    EXPECT_EQ(Ask("0017"), good.substr(0, 12));  // the one record without its last two bytes
}

TEST_F(SimRadioTest, BerRefusals) {
    Use(Profile("standard"));
    EXPECT_EQ(Ask("00160100"), "001601");  // no frames
    BenchFaults f;
    f.refuseBer = true;
    radio->SetFaults(f);
    EXPECT_EQ(Ask("00160101"), "001601");
}

TEST_F(SimRadioTest, ContentFaults) {
    Use(Profile("standard"));
    BenchFaults f;
    f.unsupportedModel = true;
    f.blankSerial = true;
    f.freqListError = true;
    radio->SetFaults(f);
    EXPECT_EQ(ModelConfig::FamilyOf(Ask("0012").substr(6)), 0);
    const std::string blank = ModelConfig::BlankSerialNumber();
    EXPECT_EQ(Ask("001100"), "001100" + ToHex(Bytes(blank.begin(), blank.end())) + "00");
    EXPECT_EQ(Ask("0100821079000003e80000"), "010001");
    f.emptySerial = true;
    radio->SetFaults(f);
    EXPECT_EQ(Ask("001100"), "00110000");
}

TEST_F(SimRadioTest, MalformedInputIsRefusedWithoutHarm) {
    Use(Profile("standard"));
    const struct {
        const char* request;
        const char* reply;
    } cases[] = {
        {"", ""},                  // no opcode: no answer
        {"00", ""},                // half an opcode: no answer
        {"7777", "777701"},        // unknown opcode
        {"0001", "000102"},        // softpot family without function
        {"000109ff", "000102"},    // type out of range
        {"00019901", "000101"},    // unknown softpot function
        {"000b0a25", "000b02"},    // frequency cut short
        {"0002", "000202"},        // modulation without code
        {"0016", "001602"},        // BER without parameters
        {"000104", "000102"},      // program without type
        {"0001040300", "000100"},  // fine
    };
    for (const auto& c : cases) EXPECT_EQ(Ask(c.request), c.reply) << c.request;

    // Frames whose length field lies, and random garbage, never crash.
    EXPECT_TRUE(radio->HandleFrame({0x00, 0x05, 0x00, 0x0c}).empty());
    EXPECT_TRUE(radio->HandleFrame({0x00}).empty());
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        Bytes frame(2 + rng() % 40);
        for (auto& b : frame) b = static_cast<std::uint8_t>(rng());
        if (rng() % 2) {
            frame[0] = 0;
            frame[1] = static_cast<std::uint8_t>(frame.size() - 2);
            frame[2 % frame.size()] = 0;
        }
        radio->HandleFrame(frame);
    }
    EXPECT_EQ(Ask("000c"), "000c00");
}

TEST_F(SimRadioTest, TransmitterFollowsTheSoftpots) {
    Use(Profile("standard"));
    EXPECT_FALSE(radio->Transmitter().keyed);
    Ask("000c");
    Ask("000b0a25158464"
        "01");
    EXPECT_FALSE(radio->Transmitter().keyed);  // tuned, not keyed
    Ask("000401");
    RfOutput o = radio->Transmitter();
    ASSERT_TRUE(o.keyed);
    const CRadioProfile& p = radio->Profile();
    EXPECT_DOUBLE_EQ(o.errorHz, (250 - p.refOscIdeal) * p.refOscHzPerStep);
    char buf[32];
    std::snprintf(buf, sizeof buf, "00010200%04x", p.refOscIdeal);
    Ask(buf);
    EXPECT_DOUBLE_EQ(radio->Transmitter().errorHz, 0.0);

    // Power: monotone in the softpot, saturating, capped by the current limit.
    double last = -1;
    for (int v = 0; v <= 255; v += 15) {
        std::snprintf(buf, sizeof buf, "00010201%02x", v);
        Ask(buf);
        const double w = radio->Transmitter().powerW;
        EXPECT_GE(w, last);
        last = w;
    }
    EXPECT_LT(last, p.powerSatW);
    Ask("0001020400");
    EXPECT_NEAR(radio->Transmitter().powerW, p.currentLimitW, 1e-9);

    // Deviation: none unmodulated; high tone follows the balance; limited by the limit.
    Ask("00010204ff");
    EXPECT_EQ(radio->Transmitter().deviationHz, 0.0);
    Ask("000212");
    Ask("00010205"
        "7fff");
    std::snprintf(buf, sizeof buf, "00010202%02x", p.devBalanceIdeal);
    Ask(buf);
    EXPECT_NEAR(radio->Transmitter().deviationHz, 3000.0, 1e-9);
    Ask("00010202ff");
    EXPECT_GT(radio->Transmitter().deviationHz, 3000.0);
    Ask("000223");
    Ask("00010205"
        "0af0");  // 2800
    EXPECT_NEAR(radio->Transmitter().deviationHz, 2800 * p.devLimitHzPerStep, 1e-9);

    Ask("000501");  // dekey
    EXPECT_FALSE(radio->Transmitter().keyed);
}

TEST_F(SimRadioTest, TestPatternsAndSpacingGiveDistinctDeviations) {
    Use(Profile("standard"));
    Ask("000c");
    Ask("00010205"
        "7fff");  // deviation limit out of the way
    std::vector<double> seen;
    for (const char* spacing : {"64", "32"}) {
        Ask(std::string("000b0a251584") + spacing + "00");
        Ask("000401");
        for (int code = 0x20; code <= 0x29; ++code) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0002%02x", code);
            Ask(buf);
            const double hz = radio->Transmitter().deviationHz;
            EXPECT_EQ(hz, CSimRadio::PatternDeviationHz(code, spacing[0] == '3' ? 0x32 : 0x64));
            for (double other : seen) EXPECT_NE(hz, other) << buf << " at " << spacing;
            seen.push_back(hz);
        }
    }
    EXPECT_EQ(CSimRadio::PatternDeviationHz(0x23, 0x64), 4000.0);  // sets the deviation limit
}

TEST_F(SimRadioTest, PaBiasTestModeShowsTheBiasOnTheAir) {
    Use(Profile("pa-bias"));
    Ask("000c");
    EXPECT_FALSE(radio->Transmitter().keyed);
    Ask("000201");  // PA bias on: the amplifier runs without keying
    RfOutput air = radio->Transmitter();
    EXPECT_TRUE(air.keyed);
    EXPECT_EQ(air.deviationHz, 0.0);
    EXPECT_NEAR(air.powerW, CSimRadio::kPaBiasWattsPerStep * (72 + 64 + 81), 1e-9);
    for (const char* zero : {"0001020900", "0001020a00", "0001020b00"}) Ask(zero);
    EXPECT_EQ(radio->Transmitter().powerW, 0.0);
    Ask("0001020a64");
    EXPECT_NEAR(radio->Transmitter().powerW, CSimRadio::kPaBiasWattsPerStep * 100, 1e-9);
    Ask("000210");  // off
    EXPECT_FALSE(radio->Transmitter().keyed);

    Use(Profile("standard"));  // no adjustable bias: nothing on the air
    Ask("000c");
    Ask("000201");
    EXPECT_FALSE(radio->Transmitter().keyed);
}

TEST(SimRadioWire, AnswerAppliesWireFaults) {
    CRadioProfile p;
    CRadioProfile::BuiltIn("standard", p);
    CSimRadio radio(p);
    const Bytes request{0x00, 0x02, 0x00, 0x0c};
    CSimRadio::WireAnswer a = radio.Answer(request);
    EXPECT_EQ(a.wire, (Bytes{0xA5, 0x00, 0x03, 0x00, 0x0c, 0x00, 0xF1}));
    BenchFaults f;
    f.corruptReply = true;
    radio.SetFaults(f);
    EXPECT_NE(radio.Answer(request).wire.back(), 0xF1);
    f = {};
    f.truncatedReply = true;
    radio.SetFaults(f);
    EXPECT_EQ(radio.Answer(request).wire.size(), 3u);
    f = {};
    f.noAnswer = true;
    f.onlyRequest = "0012";
    radio.SetFaults(f);
    EXPECT_FALSE(radio.Answer(request).wire.empty());
    EXPECT_TRUE(radio.Answer({0x00, 0x02, 0x00, 0x12}).wire.empty());
    f = {};
    f.dropAfterRequests = radio.RequestCount() + 1;
    radio.SetFaults(f);
    EXPECT_FALSE(radio.Answer(request).wire.empty());
    EXPECT_TRUE(radio.Answer(request).wire.empty());
}

}  // namespace
