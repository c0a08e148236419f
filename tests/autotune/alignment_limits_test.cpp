#include "autotune/AlignmentLimits.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

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
        // One key twice: which value was meant cannot be told.
        {"refOscTolerance = 20\n# again\nrefOscTolerance = 30\n",
         "line 3: refOscTolerance is given twice (also on line 1)"},
        {"powerLowTarget = 0.4\npowerLowTolerance = 0.1\npowerLowTarget=0.4\n",
         "line 3: powerLowTarget is given twice (also on line 1)"},
        // A long or binary line comes back as a short excerpt.
        {"refOscTarget = 1\x01\x02\n", "line 1: refOscTarget needs a number, not \"1??\""},
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
    EXPECT_EQ(error, std::string(path) + ": cannot be read (No such file or directory)");
}

TEST(AlignmentLimits, ALongLineIsQuotedAsAShortExcerpt) {
    const std::string longValue(10000, '7');
    const std::string longKey(10000, 'k');
    const struct {
        std::string text;
        std::string start;
    } cases[] = {
        {"refOscTarget = x" + longValue + "\n", "line 1: refOscTarget needs a number, not \"x777"},
        {longKey + " = 1\n", "line 1: unknown key \"kkk"},
        {"\n" + longKey + "\n", "line 2: expected KEY = VALUE, not \"kkk"},
    };
    for (const auto& c : cases) {
        CAlignmentLimits limits;
        std::string error;
        EXPECT_FALSE(limits.Parse(c.text, error));
        EXPECT_EQ(error.rfind(c.start, 0), 0u) << error.substr(0, 100);
        EXPECT_LT(error.size(), 100u);
        EXPECT_EQ(error.substr(error.size() - 4), "...\"");
    }
}

TEST(AlignmentLimits, AByteOrderMarkAndWindowsLineEndsAreAccepted) {
    CAlignmentLimits limits;
    std::string error;
    ASSERT_TRUE(limits.Parse("\xEF\xBB\xBFrefOscTolerance = 25\r\npowerMidTarget = 1.4\r\n", error))
        << error;
    EXPECT_EQ(limits.For(0).tolerance, 25.0);
    EXPECT_EQ(limits.For(2).target, 1.4);
}

/// A temporary folder removed with what it holds.
class LimitsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char path[] = "/tmp/vegal-limits-dir-XXXXXX";
        ASSERT_NE(mkdtemp(path), nullptr);
        dir = path;
    }
    void TearDown() override {
        for (const std::string& f : made) std::remove(f.c_str());
        ::rmdir(dir.c_str());
    }
    std::string Made(const std::string& name) {
        made.push_back(dir + "/" + name);
        return made.back();
    }
    std::string dir;
    std::vector<std::string> made;
};

// What is no regular file of sensible size is refused with the reason before it is read: a
// named pipe would block for ever, /dev/zero would never end, a folder read as empty.
TEST_F(LimitsFileTest, OnlyARegularFileOfSensibleSizeIsRead) {
    const std::string fifo = Made("limits.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = Made("limits.d");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string big = Made("big.limits");
    {
        std::ofstream out(big);
        out << "# " << std::string(CAlignmentLimits::kMaxFileBytes, '-') << "\n";
    }
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {fifo, "it is a named pipe, not a file"},
        {"/dev/zero", "it is a device, not a file"},
        {folder, "it is a folder, not a file"},
        {big, "it is larger than 1 MB; a limits file is a few lines"},
    };
    for (const auto& c : cases) {
        CAlignmentLimits limits;
        std::string error;
        EXPECT_FALSE(limits.Load(c.path, error)) << c.path;
        EXPECT_EQ(error, c.path + ": cannot be read (" + c.reason + ")");
        EXPECT_EQ(limits.For(1).target, 2.5);
    }
}

TEST_F(LimitsFileTest, AnUnreadableFileIsRefusedNotReadAsEmpty) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string path = Made("locked.limits");
    std::ofstream(path) << "refOscTolerance = 20\n";
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    CAlignmentLimits limits;
    std::string error;
    EXPECT_FALSE(limits.Load(path, error));
    EXPECT_EQ(error, path + ": cannot be read (Permission denied)");
}

}  // namespace
