// Frequency limits per band and model family, the channel raster and the band gaps of the bit
// error rate and test pattern screens.

#include <gtest/gtest.h>

#include "performance/core/FrequencyRules.h"

namespace {

struct LimitCase {
    const char* model;
    int family;
    FrequencyLimits ber;
    FrequencyLimits pattern;
};

TEST(FrequencyRules, LimitsByBandCharacterAndFamily) {
    const LimitCase cases[] = {
        {"H18JCF9PW6AN", 1, {136.0, 162.0}, {136.0, 162.0}},
        {"H18JCF9PW6AN", 2, {0.0, 0.0}, {0.0, 0.0}},
        {"M25KSS9PW1AN", 1, {146.0, 174.0}, {146.0, 174.0}},
        {"H18KCF9PW6AN", 2, {136.0, 174.0}, {136.0, 174.0}},
        {"H25QDC9PW6AN", 1, {403.0, 433.0}, {403.0, 433.0}},
        {"H25QDC9PW6AN", 2, {380.0, 470.0}, {380.0, 470.0}},
        {"H18RCF9PW6AN", 1, {450.0, 482.0}, {450.0, 482.0}},
        {"H18RCF9PW6AN", 2, {0.0, 0.0}, {0.0, 0.0}},
        {"H18SCF9PW6AN", 1, {482.0, 512.0}, {482.0, 512.0}},
        {"H18SCF9PW6AN", 2, {450.0, 520.0}, {450.0, 520.0}},
        // Band U of the first table is the one difference between the two screens.
        {"M25USS9PW1AN", 1, {851.0, 870.0}, {806.0, 870.0}},
        {"H18UCF9PW6AN", 2, {764.0, 870.0}, {764.0, 870.0}},
        {"H18ACF9PW6AN", 1, {0.0, 0.0}, {0.0, 0.0}},
        {"H18", 2, {0.0, 0.0}, {0.0, 0.0}},
        {"", 1, {0.0, 0.0}, {0.0, 0.0}},
    };
    for (const LimitCase& c : cases) {
        const FrequencyLimits ber = BerFrequencyLimits(c.model, c.family);
        const FrequencyLimits pattern = TestPatternFrequencyLimits(c.model, c.family);
        EXPECT_EQ(ber.lower, c.ber.lower) << c.model << " family " << c.family;
        EXPECT_EQ(ber.upper, c.ber.upper) << c.model << " family " << c.family;
        EXPECT_EQ(pattern.lower, c.pattern.lower) << c.model << " family " << c.family;
        EXPECT_EQ(pattern.upper, c.pattern.upper) << c.model << " family " << c.family;
    }
}

struct FrequencyCase {
    double typed;
    int bandClass;
    FrequencyLimits limits;
    double ber;
    double pattern;
};

TEST(FrequencyRules, RasterLimitsAndGaps) {
    const FrequencyLimits k2{136.0, 174.0}, q1{403.0, 433.0}, u1ber{851.0, 870.0},
        u1tx{806.0, 870.0}, u2{764.0, 870.0}, none{0.0, 0.0};
    const FrequencyCase cases[] = {
        // Band class 7: 2500 Hz steps beside the 6250 Hz raster; the nearer next one wins.
        {150.0031, 7, k2, 150.005, 150.005},
        {150.0050, 7, k2, 150.005, 150.005},       // on the 2500 Hz raster
        {150.00625, 7, k2, 150.00625, 150.00625},  // on the 6250 Hz raster
        {150.0061, 7, k2, 150.00625, 150.00625},
        // Band class 6: 5000 Hz steps beside the 6250 Hz raster.
        {410.0012, 6, q1, 410.005, 410.005},
        {410.0060, 6, q1, 410.00625, 410.00625},
        {410.0100, 6, q1, 410.01, 410.01},
        // Every other band class: only the 6250 Hz raster.
        {851.0125, 0, u2, 851.0125, 851.0125},
        {851.0130, 0, u2, 851.01875, 851.01875},
        // Limits, then the gaps.
        {800.0, 0, u2, 851.0, 800.0},
        {870.5, 0, u2, 870.0, 870.0},
        {780.0, 0, u2, 851.0, 794.0},
        {830.0, 0, u2, 851.0, 851.0},
        {776.0, 0, u2, 776.0, 776.0},
        {700.0, 0, u2, 764.0, 764.0},
        {820.0, 0, u1tx, 851.0, 820.0},
        {820.0, 0, u1ber, 851.0, 851.0},
        {100.0, 7, k2, 136.0, 136.0},
        // No table entry: every frequency becomes 0.0.
        {851.0125, 5, none, 0.0, 0.0},
        {-3.0, 5, none, 0.0, 0.0},
    };
    for (const FrequencyCase& c : cases) {
        EXPECT_NEAR(CheckBerFrequency(c.typed, c.bandClass, c.limits), c.ber, 1e-9)
            << c.typed << " band class " << c.bandClass;
        EXPECT_NEAR(CheckTestPatternFrequency(c.typed, c.bandClass, c.limits), c.pattern, 1e-9)
            << c.typed << " band class " << c.bandClass;
    }
}

TEST(FrequencyRules, HugeOrNonFiniteValuesStayInsideTheLimits) {
    const FrequencyLimits u2{764.0, 870.0};
    for (double typed : {1e300, -1e300, 1e20})
        EXPECT_GE(CheckBerFrequency(typed, 0, u2), 764.0) << typed;
    EXPECT_EQ(CheckBerFrequency(1e300, 7, u2), 870.0);
}

}  // namespace
