#include "bench/RadioProfile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "bench/Bench.h"

namespace {

TEST(RadioProfile, BuiltInsCoverFamiliesBandsAndFeatureShapes) {
    std::set<int> families;
    std::set<char> bands;
    bool batteryModel = false, noFilter = false, power3 = false, ten = false, full = false;
    const auto names = CBench::ProfileNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "standard");
    for (const std::string& name : names) {
        CRadioProfile p;
        ASSERT_TRUE(CRadioProfile::BuiltIn(name, p)) << name;
        EXPECT_EQ(p.modelNumber.size(), 12u) << name;
        EXPECT_EQ(p.serialNumber.size(), 10u) << name;
        EXPECT_LE(p.records.size(), 25u) << name;
        families.insert(p.Family());
        bands.insert(p.modelNumber[3]);
        batteryModel = batteryModel || p.modelNumber[0] == 'H';
        noFilter = noFilter || p.Count(3) == 0;
        power3 = power3 || p.Count(1) == 3;
        for (int t = 0; t < 8; ++t) ten = ten || p.Count(t) >= 10;
        bool all = p.records.size() == 25 && p.Family() == 2;
        for (int t = 0; t <= 8; ++t) all = all && p.Count(t) > 0;
        full = full || all;
    }
    EXPECT_EQ(families, (std::set<int>{1, 2}));
    EXPECT_TRUE(bands.count('K') && bands.count('Q') && bands.count('U'));
    EXPECT_TRUE(batteryModel && noFilter && power3 && ten && full);
}

TEST(RadioProfile, CustomFileLoadsAndBadLinesAreNamed) {
    CRadioProfile p;
    std::string error;
    ASSERT_TRUE(
        CRadioProfile::Parse("base = family1-k\n"
                             "name = mine  # comment\n"
                             "serial = 1234567890\n"
                             "record = 851.0125 0x05\n"
                             "record = 136.0125 255\n"
                             "value = 2 118\n"
                             "power = 1 2 3\n"
                             "limit = 9 5 100\n"
                             "hwVersion = 010aff\n"
                             "refOscHzPerStep = 7.5\n",
                             p, error))
        << error;
    EXPECT_EQ(p.name, "mine");
    EXPECT_EQ(p.Family(), 1);
    EXPECT_EQ(p.serialNumber, "1234567890");
    ASSERT_EQ(p.records.size(), 2u);
    EXPECT_EQ(p.records[0].freq, 170202500u);
    EXPECT_EQ(p.records[1].freq, 27202500u);
    EXPECT_EQ(p.Count(0), 2);
    EXPECT_EQ(p.Count(1), 1);
    EXPECT_EQ(p.initial[2], 118);
    EXPECT_EQ(p.powerMid, 2);
    EXPECT_EQ(p.limitMin[9], 5);
    EXPECT_EQ(p.tuningHwVersion, (std::vector<std::uint8_t>{0x01, 0x0A, 0xFF}));
    EXPECT_DOUBLE_EQ(p.refOscHzPerStep, 7.5);

    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"model = 3\n", "line 1: model must be 0, 1 or 2"},
        {"\n\nrecord = abc 1\n", "line 3: record = MHZ FLAGS (flags 0 to 255)"},
        {"colour = red\n", "line 1: unknown key \"colour\""},
        {"just words\n", "line 1: expected KEY = VALUE"},
        {"base = nothing\n", "line 1: unknown built-in profile \"nothing\""},
        {"hwVersion = 0a1\n", "line 1: hwVersion needs an even number of hex digits"},
        {"value = 13 1\n", "line 1: value = TYPE VALUE (type 0 to 12, value 0 to 65535)"},
    };
    for (const auto& b : bad) {
        std::string e;
        EXPECT_FALSE(CRadioProfile::Parse(b.text, p, e)) << b.text;
        EXPECT_EQ(e, b.error);
    }
    std::string many;
    for (int i = 0; i < 26; ++i) many += "record = 851.0125 1\n";
    EXPECT_FALSE(CRadioProfile::Parse(many, p, error));
    EXPECT_EQ(error, "line 26: at most 25 records");
}

TEST(RadioProfile, LoadByNameOrFile) {
    CRadioProfile p;
    std::string error;
    EXPECT_TRUE(CRadioProfile::Load("full", p, error));
    EXPECT_EQ(p.records.size(), 25u);
    EXPECT_FALSE(CRadioProfile::Load("/nonexistent/profile.txt", p, error));
    EXPECT_NE(error.find("standard"), std::string::npos);

    char path[] = "/tmp/vegal-profile-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << "name = filed\nmodel = 2\n";
    ASSERT_TRUE(CRadioProfile::Load(path, p, error)) << error;
    EXPECT_EQ(p.name, "filed");
    EXPECT_EQ(p.modelIndex, 2);
    std::ofstream(path) << "model = x\n";
    EXPECT_FALSE(CRadioProfile::Load(path, p, error));
    EXPECT_EQ(error, std::string(path) + ": line 1: model must be 0, 1 or 2");
    std::remove(path);

    BenchOptions o;
    o.profile = "no-such-profile";
    CBench bench(o);
    EXPECT_FALSE(bench.Start(error));
    EXPECT_NE(error.find("no-such-profile"), std::string::npos);
}

TEST(RadioProfile, ModelKeysLoadAndUnusableValuesAreNamed) {
    CRadioProfile p;
    std::string error;
    ASSERT_TRUE(
        CRadioProfile::Parse("base = hard\n"
                             "refOscGainTilt = -0.2\n"
                             "powerOffsetSpread = 3\n"
                             "devLimitSoftHz = 0\n"
                             "outlierFraction = 0.5\n"
                             "warmupSeconds = 2.5\n",
                             p, error))
        << error;
    EXPECT_EQ(p.refOscIdeal, 488);  // from the base
    EXPECT_DOUBLE_EQ(p.refOscSpread.gainTilt, -0.2);
    EXPECT_DOUBLE_EQ(p.powerSpread.offsetSpread, 3);
    EXPECT_DOUBLE_EQ(p.devLimitSoftHz, 0);
    EXPECT_DOUBLE_EQ(p.outlierFraction, 0.5);
    EXPECT_DOUBLE_EQ(p.warmupSeconds, 2.5);

    // The built-in radios are all usable; a file cannot make one that is not.
    for (const std::string& name : CRadioProfile::BuiltInNames()) {
        ASSERT_TRUE(CRadioProfile::BuiltIn(name, p));
        EXPECT_EQ(p.CheckModel(), "") << name;
    }
    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"powerGainEdge = 0.5\npowerGainSpread = 0.4\n",
         "line 2: powerGainTilt, powerGainEdge and powerGainSpread together must stay within 0.8 "
         "(the gain stays positive)"},
        {"devLimitOffsetSpread = -1\n",
         "line 1: devLimitGainSpread and devLimitOffsetSpread must not be negative"},
        {"powerSatEdge = 0.9\n",
         "line 1: powerSatEdge and powerSatSpread (not negative) together must stay within 0.8"},
        {"\npowerTau = 0\n", "line 2: powerTau must be positive"},
        {"refOscCurvature = 0.5\n",
         "line 1: refOscCurvature must lie between -0.5 and 0.5 (the error stays monotone)"},
        {"powerNoise = -0.1\n", "line 1: noise levels must not be negative"},
        {"outlierFraction = 1.5\n", "line 1: outlierFraction must lie between 0 and 1"},
        {"outlierMin = 0.3\noutlierMax = 0.2\n",
         "line 2: outliers need 0 <= outlierMin <= outlierMax < 1"},
        {"warmupSag = 0.6\n", "line 1: warmupSag must lie between 0 and 0.5"},
        {"warmupSeconds = 0\n", "line 1: warmupSeconds must be positive"},
        {"powerKneeWidth = -2\n", "line 1: powerKneeWidth must not be negative"},
        {"devBalanceHzPerStep = 0\n", "line 1: devBalanceHzPerStep must be positive"},
        {"refOscIdeal = 1e12\n", "line 1: refOscIdeal must lie between -1000000 and 1000000"},
        {"warmupSag = nan\n", "line 1: warmupSag needs a number"},
        {"refOscGainSlope = 1\n", "line 1: unknown key \"refOscGainSlope\""},
    };
    for (const auto& b : bad) {
        std::string e;
        EXPECT_FALSE(CRadioProfile::Parse(b.text, p, e)) << b.text;
        EXPECT_EQ(e, b.error) << b.text;
    }
}

}  // namespace
