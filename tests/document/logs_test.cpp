// Tuning log and bit error rate file: written only when present beside the executable,
// with CR LF line ends, exact headers and section titles.

#include <gtest/gtest.h>

#include "TunTestSupport.h"
#include "document/Logs.h"

using namespace tuntest;

namespace {

constexpr char kLogHeader[] = " Logfile for Quillmore Tuner\r\n ---------------------------";
constexpr char kBerHeader[] =
    "BER Data file for Quillmore Tuner\r\n----------------------------------";

class LogsTest : public ::testing::Test {
protected:
    void SetUp() override { s.host.m_exeFolder = dir.Path(); }
    std::string LogFile() const { return dir.File("TunerLog.txt"); }
    std::string BerFile() const { return dir.File("BERData.txt"); }
    void Create(const std::string& path, const std::string& text = "") {
        WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    TempDir dir;
    DocSetup s;
};

}  // namespace

TEST_F(LogsTest, NothingIsCreatedWhenTheFilesAreAbsent) {
    StartLogs(*s.doc);
    LogFeatureTitle(*s.doc, 0, 0);
    LogFeatureTitle(*s.doc, 20, 0);
    AppendBerData(*s.doc, "\nTest 1");
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_EQ(s.doc->m_logPath, LogFile());
    EXPECT_EQ(s.doc->m_berPath, BerFile());
    EXPECT_TRUE(s.host.m_messages.empty());
}

TEST_F(LogsTest, StartLogsWritesBothHeadersAndDiscardsOldContent) {
    Create(LogFile(), "old radio's log\r\n00001 (B) ...");
    Create(BerFile(), "old results");
    StartLogs(*s.doc);
    EXPECT_EQ(ReadText(LogFile()), kLogHeader);
    EXPECT_EQ(ReadText(BerFile()), kBerHeader);
}

TEST_F(LogsTest, EachFileIsStartedOnlyWhenItExists) {
    Create(BerFile());
    StartLogs(*s.doc);
    EXPECT_EQ(ReadText(BerFile()), kBerHeader);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"BERData.txt"});
}

TEST_F(LogsTest, FeatureTitlesAreAppendedByteForByte) {
    struct Case {
        int type;
        int level;
        std::string bytes;
    };
    const Case cases[] = {
        {0, 0, "\r\n\r\nReference Oscillator\r\n"},
        {1, 3, "\r\n\r\nTx Power (High)\r\n"},
        {1, 2, "\r\n\r\nTx Power (Mid)\r\n"},
        {1, 1, "\r\n\r\nTx Power (Low)\r\n"},
        {1, 0, ""},
        {1, 4, ""},
        {2, 0, "\r\n\r\nTx Deviation Balance\r\n"},
        {3, 0, "\r\n\r\nRx Front-End Filter\r\n"},
        {4, 0, "\r\n\r\nTx Current Limit\r\n"},
        {5, 0, "\r\n\r\nTx Deviation Limit\r\n"},
        {6, 0, ""},
        {7, 0, ""},
        {8, 0, ""},
        {9, 0, "\r\n\r\nPA Bias 1"},
        {10, 0, "\r\n\r\nPA Bias 2"},
        {11, 0, "\r\n\r\nPA Bias 3"},
        {12, 0, "\r\n\r\nPA Bias 4"},
        {13, 0, ""},
        {19, 0, ""},
        {20, 0, "\r\n\r\nBit Error Rate\r\n"},
        {21, 0, "\r\n\r\nTx Test Pattern\r\n"},
        {22, 0, ""},
        {-1, 0, ""},
    };
    Create(LogFile());
    StartLogs(*s.doc);
    std::string expected = kLogHeader;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " level " << c.level);
        LogFeatureTitle(*s.doc, c.type, c.level);
        expected += c.bytes;
        EXPECT_EQ(ReadText(LogFile()), expected);
    }
}

TEST_F(LogsTest, BerDataIsAppendedWithCrLfAndTakesEffectOnceTheFileAppears) {
    AppendBerData(*s.doc, "\nlost\n");
    EXPECT_TRUE(dir.Entries().empty());
    // Created while the program runs: the next record goes in, the header waits for a restart.
    Create(BerFile());
    AppendBerData(*s.doc, "\nTest 1\nBER 0.01%");
    AppendBerData(*s.doc, "\n\nTest 2");
    EXPECT_EQ(ReadText(BerFile()), "\r\nTest 1\r\nBER 0.01%\r\n\r\nTest 2");
}

TEST_F(LogsTest, UnwritableLogIsSkippedSilently) {
    // A log file that exists but cannot be opened for writing.
    Create(LogFile(), "keep");
    ASSERT_EQ(::chmod(LogFile().c_str(), 0400), 0);
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can write read-only files";
    StartLogs(*s.doc);
    LogFeatureTitle(*s.doc, 0, 0);
    EXPECT_EQ(ReadText(LogFile()), "keep");
    EXPECT_TRUE(s.host.m_messages.empty());
}

TEST(CrLfTest, EveryLineFeedGetsACarriageReturn) {
    EXPECT_EQ(ToCrLf(""), "");
    EXPECT_EQ(ToCrLf("a\nb\n\n"), "a\r\nb\r\n\r\n");
    EXPECT_EQ(ToCrLf("a\r\nb"), "a\r\r\nb");  // as a text-mode stream writes it
}
