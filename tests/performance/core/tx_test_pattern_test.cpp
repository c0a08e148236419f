// The transmitter test pattern against the bench's radio over a pseudo-terminal: opening,
// the band gaps, keying with retuning only on a changed frequency, and what the air shows.

#include <gtest/gtest.h>

#include "BerBench.h"
#include "performance/core/TxTestPattern.h"

namespace {

class TxTestPatternTest : public ::testing::Test, public BerBenchFixture {
protected:
    CTxTestPattern& Open(const std::string& profile = "standard") {
        EXPECT_TRUE(ReadBenchRadio(profile, false));
        pattern = std::make_unique<CTxTestPattern>(*doc);
        pattern->Open();
        return *pattern;
    }
    void Type(double mhz) {
        pattern->m_frequency = mhz;
        pattern->CheckFrequency();
    }
    std::unique_ptr<CTxTestPattern> pattern;
};

TEST_F(TxTestPatternTest, OpeningSetsDigitalVoiceAtTheLowerLimitUnkeyed) {
    CTxTestPattern& tx = Open();
    // Band U, second table: 764 MHz = 0x091b8b00 steps of 5 Hz; 25 kHz spacing; pattern 0x20.
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000c", "000b091b8b006400", "000220"}));
    EXPECT_EQ(tx.m_status, "TRANSMITTER OFF - 764.000000 MHz");
    EXPECT_FALSE(Radio().Keyed());
    EXPECT_EQ(Radio().Modulation(), 0x20);
    EXPECT_EQ(Radio().TxFrequency(), 0x091b8b00u);
}

TEST_F(TxTestPatternTest, BandGapsOfTheSecondTable) {
    CTxTestPattern& tx = Open();
    NewRequests();
    const struct {
        double typed;
        double shown;
    } cases[] = {{780.0, 794.0}, {830.0, 851.0}, {800.0, 800.0},      {851.0125, 851.0125},
                 {900.0, 870.0}, {700.0, 764.0}, {851.013, 851.01875}};
    for (const auto& c : cases) {
        Type(c.typed);
        EXPECT_NEAR(tx.m_frequency, c.shown, 1e-9) << c.typed;
    }
    EXPECT_TRUE(NewRequests().empty());  // nothing is sent while not keyed
}

TEST_F(TxTestPatternTest, KeyingRetunesOnlyWhenTheFrequencyChanged) {
    CTxTestPattern& tx = Open();
    NewRequests();
    Type(851.0125);
    EXPECT_TRUE(NewRequests().empty());
    EXPECT_EQ(tx.m_status, "TRANSMITTER OFF - 764.000000 MHz");  // the old frequency until keyed

    tx.PttToggle();
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000b0a2515846400", "000401"}));
    EXPECT_EQ(tx.m_status, "TRANSMITTING AT - 851.012500 MHz");
    EXPECT_TRUE(Radio().Keyed());

    Type(851.0125);  // the same frequency again sends nothing
    EXPECT_TRUE(NewRequests().empty());
    Type(860.5125);  // while keyed: unkey, retune, key
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000501", "000b0a4213646400", "000401"}));
    EXPECT_EQ(tx.m_status, "TRANSMITTING AT - 860.512500 MHz");
    EXPECT_TRUE(Radio().Keyed());

    tx.PttToggle();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000501"});
    EXPECT_EQ(tx.m_status, "TRANSMITTER OFF - 860.512500 MHz");
    tx.PttToggle();  // same frequency: keyed without a new tuning request
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000401"});
    tx.Close();
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000501"});
    EXPECT_FALSE(Radio().Keyed());
    tx.Close();
    EXPECT_TRUE(NewRequests().empty());
}

TEST_F(TxTestPatternTest, EveryPatternAndSpacingGivesItsOwnDeviation) {
    CTxTestPattern& tx = Open();
    Type(851.0125);
    tx.PttToggle();
    std::vector<double> deviations;
    for (int spacing : {1, 0}) {
        tx.SpacingChanged(spacing);
        for (int i = 0; i < 10; ++i) {
            tx.PatternChanged(i);
            EXPECT_EQ(Radio().Modulation(), CTxTestPattern::kPatterns[i].code);
            const RfOutput air = Radio().Transmitter();
            EXPECT_TRUE(air.keyed);
            EXPECT_GT(air.deviationHz, 500.0);
            for (double seen : deviations) EXPECT_NE(air.deviationHz, seen) << i;
            deviations.push_back(air.deviationHz);
        }
    }
    // Spacing changes go to the frequency last sent; choosing Digital Voice again sends 0x20.
    NewRequests();
    tx.SpacingChanged(1);
    tx.PatternChanged(0);
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000b0a2515846400", "000220"}));
}

}  // namespace
