#include "autotune/AlignmentLimits.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

TEST(AlignmentLimits, BuiltInTargetsAreTheDialogsAndTheDefaultTextStatesThem) {
    const CAlignmentLimits limits;
    const double targets[] = {0.0, 2.5, 1.5, 0.5, 3000.0, 2800.0};
    for (int i = 0; i < CAlignmentLimits::kFeatures; ++i) {
        EXPECT_EQ(limits.For(i).target, targets[i]) << i;
        EXPECT_GT(limits.For(i).tolerance, 0.0) << i;
        EXPECT_FALSE(limits.For(i).targetFromFile) << i;
    }
    CAlignmentLimits parsed;
    std::string error;
    ASSERT_TRUE(parsed.Parse(CAlignmentLimits::DefaultText(), error)) << error;
    for (int i = 0; i < CAlignmentLimits::kFeatures; ++i) {
        EXPECT_EQ(parsed.For(i).target, limits.For(i).target) << i;
        EXPECT_EQ(parsed.For(i).tolerance, limits.For(i).tolerance) << i;
    }
}

TEST(AlignmentLimits, AFileOverridesSomeKeysAndKeepsTheRest) {
    CAlignmentLimits limits;
    std::string error;
    ASSERT_TRUE(
        limits.Parse("# shop limits\n"
                     "\n"
                     "  powerHighTarget = 3.0   # W\n"
                     "refOscTolerance=20\n",
                     error))
        << error;
    EXPECT_EQ(limits.For(1).target, 3.0);
    EXPECT_TRUE(limits.For(1).targetFromFile);
    EXPECT_EQ(limits.For(0).tolerance, 20.0);
    EXPECT_EQ(limits.For(2).target, 1.5);

    // The dialog's power fields fill in only what the file left out.
    limits.SetDefaultTarget(1, 2.0);
    limits.SetDefaultTarget(2, 1.2);
    EXPECT_EQ(limits.For(1).target, 3.0);
    EXPECT_EQ(limits.For(2).target, 1.2);

    EXPECT_TRUE(limits.Inside(0, -20.0));
    EXPECT_TRUE(limits.Inside(0, 19.9));
    EXPECT_FALSE(limits.Inside(0, 20.5));
    EXPECT_FALSE(limits.Inside(1, 2.8));
}

TEST(AlignmentLimits, BadLinesAreNamedAndChangeNothing) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"refOscTarget = 0\npowerHigh 2.5\n",
         "line 2: expected KEY = VALUE, not \"powerHigh 2.5\""},
        {"\n\npowerLowTarget = half\n", "line 3: powerLowTarget needs a number, not \"half\""},
        {"refOscTolerance = 0\n", "line 1: refOscTolerance must be greater than 0"},
        {"devLimitTolerance = -5\n", "line 1: devLimitTolerance must be greater than 0"},
        {"powerMidTarget = 0\n", "line 1: powerMidTarget must be greater than 0 W"},
        {"devBalanceTarget = -1\n", "line 1: devBalanceTarget cannot be negative"},
        {"# ok\nrefoscTarget = 1\n", "line 2: unknown key \"refoscTarget\""},
        {"powerHighTarget =\n", "line 1: powerHighTarget needs a number, not \"\""},
        {"devLimitTarget = 2800 Hz\n", "line 1: devLimitTarget needs a number, not \"2800 Hz\""},
    };
    for (const auto& c : cases) {
        CAlignmentLimits limits;
        std::string error;
        EXPECT_FALSE(limits.Parse(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(limits.For(0).target, 0.0);
        EXPECT_EQ(limits.For(1).target, 2.5);
    }
}

TEST(AlignmentLimits, LoadNamesTheFile) {
    char path[] = "/tmp/vegal-limits-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream out(path);
        out << "devBalanceTolerance = 40\nbogus = 1\n";
    }
    CAlignmentLimits limits;
    std::string error;
    EXPECT_FALSE(limits.Load(path, error));
    EXPECT_EQ(error, std::string(path) + ": line 2: unknown key \"bogus\"");
    std::remove(path);
    EXPECT_FALSE(limits.Load(path, error));
    EXPECT_EQ(error, std::string(path) + ": cannot be read");
}

}  // namespace
