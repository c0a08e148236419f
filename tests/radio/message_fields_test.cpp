#include "radio/MessageFields.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/RecordingHost.h"

using namespace MessageFields;

namespace {

const std::string kInvalid = "Invalid Message format";

TEST(MessageFieldsTest, FormatHexWidthsAndOutOfRangeCounts) {
    struct Case {
        std::uint32_t value;
        int n;
        const char* expected;
    } cases[] = {
        {13, 2, "000d"},
        {0x12, 1, "12"},
        {170202500, 4, "0a251584"},
        {0xABCDEF, 3, "abcdef"},
        {0x1FF, 1, "1ff"},
        {0xFFFFFFFF, 4, "ffffffff"},
        {5, 0, ""},
        {5, 5, ""},
        {5, -1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHex(c.value, c.n), c.expected) << c.value << " n=" << c.n;
    }
}

TEST(MessageFieldsTest, FormatDecimalIsAMinimumWidth) {
    struct Case {
        std::int32_t value;
        int n;
        const char* expected;
    } cases[] = {
        {1, 5, "00001"}, {1234567890, 9, "1234567890"},
        {0, 1, "0"},     {42, 9, "000000042"},
        {7, 0, ""},      {7, 10, ""},
        {-5, 3, "-005"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDecimal(c.value, c.n), c.expected) << c.value << " n=" << c.n;
    }
}

TEST(MessageFieldsTest, BytesAndValuesToHex) {
    const std::uint8_t bytes[] = {0x00, 0x12, 0xAB};
    EXPECT_EQ(BytesToHex(bytes, 3), "0012ab");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
    EXPECT_EQ(BytesToHex(bytes, -2), "");

    const std::uint32_t wide[] = {1, 0x7FFF};
    EXPECT_EQ(ValuesToHex(wide, 2, true), "00017fff");
    const std::uint32_t narrow[] = {1, 255};
    EXPECT_EQ(ValuesToHex(narrow, 2, false), "01ff");
    EXPECT_EQ(ValuesToHex(narrow, 0, false), "");
}

TEST(MessageFieldsTest, HexToBytesConvertsPairsAsStrtolDoes) {
    struct Case {
        const char* text;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"0A1b", {0x0A, 0x1B}},
        {"0g", {0x00}},  // leading digit only
        {"g0", {0x00}},  // no leading digit
        {"ff00", {0xFF, 0x00}},
        {"-1", {0xFF}},  // strtol takes a sign; the low 8 bits are kept
    };
    for (const auto& c : cases) {
        CRecordingHost host;
        std::uint8_t out[8] = {};
        int count = 0;
        EXPECT_TRUE(HexToBytes(host, c.text, out, sizeof out, count)) << c.text;
        EXPECT_EQ(std::vector<std::uint8_t>(out, out + count), c.bytes) << c.text;
        EXPECT_TRUE(host.m_messages.empty()) << c.text;
    }
}

TEST(MessageFieldsTest, HexToBytesOddLengthShowsTheMessageEveryTime) {
    CRecordingHost host;
    std::uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    int count = 0;
    EXPECT_FALSE(HexToBytes(host, "abc", out, sizeof out, count));
    EXPECT_FALSE(HexToBytes(host, "1", out, sizeof out, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(out[0], 0xEE);
    ASSERT_EQ(host.m_messages.size(), 2u);
    EXPECT_EQ(host.m_messages[0].text, kInvalid);
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::None);
    EXPECT_EQ(host.m_messages[0].buttons, MsgButtons::Ok);
}

TEST(MessageFieldsTest, HexToBytesNeverWritesPastTheCapacity) {
    CRecordingHost host;
    std::uint8_t out[4] = {1, 2, 3, 4};
    int count = 7;  // left as the caller set it
    EXPECT_FALSE(HexToBytes(host, "0102030405", out, 4, count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(out[0], 1);  // nothing stored
    EXPECT_TRUE(host.m_messages.empty());

    count = 0;
    EXPECT_TRUE(HexToBytes(host, "0a0b0c0d", out, 4, count));  // exactly full
    EXPECT_EQ(count, 4);
    EXPECT_EQ(out[3], 0x0D);
}

TEST(MessageFieldsTest, HexToTextStopsAtZeroAndAtFiftyTwoBytes) {
    CRecordingHost host;
    EXPECT_EQ(HexToText(host, "41424300"), "ABC");
    EXPECT_EQ(HexToText(host, "414243"), "ABC");
    EXPECT_EQ(HexToText(host, "00414243"), "");
    EXPECT_EQ(HexToText(host, ""), "");

    std::string longText;
    for (int i = 0; i < 60; ++i) longText += "41";
    EXPECT_EQ(HexToText(host, longText), std::string(52, 'A'));
    EXPECT_TRUE(host.m_messages.empty());

    EXPECT_EQ(HexToText(host, "41424"), "");
    EXPECT_EQ(host.Count(kInvalid), 1);
}

TEST(MessageFieldsTest, WordsAndLongsAreBigEndian) {
    EXPECT_EQ(MakeWord(0x01, 0xF4), 500);
    EXPECT_EQ(MakeWord(0xFF, 0xFF), 65535);
    EXPECT_EQ(MakeLong(0x0A, 0x25, 0x15, 0x84), 170202500);
    EXPECT_EQ(MakeLong(0x7F, 0xFF, 0xFF, 0xFF), INT32_MAX);
    EXPECT_EQ(MakeLong(0x80, 0x00, 0x00, 0x00), INT32_MAX);  // saturates as strtol
    EXPECT_EQ(MakeLong(0x1FF, 0, 0, 1), static_cast<std::int32_t>(0x7FFFFFFF));
    EXPECT_EQ(MakeLong(0x100, 0x00, 0x00, 0x01), 1);  // inputs masked to 8 bits
}

TEST(MessageFieldsTest, HexToLongFollowsStrtol) {
    EXPECT_EQ(HexToLong("00ff"), 255);
    EXPECT_EQ(HexToLong("7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(HexToLong("ffffffff"), INT32_MAX);
    EXPECT_EQ(HexToLong("1g"), 1);
    EXPECT_EQ(HexToLong("g1"), 0);
    EXPECT_EQ(HexToLong(""), 0);
}

TEST(MessageFieldsTest, SpaceHexPairs) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"0002000d", "00 02 00 0d"}, {"ab", "ab"}, {"abc", "ab c"}, {"", ""}, {"a", "a"},
        {"000c00", "00 0c 00"},
    };
    for (const auto& c : cases) EXPECT_EQ(SpaceHexPairs(c.text), c.expected) << c.text;
}

TEST(MessageFieldsTest, FrequencyConversions) {
    struct Case {
        double mhz;
        std::int32_t steps;
    } cases[] = {
        {851.0125, 170202500}, {450.00625, 90001250}, {136.0125, 27202500}, {0.0, 0},
        {0.0000049, 1},  // rounds to 5 Hz, one step
    };
    for (const auto& c : cases) EXPECT_EQ(MHzToFreq(c.mhz), c.steps) << c.mhz;

    EXPECT_DOUBLE_EQ(FreqToMHz(27202500), 136.0125);
    EXPECT_DOUBLE_EQ(FreqToMHz(170202500), 851.0125);
    EXPECT_EQ(MHzToFreq(FreqToMHz(170202500)), 170202500);
}

TEST(MessageFieldsTest, MHzToFreqClampsWhatIsNoFrequency) {
    EXPECT_EQ(MHzToFreq(1e12), INT32_MAX);
    EXPECT_EQ(MHzToFreq(-1e12), INT32_MIN);
    EXPECT_EQ(MHzToFreq(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
