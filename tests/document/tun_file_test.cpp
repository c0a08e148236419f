// The .tun file: archive layout, open rules, feature flags, malformed archives and saving.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "TunTestSupport.h"
#include "document/TunFile.h"

using namespace tuntest;

namespace {

std::vector<std::uint8_t> ValidFile() {
    DocSetup s;
    FillAsRead(*s.doc);
    return TunFile::Store(*s.doc);
}

void PutU16At(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Offsets in the file of a radio read: 11 + 13 bytes of strings, the count at 24.
constexpr std::size_t kCountAt = 24;
constexpr std::size_t kFirstTagAt = 26;
constexpr std::size_t kSchemaAt = 28;
constexpr std::size_t kClassNameAt = 32;
constexpr std::size_t kFirstFieldsAt = 43;
constexpr std::size_t kSecondTagAt = kFirstFieldsAt + 88;

class TunFileTest : public ::testing::Test {
protected:
    DocSetup s;
    TempDir dir;
};

}  // namespace

TEST_F(TunFileTest, FreshlyReadRadioGives1301ByteArchive) {
    FillAsRead(*s.doc);
    ASSERT_FALSE(s.doc->m_loadedFromFile);
    const auto b = TunFile::Store(*s.doc);
    EXPECT_TRUE(s.doc->m_loadedFromFile);
    ASSERT_EQ(b.size(), 1301u);
    EXPECT_EQ(b[0], 10);
    EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 11), "403CQT1234");
    EXPECT_EQ(b[11], 12);
    EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 24), "H18QDF9PW6AN");
    EXPECT_EQ(b[24], 14);
    EXPECT_EQ(b[25], 0);
    const std::uint8_t classInfo[] = {0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00};
    EXPECT_EQ(0, std::memcmp(b.data() + 26, classInfo, sizeof classInfo));
    EXPECT_EQ(std::string(b.begin() + 32, b.begin() + 43), "CSaveValues");
    // First record: type 0, level 0, then frequency 1 and value 1, little-endian.
    const std::int32_t f1 = s.doc->m_testFreq[0][0];
    const std::uint8_t first[] = {0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  static_cast<std::uint8_t>(f1 & 0xFF),
                                  static_cast<std::uint8_t>((f1 >> 8) & 0xFF),
                                  static_cast<std::uint8_t>((f1 >> 16) & 0xFF),
                                  static_cast<std::uint8_t>((f1 >> 24) & 0xFF),
                                  0x30,
                                  0x75,
                                  0,
                                  0};  // 30000, the wide reference value
    EXPECT_EQ(0, std::memcmp(b.data() + kFirstFieldsAt, first, sizeof first));
    // Every later record: class reference 0x8001, then type and level of the 14 in order.
    const int types[14][2] = {{0, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}, {3, 0},  {4, 0},
                              {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}, {11, 0}};
    for (int i = 1; i < 14; ++i) {
        const std::size_t at = kSecondTagAt + 90 * (i - 1);
        EXPECT_EQ(b[at], 0x01) << i;
        EXPECT_EQ(b[at + 1], 0x80) << i;
        EXPECT_EQ(b[at + 2], types[i][0]) << i;
        EXPECT_EQ(b[at + 6], types[i][1]) << i;
    }
}

TEST_F(TunFileTest, ReopenAndSaveReproducesTheFileByteForByte) {
    FillAsRead(*s.doc);
    const std::string first = dir.File("radio.tun");
    const std::string second = dir.File("again.tun");
    std::string error;
    ASSERT_TRUE(TunFile::Save(*s.doc, first, error)) << error;
    EXPECT_TRUE(s.doc->m_loadedFromFile);
    const auto original = ReadBytes(first);
    ASSERT_EQ(original.size(), 1301u);

    s.frame.m_bDataOpen = false;
    CTunerDoc& reopened = s.Fresh();
    ASSERT_TRUE(TunFile::OpenDocument(reopened, first)) << ::testing::PrintToString(s.host.Texts());
    EXPECT_TRUE(s.host.m_messages.empty());
    EXPECT_TRUE(reopened.m_loadedFromFile);
    EXPECT_TRUE(s.frame.IsDataOpen());
    EXPECT_EQ(reopened.m_filePath, first);
    EXPECT_EQ(reopened.GetTitle(), "403CQT1234");
    EXPECT_EQ(reopened.m_modelNumber, "H18QDF9PW6AN");
    EXPECT_EQ(reopened.m_saveList.size(), 14u);
    ASSERT_TRUE(TunFile::Save(reopened, second, error)) << error;
    EXPECT_EQ(ReadBytes(second), original);
    // No temporary file is left behind.
    EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST_F(TunFileTest, ArchiveStringsUseTheirThreeLengthClasses) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {10, {0x0A}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        CTunerDoc& doc = s.Fresh();
        doc.m_serialNumber = std::string(c.length, 'S');
        doc.m_modelNumber = "M";
        SetRecords(doc, {Record(0, 0, 2)});
        const auto b = TunFile::Store(doc);
        ASSERT_GE(b.size(), c.prefix.size());
        EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + c.prefix.size()), c.prefix);
        ASSERT_EQ(b.size(), c.prefix.size() + c.length + 2 + 2 + 2 + 2 + 2 + 11 + 88);

        CTunerDoc& back = s.Fresh();
        std::string error;
        ASSERT_TRUE(TunFile::Load(back, b.data(), b.size(), error)) << error;
        EXPECT_EQ(back.m_serialNumber, std::string(c.length, 'S'));
        EXPECT_EQ(back.m_modelNumber, "M");
        EXPECT_EQ(TunFile::Store(back), b);
    }
}

TEST_F(TunFileTest, LongRecordCountUsesTheEscapedForm) {
    CTunerDoc& doc = s.Fresh();
    doc.m_serialNumber = "S";
    doc.m_modelNumber = "M";
    SetRecords(doc, std::vector<CSaveValues>(0xFFFF, Record(3, 0, 1)));
    const auto b = TunFile::Store(doc);
    // 1 + 1 string bytes, then FFFF and the 32-bit count.
    const std::vector<std::uint8_t> count(b.begin() + 4, b.begin() + 10);
    EXPECT_EQ(count, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    CTunerDoc& back = s.Fresh();
    std::string error;
    ASSERT_TRUE(TunFile::Load(back, b.data(), b.size(), error)) << error;
    EXPECT_EQ(back.m_saveList.size(), 0xFFFFu);
}

// Open rules, in order: extension, start test, data set open, then the load.
struct OpenCase {
    const char* name;
    std::string file;        // name in the temp folder
    std::string model;       // model number of the stored file ("" = no file at all)
    std::size_t truncateTo;  // 0 = whole file
    bool dataOpen;           // the frame already holds a data set
    const char* message;     // expected message, or nullptr for success
};

class OpenRulesTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenRulesTest, AppliesTheRulesInOrder) {
    const OpenCase& c = GetParam();
    TempDir dir;
    DocSetup s;
    const std::string path = dir.File(c.file);
    if (!c.model.empty()) {
        FillAsRead(*s.doc);
        s.doc->m_modelNumber = c.model;
        auto bytes = TunFile::Store(*s.doc);
        if (c.truncateTo)
            bytes.resize(c.truncateTo);
        WriteBytes(path, bytes);
    }
    s.frame.m_bDataOpen = c.dataOpen;
    CTunerDoc& doc = s.Fresh();
    const bool ok = TunFile::OpenDocument(doc, path);
    EXPECT_EQ(doc.m_filePath, path);
    if (c.message == nullptr) {
        EXPECT_TRUE(ok);
        EXPECT_TRUE(s.host.m_messages.empty()) << s.host.Texts().front();
        EXPECT_TRUE(s.frame.IsDataOpen());
        EXPECT_EQ(doc.m_saveList.size(), 14u);
        return;
    }
    EXPECT_FALSE(ok);
    ASSERT_EQ(s.host.m_messages.size(), 1u);
    EXPECT_EQ(s.host.m_messages[0].text, c.message);
    EXPECT_EQ(s.host.m_messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(s.frame.IsDataOpen(), c.dataOpen) << "the data-open flag must stay as it was";
    EXPECT_TRUE(doc.m_saveList.empty());
    EXPECT_FALSE(doc.m_loadedFromFile);
}

constexpr char kBadFormat[] = "Unexpected file format";
constexpr char kCorrupted[] = "Error Reading File: File Corrupted!";
constexpr char kCloseFirst[] = "Please close current windows before loading new data.";

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenRulesTest,
    ::testing::Values(
        OpenCase{"valid", "a.tun", "H18QDF9PW6AN", 0, false, nullptr},
        OpenCase{"xtun", "a.xtun", "H18QDF9PW6AN", 0, false, nullptr},
        OpenCase{"capitals", "a.TUN", "H18QDF9PW6AN", 0, false, kBadFormat},
        OpenCase{"capitalsBeforeOpenCheck", "a.TUN", "H18QDF9PW6AN", 0, true, kBadFormat},
        OpenCase{"otherExtension", "a.tu", "H18QDF9PW6AN", 0, false, kBadFormat},
        OpenCase{"elevenBytes", "short.tun", "H18QDF9PW6AN", 11, false, kCorrupted},
        OpenCase{"elevenCharModel", "m11.tun", "H18QDF9PW6A", 0, false, kCorrupted},
        OpenCase{"corruptBeforeOpenCheck", "m11.tun", "H18QDF9PW6A", 0, true, kCorrupted},
        OpenCase{"dataSetOpen", "a.tun", "H18QDF9PW6AN", 0, true, kCloseFirst}),
    [](const auto& info) { return std::string(info.param.name); });

// Paths that are no readable file are refused with the reason, before anything is read (a
// named pipe would block the read forever, a device would give endless garbage).
struct NotAFileCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* reason;
};

class NotAFileTest : public ::testing::TestWithParam<NotAFileCase> {};

TEST_P(NotAFileTest, IsRefusedWithTheReason) {
    const NotAFileCase& c = GetParam();
    if (std::string(c.name) == "unreadable" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    TempDir dir;
    DocSetup s;
    const std::string path = dir.File("radio.tun");
    c.make(path);
    EXPECT_FALSE(TunFile::OpenDocument(*s.doc, path));
    EXPECT_EQ(s.host.Texts(),
              std::vector<std::string>{"Could not open \"" + path + "\": " + c.reason + "."});
    EXPECT_EQ(s.host.m_messages[0].icon, MsgIcon::Stop);
    EXPECT_FALSE(s.frame.IsDataOpen());
    EXPECT_TRUE(s.doc->m_saveList.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotAFileTest,
    ::testing::Values(
        NotAFileCase{"missing", [](const std::string&) {}, "No such file or directory"},
        NotAFileCase{"unreadable",
                     [](const std::string& p) {
                         WriteBytes(p, ValidFile());
                         ::chmod(p.c_str(), 0);
                     },
                     "Permission denied"},
        NotAFileCase{"folder", [](const std::string& p) { ::mkdir(p.c_str(), 0700); },
                     "it is a folder, not a file"},
        NotAFileCase{"namedPipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); },
                     "it is a named pipe, not a file"},
        NotAFileCase{"device", [](const std::string& p) { ::symlink("/dev/zero", p.c_str()); },
                     "it is a device, not a file"},
        NotAFileCase{"danglingLink", [](const std::string& p) { ::symlink("gone.tun", p.c_str()); },
                     "No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

// Feature flags from the record indexes of a loaded file.
struct FeatureCase {
    const char* name;
    std::string model;
    std::vector<CSaveValues> records;
    std::vector<int> present;
};

class FeatureFlagsTest : public ::testing::TestWithParam<FeatureCase> {};

/// The type and level of the record at each position of a radio read's list.
constexpr int kListTypes[14][2] = {{0, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}, {3, 0},  {4, 0},
                                   {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}, {11, 0}};

std::vector<CSaveValues> FullList(int pairs = 3) {
    std::vector<CSaveValues> list;
    for (const auto& t : kListTypes) list.push_back(Record(t[0], t[1], pairs));
    return list;
}

std::vector<CSaveValues> WithRecordAt(std::vector<CSaveValues> list, std::size_t index,
                                      const CSaveValues& record) {
    list[index] = record;
    return list;
}

std::vector<CSaveValues> WithFirstFreq(std::vector<CSaveValues> list, std::size_t index,
                                       std::int32_t freq) {
    list[index].m_freq[0] = freq;
    return list;
}

/// Empty records, and at one position a record of the type that position stands for.
std::vector<CSaveValues> OnlyRecordAt(std::size_t index, std::size_t total) {
    std::vector<CSaveValues> list(total, Record(0, 0, 0));
    const int* t = index < 14 ? kListTypes[index] : kListTypes[0];
    list[index] = Record(t[0], t[1], 2);
    return list;
}

TEST_P(FeatureFlagsTest, RecordIndexesSelectFeatures) {
    const FeatureCase& c = GetParam();
    DocSetup s;
    s.doc->m_serialNumber = "403CQT1234";
    s.doc->m_modelNumber = c.model;
    SetRecords(*s.doc, c.records);
    const auto b = TunFile::Store(*s.doc);

    CTunerDoc& doc = s.Fresh();
    doc.m_featurePresent[12] = true;  // stale flags do not survive a load
    std::string error;
    ASSERT_TRUE(TunFile::Load(doc, b.data(), b.size(), error)) << error;
    std::vector<int> present;
    for (int t = 0; t < kSoftpotTypes; ++t) {
        if (doc.m_featurePresent[t])
            present.push_back(t);
    }
    EXPECT_EQ(present, c.present);
    EXPECT_EQ(Records(doc), c.records) << "the list is kept as the file holds it";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FeatureFlagsTest,
    ::testing::Values(
        FeatureCase{"hModelAllPresent", "H18QDF9PW6AN", FullList(), {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        FeatureCase{"otherModelNoBattery", "A18QDF9PW6AN", FullList(), {0, 1, 2, 3, 4, 5, 6, 7}},
        FeatureCase{"lowerCaseHNoBattery", "h18QDF9PW6AN", FullList(), {0, 1, 2, 3, 4, 5, 6, 7}},
        FeatureCase{"emptyModelNoBattery", "", FullList(), {0, 1, 2, 3, 4, 5, 6, 7}},
        FeatureCase{"refOscFreqZero",
                    "H18QDF9PW6AN",
                    WithFirstFreq(FullList(), 0, 0),
                    {1, 2, 3, 4, 5, 6, 7, 8}},
        FeatureCase{"negativeFreq",
                    "H18QDF9PW6AN",
                    WithFirstFreq(FullList(), 5, -7),
                    {0, 1, 2, 4, 5, 6, 7, 8}},
        FeatureCase{"oneTxPowerLevelIsEnough", "A", OnlyRecordAt(2, 14), {1}},
        // A record of another type than its position stands for has no values of that
        // feature: it marks nothing (Write Device would send an empty request for it).
        FeatureCase{"recordOfAnotherType",
                    "H18QDF9PW6AN",
                    WithRecordAt(FullList(), 6, Record(2, 0, 3)),
                    {0, 1, 2, 3, 5, 6, 7, 8}},
        // The document finds the first record of a type: one behind it at its own position
        // would never give its values, so it marks nothing either.
        FeatureCase{"recordBehindAnEarlierOneOfItsType",
                    "H18QDF9PW6AN",
                    WithRecordAt(FullList(), 0, Record(2, 0, 3)),
                    {1, 3, 4, 5, 6, 7, 8}},
        FeatureCase{"txPowerLevelBehindTheSameLevel",
                    "A",
                    WithRecordAt(OnlyRecordAt(2, 14), 1, Record(1, 2, 2)),
                    {}},
        FeatureCase{"txPowerOfAnotherLevel",
                    "A",
                    WithRecordAt(OnlyRecordAt(1, 14), 1, Record(1, 3, 2)),
                    {}},
        FeatureCase{"paBiasRecordAsBattery",
                    "H18QDF9PW6AN",
                    WithRecordAt(OnlyRecordAt(10, 14), 10, Record(9, 0, 1)),
                    {}},
        FeatureCase{"paBiasNever", "H", OnlyRecordAt(11, 14), {}},
        FeatureCase{"paBias3Never", "H", OnlyRecordAt(13, 14), {}},
        FeatureCase{"beyondFourteen", "H", OnlyRecordAt(15, 20), {}},
        FeatureCase{"shortList", "H", {Record(0, 0, 1)}, {0}},
        FeatureCase{"emptyList", "H", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Malformed archives: each fails with a reason, leaves the document alone and reads nothing
// beyond the data (the sanitizer build checks the bounds).
struct MalformedCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* reasonPart;
};

class MalformedArchiveTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedArchiveTest, FailsCleanlyAndChangesNothing) {
    const MalformedCase& c = GetParam();
    auto b = ValidFile();
    c.damage(b);

    DocSetup s;
    s.doc->m_serialNumber = "KEEP";
    s.doc->m_modelNumber = "KEEPMODEL";
    s.doc->m_featurePresent[3] = true;
    SetRecords(*s.doc, {Record(3, 0, 4)});
    std::string error;
    // Load from an exactly sized heap copy so that any read past the end is caught.
    auto exact = std::make_unique<std::uint8_t[]>(b.size() ? b.size() : 1);
    std::copy(b.begin(), b.end(), exact.get());
    EXPECT_FALSE(TunFile::Load(*s.doc, exact.get(), b.size(), error));
    EXPECT_NE(error.find(c.reasonPart), std::string::npos) << error;
    EXPECT_EQ(s.doc->m_serialNumber, "KEEP");
    EXPECT_EQ(s.doc->m_modelNumber, "KEEPMODEL");
    EXPECT_EQ(Records(*s.doc), std::vector<CSaveValues>{Record(3, 0, 4)});
    std::array<bool, kSoftpotTypes> flags{};
    flags[3] = true;
    EXPECT_EQ(s.doc->m_featurePresent, flags);
    EXPECT_FALSE(s.doc->m_loadedFromFile);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedArchiveTest,
    ::testing::Values(
        MalformedCase{"empty", [](auto& b) { b.clear(); }, "ends early"},
        MalformedCase{"wrongClassName", [](auto& b) { b[kClassNameAt + 10] = 'X'; },
                      "unexpected class \"CSaveValueX\""},
        MalformedCase{"classNameOfOtherLength",
                      [](auto& b) {
                          PutU16At(b, kSchemaAt + 2, 10);  // "CSaveValue"
                      },
                      "unexpected class"},
        MalformedCase{"hugeClassName", [](auto& b) { PutU16At(b, kSchemaAt + 2, 0xFFF0); },
                      "class name of 65520 characters"},
        MalformedCase{"schemaTwo", [](auto& b) { PutU16At(b, kSchemaAt, 2); },
                      "unsupported version 2"},
        MalformedCase{"nullFirstObject", [](auto& b) { PutU16At(b, kFirstTagAt, 0); },
                      "record 1: missing (null object)"},
        MalformedCase{"nullLaterObject", [](auto& b) { PutU16At(b, kSecondTagAt, 0); },
                      "record 2: missing (null object)"},
        MalformedCase{"classRefBeforeAnyClass", [](auto& b) { PutU16At(b, kFirstTagAt, 0x8001); },
                      "class number 1"},
        MalformedCase{"classRefToObjectIndex", [](auto& b) { PutU16At(b, kSecondTagAt, 0x8002); },
                      "class number 2"},
        MalformedCase{"classRefOutOfRange", [](auto& b) { PutU16At(b, kSecondTagAt, 0x8123); },
                      "class number 291"},
        MalformedCase{"objectRefToClass", [](auto& b) { PutU16At(b, kSecondTagAt, 0x0001); },
                      "object number 1"},
        MalformedCase{"objectRefAhead", [](auto& b) { PutU16At(b, kSecondTagAt, 0x0003); },
                      "object number 3"},
        MalformedCase{"bigObjectRefAhead",
                      [](auto& b) {
                          PutU16At(b, kSecondTagAt, 0x7FFF);
                          b.insert(b.begin() + kSecondTagAt + 2, {0x00, 0x00, 0x01, 0x00});
                      },
                      "object number 65536"},
        MalformedCase{"endsInFirstRecord", [](auto& b) { b.resize(kFirstFieldsAt + 40); },
                      "record 1: the file ends early"},
        MalformedCase{"endsInClassName", [](auto& b) { b.resize(kClassNameAt + 3); },
                      "claims 14 records but only 9 bytes follow"},
        MalformedCase{"endsInLastRecord", [](auto& b) { b.pop_back(); },
                      "record 14: the file ends early"},
        MalformedCase{"countBeyondData", [](auto& b) { PutU16At(b, kCountAt, 1000); },
                      "claims 1000 records"},
        MalformedCase{"countNeedsMoreRecords", [](auto& b) { PutU16At(b, kCountAt, 15); },
                      "record 15: the file ends early"},
        MalformedCase{"absurdLongCount",
                      [](auto& b) {
                          PutU16At(b, kCountAt, 0xFFFF);
                          b.insert(b.begin() + kCountAt + 2, {0xFF, 0xFF, 0xFF, 0x7F});
                      },
                      "claims 2147483647 records"},
        MalformedCase{"serialLongerThanFile",
                      [](auto& b) {
                          b[0] = 0xFF;
                          b.insert(b.begin() + 1, {0x00, 0x20});
                      },
                      "serial number claims 8192 characters"},
        MalformedCase{"serial32BitLength",
                      [](auto& b) {
                          b.insert(b.begin(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
                      },
                      "claims 4294967295 characters"},
        MalformedCase{"wideSerial",
                      [](auto& b) {
                          b.insert(b.begin(), {0xFF, 0xFE, 0xFF});
                      },
                      "wide text"},
        MalformedCase{"modelLongerThanFile", [](auto& b) { b[11] = 0xFF; }, "model number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TunFileTest, EveryTruncationOfAValidFileFails) {
    const auto full = ValidFile();
    for (std::size_t n = 0; n < full.size(); ++n) {
        std::vector<std::uint8_t> part(full.begin(), full.begin() + n);
        CTunerDoc& doc = s.Fresh();
        std::string error;
        EXPECT_FALSE(TunFile::Load(doc, part.data(), part.size(), error)) << n;
        EXPECT_TRUE(doc.m_saveList.empty()) << n;
    }
}

TEST_F(TunFileTest, ObjectReferencesAndRepeatedClassesAreRead) {
    auto b = ValidFile();
    // Record 2 becomes a reference to the first object (map index 2), record 3 a big-tag
    // class reference, record 4 a second description of the same class.
    std::vector<std::uint8_t> out(b.begin(), b.begin() + kSecondTagAt);
    out.push_back(0x02);
    out.push_back(0x00);
    std::size_t at = kSecondTagAt + 90;  // record 3 in the original
    out.insert(out.end(), {0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80});
    out.insert(out.end(), b.begin() + at + 2, b.begin() + at + 90);
    at += 90;  // record 4
    out.insert(out.end(), {0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00});
    out.insert(out.end(), b.begin() + kClassNameAt, b.begin() + kClassNameAt + 11);
    out.insert(out.end(), b.begin() + at + 2, b.begin() + at + 90);
    at += 90;  // records 5 to 14 refer to class 1 as before
    out.insert(out.end(), b.begin() + at, b.end());

    DocSetup s;
    std::string error;
    ASSERT_TRUE(TunFile::Load(*s.doc, out.data(), out.size(), error)) << error;
    ASSERT_EQ(s.doc->m_saveList.size(), 14u);
    DocSetup original;
    FillAsRead(*original.doc);
    auto expected = Records(*original.doc);
    expected[1] = expected[0];
    EXPECT_EQ(Records(*s.doc), expected);
    // Written back as separate objects of one class.
    EXPECT_EQ(TunFile::Store(*s.doc).size(), 1301u);
}

TEST_F(TunFileTest, MalformedArchiveAfterStartTestEmptiesAndReports) {
    auto b = ValidFile();
    b[kClassNameAt] = 'D';
    const std::string path = dir.File("bad.tun");
    WriteBytes(path, b);
    EXPECT_FALSE(TunFile::OpenDocument(*s.doc, path));
    EXPECT_FALSE(s.frame.IsDataOpen());
    ASSERT_EQ(s.host.m_messages.size(), 1u);
    const auto& m = s.host.m_messages[0];
    EXPECT_NE(m.text.find(path), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("unexpected class \"DSaveValues\""), std::string::npos) << m.text;
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_TRUE(s.doc->m_saveList.empty());
    EXPECT_FALSE(s.doc->m_loadedFromFile);

    // The frame is free again: a good file opens next.
    WriteBytes(path, ValidFile());
    s.host.Clear();
    EXPECT_TRUE(TunFile::OpenDocument(s.Fresh(), path));
    EXPECT_TRUE(s.host.m_messages.empty());
}

TEST_F(TunFileTest, OversizedFileIsRefused) {
    auto b = ValidFile();
    b.resize(TunFile::kMaxFileBytes + 1, 0);
    const std::string path = dir.File("huge.tun");
    WriteBytes(path, b);
    EXPECT_FALSE(TunFile::OpenDocument(*s.doc, path));
    ASSERT_EQ(s.host.m_messages.size(), 1u);
    EXPECT_NE(s.host.m_messages[0].text.find("larger than"), std::string::npos);
    EXPECT_FALSE(s.frame.IsDataOpen());
}

// Saving: the old file survives any failure, and nothing is left behind.
class SaveFailureTest : public TunFileTest {
protected:
    void SetUp() override {
        FillAsRead(*s.doc);
        old = ValidFile();
        old[1] = 'O';  // distinguishable from what the document writes
        WriteBytes(dir.File("radio.tun"), old);
    }
    void ExpectOldFileIntact() {
        EXPECT_EQ(ReadBytes(dir.File("radio.tun")), old);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"radio.tun"})
            << "a temporary file was left behind";
    }
    std::vector<std::uint8_t> old;
};

TEST_F(SaveFailureTest, MissingFolderFails) {
    std::string error;
    EXPECT_FALSE(TunFile::Save(*s.doc, dir.File("no/such/folder/radio.tun"), error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(s.doc->m_loadedFromFile) << "a failed save does not enable Write Device";
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, FolderInTheWayFails) {
    ASSERT_EQ(::mkdir(dir.File("sub.tun").c_str(), 0700), 0);
    std::string error;
    EXPECT_FALSE(TunFile::Save(*s.doc, dir.File("sub.tun"), error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    struct stat st {};
    EXPECT_EQ(::stat(dir.File("sub.tun").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ::rmdir(dir.File("sub.tun").c_str());
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, WriteFailureHalfwayKeepsTheOldFile) {
    // A file size limit below the archive's size makes the write itself fail (EFBIG), even
    // for root. Run in a child so that the limit does not touch this process.
    const std::string path = dir.File("radio.tun");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{500, 500};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        std::string error;
        const bool ok = TunFile::Save(*s.doc, path, error);
        const bool reasoned = error.find("File too large") != std::string::npos;
        ::_exit(ok ? 1 : (reasoned ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: save reported success, 2: no reason given";
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0500), 0);
    std::string error;
    EXPECT_FALSE(TunFile::Save(*s.doc, dir.File("radio.tun"), error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    ::chmod(dir.Path().c_str(), 0700);
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, SaveDocumentReportsTheFailure) {
    const std::string path = dir.File("missing/radio.tun");
    EXPECT_FALSE(TunFile::SaveDocument(*s.doc, path));
    ASSERT_EQ(s.host.m_messages.size(), 1u);
    EXPECT_NE(s.host.m_messages[0].text.find(path), std::string::npos);
    EXPECT_EQ(s.host.m_messages[0].icon, MsgIcon::Stop);
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, SpecialFileInTheWayIsNotReplaced) {
    ASSERT_EQ(::mkfifo(dir.File("pipe.tun").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe.tun", dir.File("to-pipe.tun").c_str()), 0);
    for (const char* name : {"pipe.tun", "to-pipe.tun"}) {
        std::string error;
        EXPECT_FALSE(TunFile::Save(*s.doc, dir.File(name), error)) << name;
        EXPECT_NE(error.find("it is a named pipe, not a file"), std::string::npos) << error;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("pipe.tun").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ::unlink(dir.File("pipe.tun").c_str());
    ::unlink(dir.File("to-pipe.tun").c_str());
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, LoopOfLinksIsRefused) {
    ASSERT_EQ(::symlink("b.tun", dir.File("a.tun").c_str()), 0);
    ASSERT_EQ(::symlink("a.tun", dir.File("b.tun").c_str()), 0);
    std::string error;
    EXPECT_FALSE(TunFile::Save(*s.doc, dir.File("a.tun"), error));
    EXPECT_NE(error.find("loop of symbolic links"), std::string::npos) << error;
    ::unlink(dir.File("a.tun").c_str());
    ::unlink(dir.File("b.tun").c_str());
    ExpectOldFileIntact();
}

// A save killed by the file size limit cannot clean up after itself; its temporary file is
// named after the target and the program, so that the leftover is recognisable. A process
// that survives the limit removes it.
TEST_F(SaveFailureTest, FileSizeLimitKillsOrFailsTheSave) {
    const std::string path = dir.File("radio.tun");
    for (const bool survive : {false, true}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::signal(SIGXFSZ, SIG_DFL);
            if (survive)
                TunFile::SurviveFileSizeLimit();
            rlimit lim{500, 500};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            std::string error;
            const bool ok = TunFile::Save(*s.doc, path, error);
            ::_exit(ok ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (survive) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail";
            ExpectOldFileIntact();
            continue;
        }
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
        const std::string leftover = "radio.tun.vegal-save-" + std::to_string(pid) + "-0.tmp";
        auto entries = dir.Entries();
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"radio.tun", leftover}));
        ::unlink(dir.File(leftover).c_str());
        ExpectOldFileIntact();
    }
}

TEST_F(SaveFailureTest, DanglingLinkIsFollowedToWhereItPoints) {
    ASSERT_EQ(::mkdir(dir.File("sets").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("sets/new.tun", dir.File("link.tun").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("link.tun").c_str(), dir.File("link2.tun").c_str()), 0);
    std::string error;
    ASSERT_TRUE(TunFile::Save(*s.doc, dir.File("link2.tun"), error)) << error;
    EXPECT_EQ(ReadBytes(dir.File("sets/new.tun")), TunFile::Store(*s.doc));
    for (const char* link : {"link.tun", "link2.tun"}) {
        struct stat st {};
        ASSERT_EQ(::lstat(dir.File(link).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << link << " was replaced";
    }
    std::string target(256, '\0');
    target.resize(static_cast<std::size_t>(
        ::readlink(dir.File("link.tun").c_str(), target.data(), target.size())));
    EXPECT_EQ(target, "sets/new.tun");
    ::unlink(dir.File("sets/new.tun").c_str());
    ::rmdir(dir.File("sets").c_str());
    ::unlink(dir.File("link.tun").c_str());
    ::unlink(dir.File("link2.tun").c_str());
    ExpectOldFileIntact();
}

TEST_F(SaveFailureTest, SuccessReplacesTheFileAndKeepsItsPermissions) {
    const std::string path = dir.File("radio.tun");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("radio.tun", dir.File("link.tun").c_str()), 0);
    std::string error;
    ASSERT_TRUE(TunFile::Save(*s.doc, dir.File("link.tun"), error)) << error;
    EXPECT_EQ(ReadBytes(path), TunFile::Store(*s.doc));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.tun").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link still points to the saved file";
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries().size(), 2u);
}
