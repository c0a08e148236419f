// Numbers as the tuner writes and reads them: printf's notations, strict parsing, and the
// decimal point kept under a locale whose separator is a comma.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "radio/NumberText.h"

namespace {

TEST(NumberText, WritesAsPrintfDoes) {
    EXPECT_EQ(NumberText::Fixed(851.0125, 6), "851.012500");
    EXPECT_EQ(NumberText::Fixed(0.36f, 6), "0.360000");
    EXPECT_EQ(NumberText::Fixed(34 * 100.0 / 881280, 3), "0.004");
    EXPECT_EQ(NumberText::General(150.00500000000002, 15), "150.005");
    EXPECT_EQ(NumberText::General(851.01875, 15), "851.01875");
    EXPECT_EQ(NumberText::General(0.0, 15), "0");
    EXPECT_EQ(NumberText::General(870.0, 15), "870");
    EXPECT_EQ(NumberText::General(91.8f, 6), "91.8");
    EXPECT_EQ(NumberText::General(1.08f, 6), "1.08");
}

TEST(NumberText, ReadsOnlyWholeNumbers) {
    const struct {
        const char* text;
        bool ok;
        double value;
    } doubles[] = {{"851.0125", true, 851.0125},
                   {" 1.0 ", true, 1.0},
                   {"+2", true, 2},
                   {"-3.5", true, -3.5},
                   {"1e2", true, 100},
                   {".5", true, 0.5},
                   {"", false, 0},
                   {"  ", false, 0},
                   {"abc", false, 0},
                   {"8S1", false, 0},
                   {"1,5", false, 0},
                   {"inf", false, 0},
                   {"nan", false, 0},
                   {"0x10", false, 0},
                   {"+-1", false, 0},
                   {"1e400", false, 0}};
    for (const auto& c : doubles) {
        double v = -7;
        EXPECT_EQ(NumberText::ParseDouble(c.text, v), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(v, c.ok ? c.value : -7) << '"' << c.text << '"';
    }
    const struct {
        const char* text;
        bool ok;
        int value;
    } ints[] = {{"255", true, 255}, {" 0 ", true, 0}, {"-1", true, -1},  {"+7", true, 7},
                {"2.5", false, 0},  {"", false, 0},   {"12a", false, 0}, {"99999999999", false, 0}};
    for (const auto& c : ints) {
        int v = -7;
        EXPECT_EQ(NumberText::ParseInt(c.text, v), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(v, c.ok ? c.value : -7) << '"' << c.text << '"';
    }
}

TEST(NumberText, KeepsTheDecimalPointUnderACommaLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    double v = 0;
    EXPECT_TRUE(NumberText::ParseDouble("851.0125", v));
    EXPECT_EQ(v, 851.0125);
    EXPECT_EQ(NumberText::Fixed(851.0125, 6), "851.012500");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

}  // namespace
