#include "radio/RadioRead.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "ScriptedRadio.h"
#include "radio/ModelConfig.h"

using namespace scripted;

namespace {

const char kCommFailed[] = "Communication with the radio failed. Please Read the Radio Again!";
const char kCbi[] =
    "You cannot tune this radio until it has been CBI(Controller Board Intialization) "
    "Intialized.";
const char kNoSerial[] = "Radio does not have a valid serial number";
const char kListMissing[] = "Error: Frequecny list item missing from codeplug";
const char kTooManyFreqs[] =
    "The radio's frequency list names more test frequencies than the tuner can hold (25). "
    "The read was stopped.";
const char kBadList[] =
    "The radio's frequency list reply is truncated or malformed. The read was stopped.";
const char kTooManyValues[] =
    "The radio sent more softpot values than the tuner can hold (25). The read was stopped.";

constexpr unsigned kF1 = kFreq851;
constexpr unsigned kF2 = kFreq851 + 200000;  // 852.0125 MHz
constexpr unsigned kF3 = kFreq851 + 400000;
constexpr unsigned kF4 = kFreq851 + 600000;

std::vector<std::pair<int, unsigned>> Records(int n, int flags = 0x01) {
    std::vector<std::pair<int, unsigned>> r;
    for (int i = 0; i < n; ++i) r.push_back({flags, kF1 + 200000u * i});
    return r;
}

std::string Bytes(int n, int first = 1) {
    std::string s;
    for (int i = 0; i < n; ++i) s += Hex8(first + i);
    return s;
}

class RadioReadTest : public ::testing::Test, public RadioFixture {
protected:
    /// A family-1 radio: ref osc, two Tx Power frequencies, deviation balance, current limit
    /// and deviation limit.
    void FamilyOneRadio() {
        radio.records = {{0x01, kF1}, {0x06, kF2}, {0x02, kF3}, {0x30, kF4}};
        radio.values = {{0, "80"}, {100 + 3, "2829"}, {100 + 1, "5a5b"}, {100 + 0, "a0a1"},
                        {2, "7f"}, {4, "0c"},         {5, "0af0"}};
    }
};

TEST_F(RadioReadTest, FamilyOneReadSendsTheRequestsInOrderAndFillsTheDocument) {
    FamilyOneRadio();
    std::vector<std::size_t> sleepsAt;
    radio.onRequest = [&](const std::string&) { sleepsAt.push_back(host.m_sleeps.size()); };

    ASSERT_TRUE(OnNewDocument(*doc));

    const std::vector<std::string> expected = {
        "0012",   "000c",        "001000",   "001100",   "000f00",   "000f10", "000f20",
        "000f40", kReadFreqList, "00010300", "000603",   "00010301", "000601", "00010301",
        "000600", "00010301",    "00010302", "00010304", "00010305"};
    EXPECT_EQ(Sent(), expected);
    // The 500 ms pause comes between the model check and test mode.
    ASSERT_EQ(host.m_sleeps, std::vector<std::uint32_t>{500});
    EXPECT_EQ(sleepsAt[0], 0u);
    EXPECT_EQ(sleepsAt[1], 1u);
    EXPECT_TRUE(host.m_messages.empty());

    EXPECT_EQ(doc->m_modelFamily, 1);
    EXPECT_TRUE(doc->m_modelSupported);
    EXPECT_EQ(doc->m_modelNumber, kModel);
    EXPECT_EQ(doc->m_serialNumber, kSerial);
    EXPECT_EQ(doc->m_hostVersion, "V00");
    EXPECT_EQ(doc->m_dspVersion, "V10");
    EXPECT_EQ(doc->m_xpmSwVersion, "V20");
    EXPECT_EQ(doc->m_tuningHwVersion, "010AFF");
    EXPECT_EQ(doc->GetTitle(), kSerial);
    EXPECT_TRUE(doc->m_readFromRadio);
    EXPECT_TRUE(doc->m_componentOpen);
    EXPECT_TRUE(frame.IsDataOpen());

    const std::array<bool, kSoftpotTypes> present = {true, true,  true,  false, true,
                                                     true, false, false, false};
    EXPECT_EQ(doc->m_featurePresent, present);
    EXPECT_EQ((std::vector<int>(doc->m_freqCount.begin(), doc->m_freqCount.begin() + 9)),
              (std::vector<int>{1, 2, 1, 0, 1, 1, 0, 0, 4}));
    EXPECT_EQ(doc->m_testFreq[1][0], static_cast<int>(kF2));
    EXPECT_EQ(doc->m_testFreq[1][1], static_cast<int>(kF3));
    EXPECT_EQ(doc->m_testFreq[8][3], static_cast<int>(kF4));

    EXPECT_EQ(doc->m_refOsc[0], 0x80);
    EXPECT_EQ(doc->m_txPowerLow[0], 0x28);
    EXPECT_EQ(doc->m_txPowerLow[1], 0x29);
    EXPECT_EQ(doc->m_txPowerMid[1], 0x5b);
    EXPECT_EQ(doc->m_txPowerHigh[0], 0xa0);
    EXPECT_EQ(doc->m_devBalance[0], 0x7f);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(doc->m_currentLimit[i], 0x0c) << i;
    EXPECT_EQ(doc->m_currentLimit[5], 0);
    EXPECT_EQ(doc->m_devLimit[0], 2800);

    ASSERT_EQ(doc->m_saveList.size(), 14u);
    const CSaveValues& mid = *doc->m_saveList[2];
    EXPECT_EQ(mid.m_type, 1);
    EXPECT_EQ(mid.m_level, 2);
    EXPECT_EQ(mid.m_freq[0], static_cast<int>(kF2));
    EXPECT_EQ(mid.m_value[0], 0x5a);
    EXPECT_EQ(mid.m_value[1], 0x5b);
}

TEST_F(RadioReadTest, FamilyTwoReadsBatteryCalibrationAndEveryWideReferenceValue) {
    radio.modelIndex = 1;
    radio.records = Records(3, 0x21);  // reference oscillator and deviation limit
    radio.values = {{0, "01f400640190"}, {5, "01f400640000"}, {8, "55aa77"}};

    ASSERT_TRUE(OnNewDocument(*doc));

    EXPECT_EQ(doc->m_modelFamily, 2);
    EXPECT_EQ(Sent().back(), "00010308");
    EXPECT_EQ(Sent()[Sent().size() - 2], "00010305");
    EXPECT_TRUE(doc->m_featurePresent[8]);
    EXPECT_EQ(doc->m_freqCount[8], 3);
    EXPECT_EQ(doc->m_batteryCal[2], 0x77);
    EXPECT_EQ(doc->m_devLimit[0], 500);
    EXPECT_EQ(doc->m_devLimit[1], 100);
    // Each test frequency keeps its own value, so a write puts back what was read.
    EXPECT_EQ(doc->m_refOscWide[0], 500);
    EXPECT_EQ(doc->m_refOscWide[1], 100);
    EXPECT_EQ(doc->m_refOscWide[2], 400);
    EXPECT_EQ(doc->m_refOscWide[3], 0);
    EXPECT_EQ(doc->m_refOsc[0], 0x01);
    EXPECT_EQ(doc->m_refOsc[1], 0xf4);
    const CSaveValues& ref = *doc->m_saveList[0];
    EXPECT_EQ(ref.m_value[0], 500);
    EXPECT_EQ(ref.m_value[2], 400);
    EXPECT_EQ(doc->m_saveList[10]->m_type, 8);
    EXPECT_EQ(doc->m_saveList[10]->m_value[0], 0x55);
}

TEST_F(RadioReadTest, WideReferenceValuesStopAtTheTypesFrequencies) {
    radio.modelIndex = 2;
    radio.records = Records(1, 0x01);
    radio.values = {{0, "01f4ffff"}};  // a second pair without a test frequency
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(doc->m_refOscWide[0], 500);
    EXPECT_EQ(doc->m_refOscWide[1], 0);
}

TEST_F(RadioReadTest, ModelIdentifierComparesWithoutCaseButWholly) {
    const std::string id = ModelConfig::ModelIdentifiers()[0];
    std::string upper = id;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(CheckModel(*doc, "001200" + upper));
    EXPECT_EQ(doc->m_modelFamily, 1);
    EXPECT_TRUE(CheckModel(*doc, "001200" + ModelConfig::ModelIdentifiers()[2]));
    EXPECT_EQ(doc->m_modelFamily, 2);
    EXPECT_TRUE(host.m_messages.empty());

    EXPECT_FALSE(CheckModel(*doc, "001200" + id + "00"));
    EXPECT_EQ(doc->m_modelFamily, 0);
    EXPECT_FALSE(doc->m_modelSupported);
    EXPECT_FALSE(CheckModel(*doc, ""));
    ASSERT_EQ(host.m_messages.size(), 2u);
    EXPECT_EQ(host.m_messages[0].text, "Unsupported Model");
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);
}

// ---- frequency list -------------------------------------------------------------------

struct ListCase {
    const char* name;
    int family;
    std::string reply;
    bool accepted;
    std::vector<int> present;  ///< types 0 to 8 that become present
    int countOf8;
    const char* message;  ///< expected message, or null
};

class FrequencyListTest : public ::testing::TestWithParam<ListCase>, public RadioFixture {};

TEST_P(FrequencyListTest, Parses) {
    const ListCase& c = GetParam();
    doc->m_modelFamily = c.family;
    EXPECT_EQ(ParseFrequencyList(*doc, c.reply), c.accepted);
    std::vector<int> present;
    for (int t = 0; t < kSoftpotTypes; ++t)
        if (doc->m_featurePresent[t])
            present.push_back(t);
    EXPECT_EQ(present, c.present);
    EXPECT_EQ(doc->m_freqCount[8], c.countOf8);
    for (int t = 0; t < 9; ++t) {
        ASSERT_LE(doc->m_freqCount[t], kMaxTestFreqs);
        for (int i = doc->m_freqCount[t]; i < kMaxTestFreqs; ++i)
            ASSERT_EQ(doc->m_testFreq[t][i], 0) << t << " " << i;
    }
    if (c.message == nullptr) {
        EXPECT_TRUE(host.m_messages.empty());
    } else {
        ASSERT_EQ(host.m_messages.size(), 1u);
        EXPECT_EQ(host.m_messages[0].text, c.message);
        EXPECT_EQ(host.m_messages[0].icon,
                  std::string(c.message) == kListMissing ? MsgIcon::None : MsgIcon::Stop);
    }
    EXPECT_EQ(doc->m_commErrorShown, !c.accepted);
}

std::string WithLength(std::string reply, unsigned length) {
    return reply.replace(16, 4, Hex16(length));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrequencyListTest,
    ::testing::Values(
        ListCase{"NoRecords", 1, FreqListReply({}), true, {}, 0, nullptr},
        ListCase{"ShortBlockLength", 1, WithLength(FreqListReply({}), 4), true, {}, 0, nullptr},
        ListCase{"FlagsFiveFamilyOne", 1, FreqListReply({{0x05, kF1}}), true, {0, 2}, 1, nullptr},
        ListCase{
            "FlagsFiveFamilyTwo", 2, FreqListReply({{0x05, kF1}}), true, {0, 2, 8}, 1, nullptr},
        ListCase{"AllFlags",
                 1,
                 FreqListReply({{0xFF, kF1}}),
                 true,
                 {0, 1, 2, 3, 4, 5, 6, 7},
                 1,
                 nullptr},
        ListCase{"TwentyFiveRecords", 1, FreqListReply(Records(25)), true, {0}, 25, nullptr},
        ListCase{"TrailingBytesIgnored",
                 1,
                 FreqListReply({{0x01, kF1}}) + "abcd",
                 true,
                 {0},
                 1,
                 nullptr},
        ListCase{"StatusNotZero", 1, FreqListReply({{0x01, kF1}}, 1), true, {}, 0, kListMissing},
        ListCase{"TwentySixRecords", 2, FreqListReply(Records(26, 0)), false, {}, 0, kTooManyFreqs},
        ListCase{"PartRecord",
                 1,
                 WithLength(FreqListReply(Records(2)), 10 + 12),
                 false,
                 {},
                 0,
                 kBadList},
        ListCase{"RecordsMissing",
                 1,
                 WithLength(FreqListReply(Records(2)), 10 + 24),
                 false,
                 {},
                 0,
                 kBadList},
        ListCase{"NoLengthField", 1, "01000000000000", false, {}, 0, kBadList},
        ListCase{"Empty", 1, "", false, {}, 0, kBadList}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RadioReadTest, RecordsKeepListOrderPerType) {
    doc->m_modelFamily = 1;
    ASSERT_TRUE(ParseFrequencyList(*doc, FreqListReply({{0x02, kF3}, {0x01, kF1}, {0x03, kF2}})));
    EXPECT_EQ(doc->m_freqCount[1], 2);
    EXPECT_EQ(doc->m_testFreq[1][0], static_cast<int>(kF3));
    EXPECT_EQ(doc->m_testFreq[1][1], static_cast<int>(kF2));
    EXPECT_EQ(doc->m_testFreq[0][0], static_cast<int>(kF1));
    EXPECT_EQ(doc->m_testFreq[0][1], static_cast<int>(kF2));
    EXPECT_EQ(doc->m_testFreq[8][2], static_cast<int>(kF2));
}

TEST_F(RadioReadTest, ThreeTxPowerFrequenciesGiveThreeLevelReads) {
    radio.records = Records(3, 0x02);
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(doc->m_freqCount[1], 3);
    const std::vector<std::string> tail(Sent().begin() + 9, Sent().end());
    EXPECT_EQ(tail, (std::vector<std::string>{"000603", "00010301", "000601", "00010301", "000600",
                                              "00010301"}));
}

TEST_F(RadioReadTest, EmptyListReadsNoSoftpotsAndSucceeds) {
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(Sent().back(), kReadFreqList);
    EXPECT_EQ(doc->m_saveList.size(), 14u);
}

TEST_F(RadioReadTest, MissingListItemReadsOnWithoutFeatures) {
    radio.replies[kReadFreqList] = FreqListReply(Records(3), 0x01);
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kListMissing});
    EXPECT_EQ(Sent().back(), kReadFreqList);
}

TEST_F(RadioReadTest, SoftpotValueTablesTakeAtMostTwentyFiveValues) {
    radio.records = Records(25, 0x24);  // deviation balance and deviation limit
    radio.values = {{2, Bytes(25)}, {5, Bytes(50)}};
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(doc->m_devBalance[24], 25);
    EXPECT_EQ(doc->m_devLimit[24], 0x3132);
}

TEST_F(RadioReadTest, OddDeviationLimitByteIsTheHighByteOfItsValue) {
    radio.records = Records(2, 0x20);
    radio.values = {{5, "01f4ab"}};
    ASSERT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(doc->m_devLimit[0], 500);
    EXPECT_EQ(doc->m_devLimit[1], 0xab00);
}

TEST_F(RadioReadTest, ReadSoftpotTypeCountsTheValueBytes) {
    ConnectDoc();
    radio.values = {{3, "0a0b0c"}};
    std::uint8_t out[kMaxTestFreqs] = {};
    int count = -1;
    EXPECT_EQ(ReadSoftpotType(*doc, 3, 0, out, count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(out[2], 0x0c);
    EXPECT_EQ(Sent(), std::vector<std::string>{"00010303"});

    // A reply that ends inside its header reported nothing: the read fails and stores nothing,
    // so no zeros end up in the tables (and later in the radio).
    radio.replies["00010303"] = "000102";
    count = -1;
    EXPECT_EQ(ReadSoftpotType(*doc, 3, 0, out, count), E_RADIO_REFUSED);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(out[0], 0x0a);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"The radio did not report the values of Rx "
                                                     "Front End Filter (its reply ends before its "
                                                     "values)."});
}

TEST_F(RadioReadTest, OversizeSoftpotReplyStoresNothing) {
    ConnectDoc();
    radio.values = {{2, Bytes(26)}};
    std::uint8_t out[kMaxTestFreqs + 4] = {};
    int count = 7;
    EXPECT_EQ(ReadSoftpotType(*doc, 2, 0, out, count), E_FAIL);
    EXPECT_EQ(count, 7);
    for (auto b : out) EXPECT_EQ(b, 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kTooManyValues});
    EXPECT_TRUE(doc->m_commErrorShown);
}

TEST_F(RadioReadTest, ReadRestartsTheLogFilesFirst) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vegal_read_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    host.m_exeFolder = dir.string();
    { std::ofstream(dir / "TunerLog.txt") << "old contents"; }

    ASSERT_TRUE(OnNewDocument(*doc));
    std::stringstream text;
    text << std::ifstream(dir / "TunerLog.txt").rdbuf();
    EXPECT_EQ(text.str().find("old contents"), std::string::npos);
    EXPECT_EQ(text.str().rfind(" Logfile for Quillmore Tuner", 0), 0u);
    EXPECT_NE(text.str().find("(B) "), std::string::npos);
    std::filesystem::remove_all(dir);
}

// ---- failures of the read ---------------------------------------------------------------

struct FailCase {
    const char* name;
    std::function<void(CScriptedRadio&)> setup;
    std::vector<std::string> messages;
    std::string lastRequest;  ///< last request that reached the radio ("" = none)
};

class ReadFailureTest : public ::testing::TestWithParam<FailCase>, public RadioFixture {};

TEST_P(ReadFailureTest, FailsWithItsMessages) {
    const FailCase& c = GetParam();
    c.setup(radio);
    EXPECT_FALSE(OnNewDocument(*doc));
    EXPECT_EQ(host.Texts(), c.messages);
    for (const auto& m : host.m_messages) EXPECT_EQ(m.icon, MsgIcon::Stop) << m.text;
    EXPECT_EQ(Sent().empty() ? std::string() : Sent().back(), c.lastRequest);
    EXPECT_FALSE(doc->m_readFromRadio);
    EXPECT_FALSE(frame.IsDataOpen());
    EXPECT_TRUE(doc->m_saveList.empty());
    EXPECT_TRUE(doc->m_commErrorShown);
    EXPECT_EQ(host.m_waitDepth, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFailureTest,
    ::testing::Values(
        FailCase{"CannotCreate",
                 [](CScriptedRadio& r) { r.fake.m_createStatus = E_FAIL; },
                 {kCommFailed},
                 ""},
        FailCase{"CannotOpen",
                 [](CScriptedRadio& r) { r.fake.m_openStatus = E_RADIO_PORT; },
                 {kCommFailed},
                 ""},
        FailCase{"UnknownModel",
                 [](CScriptedRadio& r) { r.modelIdOverride = std::string(32, 'f'); },
                 {"Unsupported Model", kCommFailed},
                 "0012"},
        FailCase{"ModelWithExtraByte",
                 [](CScriptedRadio& r) {
                     r.modelIdOverride = ModelConfig::ModelIdentifiers()[0] + "00";
                 },
                 {"Unsupported Model", kCommFailed},
                 "0012"},
        FailCase{"NoModelAnswer",
                 [](CScriptedRadio& r) { r.failOn = {"0012"}; },
                 {kCommFailed, kCommFailed},
                 "0012"},
        FailCase{"BlankSerial",
                 [](CScriptedRadio& r) { r.serial = ModelConfig::BlankSerialNumber(); },
                 {kCbi},
                 "001100"},
        FailCase{"EmptySerial", [](CScriptedRadio& r) { r.serial = ""; }, {kNoSerial}, "001100"},
        FailCase{"VersionReadFails",
                 [](CScriptedRadio& r) { r.failOn = {"000f10"}; },
                 {kCommFailed, kCommFailed},
                 "000f10"},
        FailCase{"TestModeFails",
                 [](CScriptedRadio& r) { r.failOn = {"000c"}; },
                 {kCommFailed, kCommFailed},
                 "000c"},
        FailCase{"TooManyRecords",
                 [](CScriptedRadio& r) { r.records = Records(26); },
                 {kTooManyFreqs},
                 kReadFreqList},
        FailCase{"TruncatedList",
                 [](CScriptedRadio& r) {
                     r.replies[kReadFreqList] = FreqListReply(Records(3)).substr(0, 60);
                 },
                 {kBadList},
                 kReadFreqList},
        FailCase{"TooManyValues",
                 [](CScriptedRadio& r) {
                     r.records = Records(2, 0x04);
                     r.values[2] = Bytes(26);
                 },
                 {kTooManyValues},
                 "00010302"},
        FailCase{"TooManyWideValues",
                 [](CScriptedRadio& r) {
                     r.records = Records(2, 0x20);
                     r.values[5] = Bytes(51);
                 },
                 {kTooManyValues},
                 "00010305"},
        // The failed level request drops the link; the read after it fails without reaching
        // the radio.
        FailCase{"PowerLevelFails",
                 [](CScriptedRadio& r) {
                     r.records = Records(1, 0x02);
                     r.failOn = {"000603"};
                 },
                 {kCommFailed, kCommFailed, kCommFailed},
                 "000603"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RadioReadTest, FailedConnectLeavesTheTitleAlone) {
    radio.fake.m_openStatus = E_RADIO_PORT;
    EXPECT_EQ(ReadDevice(*doc), E_RADIO_PORT);
    EXPECT_TRUE(doc->GetTitle().empty());
    EXPECT_TRUE(host.m_sleeps.empty());
}

TEST_F(RadioReadTest, UnsupportedModelStillPausesAndReleasesTheComponent) {
    radio.modelIdOverride = std::string(32, '0');
    EXPECT_EQ(ReadDevice(*doc), E_FAIL);
    EXPECT_EQ(host.m_sleeps, std::vector<std::uint32_t>{500});
    EXPECT_EQ(doc->m_radio, nullptr);
    EXPECT_FALSE(doc->m_componentOpen);
}

}  // namespace
