#include "radio/RadioCommands.h"

#include <gtest/gtest.h>

#include <functional>

#include "ScriptedRadio.h"

using namespace scripted;

namespace {

const char kCommFailed[] = "Communication with the radio failed. Please Read the Radio Again!";
const char kMismatch[] =
    "Radio mismatch! The current data set does not come from this radio. Please read this "
    "radio before continuing.";

using Requests = std::vector<std::string>;

class RadioCommandsTest : public ::testing::Test, public RadioFixture {
protected:
    void SetUp() override {
        ConnectDoc(1);
        doc->m_serialNumber = kSerial;
        doc->m_modelNumber = kModel;
    }
    /// Log numbers taken since the start: one per failed exchange, two per successful one.
    std::int32_t Sequence() const { return Transport::LogSequence(); }
};

// ---- single requests -------------------------------------------------------------------

struct RequestCase {
    const char* name;
    int family;
    std::function<HRESULT(CTunerDoc&)> command;
    Requests expected;
};

class CommandRequestTest : public ::testing::TestWithParam<RequestCase>, public RadioFixture {};

TEST_P(CommandRequestTest, SendsExactly) {
    const RequestCase& c = GetParam();
    ConnectDoc(c.family);
    EXPECT_EQ(c.command(*doc), S_OK);
    EXPECT_EQ(Sent(), c.expected);
    for (auto t : radio.fake.m_timeouts) EXPECT_EQ(t, 3000);
    EXPECT_TRUE(host.m_messages.empty());
}

constexpr std::int32_t kF = static_cast<std::int32_t>(kFreq851);  // 0a 25 15 84

INSTANTIATE_TEST_SUITE_P(
    Table, CommandRequestTest,
    ::testing::Values(
        RequestCase{"EnterTestMode", 1, [](CTunerDoc& d) { return EnterTestMode(d); }, {"000c"}},
        RequestCase{"RefOscFamily2",
                    2,
                    [](CTunerDoc& d) { return SetSoftpot(d, 0, 300); },
                    {"00010200012c"}},
        RequestCase{
            "RefOscFamily1", 1, [](CTunerDoc& d) { return SetSoftpot(d, 0, 100); }, {"0001020064"}},
        RequestCase{"DevLimitWide",
                    1,
                    [](CTunerDoc& d) { return SetSoftpot(d, 5, 0x7FFF); },
                    {"000102057fff"}},
        RequestCase{
            "CurrentLimit", 2, [](CTunerDoc& d) { return SetSoftpot(d, 4, 15); }, {"000102040f"}},
        RequestCase{
            "PaBias", 2, [](CTunerDoc& d) { return SetSoftpot(d, 9, 0xC8); }, {"00010209c8"}},
        // A value outside its width keeps the request's length (low bits only).
        RequestCase{"SelectModulation",
                    1,
                    [](CTunerDoc& d) { return SelectModulation(d, 0x27); },
                    {"000227"}},
        RequestCase{"ToneHigh", 1, [](CTunerDoc& d) { return SelectTone(d, true); }, {"000212"}},
        RequestCase{"ToneLow", 1, [](CTunerDoc& d) { return SelectTone(d, false); }, {"000211"}},
        RequestCase{"AudioInternal",
                    1,
                    [](CTunerDoc& d) { return SetReceiveAudio(d, kAudioInternal); },
                    {"000512"}},
        RequestCase{
            "PowerMid", 1, [](CTunerDoc& d) { return SetPowerLevel(d, kPowerMid); }, {"000601"}},
        RequestCase{"TransmitRefOsc",
                    1,
                    [](CTunerDoc& d) { return TransmitAtFrequency(d, kF, 0); },
                    {"000b0a2515846401"}},
        RequestCase{"TransmitOther",
                    1,
                    [](CTunerDoc& d) { return TransmitAtFrequency(d, kF, 2); },
                    {"000b0a2515846400"}},
        RequestCase{"Pattern",
                    1,
                    [](CTunerDoc& d) { return TransmitPattern(d, kF, 0x32); },
                    {"000b0a2515843200"}},
        RequestCase{"ReceiveForBer",
                    1,
                    [](CTunerDoc& d) { return ReceiveAtFrequency(d, kF, "Bit Error Rate"); },
                    {"000a0a2515843200"}},
        RequestCase{"ReceiveOther",
                    1,
                    [](CTunerDoc& d) { return ReceiveAtFrequency(d, kF, "Rx Front End Filter"); },
                    {"000a0a2515846400"}},
        RequestCase{
            "BerPattern", 1, [](CTunerDoc& d) { return SetBerPattern(d, 2, 1); }, {"00030201"}},
        RequestCase{"PaBiasOff", 1, [](CTunerDoc& d) { return PaBiasOff(d); }, {"000210"}},
        RequestCase{"PttOff", 1, [](CTunerDoc& d) { return SetPtt(d, false, 1); }, {"000501"}},
        RequestCase{"PttOnPowerFamily1",
                    1,
                    [](CTunerDoc& d) { return SetPtt(d, true, 1); },
                    {"000401", "000102040f"}},
        RequestCase{
            "PttOnPowerFamily2", 2, [](CTunerDoc& d) { return SetPtt(d, true, 1); }, {"000401"}},
        RequestCase{"PttOnDevBalance",
                    2,
                    [](CTunerDoc& d) { return SetPtt(d, true, 2); },
                    {"000401", "000102057fff"}},
        RequestCase{"PttOnRefOsc", 1, [](CTunerDoc& d) { return SetPtt(d, true, 0); }, {"000401"}},
        RequestCase{"ReadLimits",
                    1,
                    [](CTunerDoc& d) {
                        int lo = 0, hi = 0;
                        return ReadSoftpotLimits(d, 10, lo, hi);
                    },
                    {"0001060a", "0001070a"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- start of a feature ----------------------------------------------------------------

struct StartCase {
    const char* name;
    int family;
    int feature;
    int level;
    int value;
    Requests expected;
};

class StartFeatureTest : public ::testing::TestWithParam<StartCase>, public RadioFixture {};

TEST_P(StartFeatureTest, SendsTheSequence) {
    const StartCase& c = GetParam();
    ConnectDoc(c.family);
    EXPECT_EQ(StartFeature(*doc, c.feature, c.level, kF, c.value), S_OK);
    EXPECT_EQ(Sent(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartFeatureTest,
    ::testing::Values(
        StartCase{"TxPowerMid",
                  1,
                  1,
                  2,
                  90,
                  {"000c", "000501", "000601", "000b0a2515846400", "000210", "000102015a"}},
        StartCase{"TxPowerLow",
                  1,
                  1,
                  1,
                  40,
                  {"000c", "000501", "000603", "000b0a2515846400", "000210", "0001020128"}},
        StartCase{"TxPowerHigh",
                  1,
                  1,
                  3,
                  160,
                  {"000c", "000501", "000600", "000b0a2515846400", "000210", "00010201a0"}},
        StartCase{"RefOscFamily2",
                  2,
                  0,
                  0,
                  500,
                  {"000c", "000501", "000603", "000b0a2515846401", "000210", "0001020001f4"}},
        StartCase{
            "DevBalance",
            1,
            2,
            0,
            128,
            {"000c", "000501", "000603", "000b0a2515846400", "000701", "000211", "0001020280"}},
        StartCase{"FrontEndFilter",
                  1,
                  3,
                  0,
                  60,
                  {"000c", "000501", "000603", "000a0a2515846400", "000210", "000102033c"}},
        StartCase{"CurrentLimit",
                  1,
                  4,
                  0,
                  12,
                  {"000c", "000501", "000600", "000b0a2515846400", "000210", "000102040c"}},
        StartCase{"DevLimit",
                  1,
                  5,
                  0,
                  2800,
                  {"000c", "000501", "000603", "000b0a2515846400", "000223", "000102050af0"}}),
    [](const auto& info) { return std::string(info.param.name); });

// In the tests below the component is not flagged open, so a failed exchange keeps the link
// and every later request still reaches the radio: what a sequence sends after a failure can
// be seen on the wire.
class KeptLinkTest : public RadioCommandsTest {
protected:
    void SetUp() override {
        RadioCommandsTest::SetUp();
        doc->m_componentOpen = false;
    }
};

TEST_F(KeptLinkTest, StartFeatureGoesFromAFailedStepToTheFinalSoftpot) {
    radio.failOn = {"000c"};
    EXPECT_EQ(StartFeature(*doc, 1, 2, kF, 90), E_RADIO_TIMEOUT);
    EXPECT_EQ(Sent(), (Requests{"000c", "000102015a"}));

    radio.fake.m_requests.clear();
    radio.failOn = {"000601"};
    EXPECT_EQ(StartFeature(*doc, 1, 2, kF, 90), E_RADIO_TIMEOUT);
    EXPECT_EQ(Sent(), (Requests{"000c", "000501", "000601", "000102015a"}));
}

TEST_F(KeptLinkTest, StartFeatureReturnsTheLastStepBeforeTheSoftpot) {
    radio.failOn = {"000102*"};
    EXPECT_EQ(StartFeature(*doc, 2, 0, kF, 128), S_OK);
    EXPECT_EQ(Sent().size(), 7u);
}

TEST_F(KeptLinkTest, PttStopsWhenKeyingFails) {
    radio.failOn = {"000401"};
    EXPECT_EQ(SetPtt(*doc, true, 1), E_RADIO_TIMEOUT);
    EXPECT_EQ(Sent(), Requests{"000401"});
}

TEST_F(KeptLinkTest, LimitsAskForTheMaximumAfterAFailedMinimum) {
    radio.replies["00010709"] = "00010709003f";
    radio.failOn = {"00010609"};
    int lo = 11, hi = 22;
    EXPECT_EQ(ReadSoftpotLimits(*doc, 9, lo, hi), S_OK);
    EXPECT_EQ(lo, 11);
    EXPECT_EQ(hi, 0x3f);
    EXPECT_EQ(Sent(), (Requests{"00010609", "00010709"}));

    radio.failOn = {"00010709"};
    radio.replies["00010609"] =
        "0001060900"
        "05"
        "ff";
    EXPECT_EQ(ReadSoftpotLimits(*doc, 9, lo, hi), E_RADIO_TIMEOUT);
    EXPECT_EQ(lo, 5);
    EXPECT_EQ(hi, 0x3f);
}

TEST_F(KeptLinkTest, PaBiasOnZeroesEvenAfterAFailureAndReturnsItsOwnStatus) {
    doc->m_featurePresent[9] = doc->m_featurePresent[10] = true;
    radio.failOn = {"000201", "0001020900"};
    EXPECT_EQ(PaBiasOn(*doc), E_RADIO_TIMEOUT);
    EXPECT_EQ(Sent(), (Requests{"000201", "0001020900", "0001020a00"}));
    radio.fake.m_requests.clear();
    // The zeroing returns the status of its last request.
    EXPECT_EQ(ZeroPaBiasSoftpots(*doc, 0), S_OK);
    radio.failOn = {"0001020a00"};
    EXPECT_EQ(ZeroPaBiasSoftpots(*doc, 0), E_RADIO_TIMEOUT);
}

TEST_F(RadioCommandsTest, DroppedLinkFailsTheRestAtOnce) {
    radio.failOn = {"000c"};
    const std::int32_t before = Sequence();
    EXPECT_EQ(StartFeature(*doc, 1, 2, kF, 90), E_RADIO_TIMEOUT);
    // 000c failed on the wire; the final softpot failed without a component.
    EXPECT_EQ(Sent(), Requests{"000c"});
    EXPECT_EQ(Sequence() - before, 2);
    EXPECT_EQ(host.Count(kCommFailed), 2);
    EXPECT_EQ(doc->m_radio, nullptr);
}

struct ZeroCase {
    int which;
    Requests expected;
};

TEST_F(RadioCommandsTest, ZeroPaBiasOnlyPresentSelectedTypes) {
    doc->m_featurePresent[9] = doc->m_featurePresent[11] = true;
    for (const ZeroCase& c :
         {ZeroCase{0, {"0001020900", "0001020b00"}}, ZeroCase{10, {}}, ZeroCase{11, {"0001020b00"}},
          ZeroCase{9, {"0001020900"}}, ZeroCase{12, {}}}) {
        radio.fake.m_requests.clear();
        EXPECT_EQ(ZeroPaBiasSoftpots(*doc, c.which), S_OK) << c.which;
        EXPECT_EQ(Sent(), c.expected) << c.which;
    }
}

// ---- programming -------------------------------------------------------------------------

struct ProgramCase {
    const char* name;
    int family;
    int type;
    std::vector<int> values;
    int count;
    const char* feature;
    bool loadedFromFile;
    bool writing;
    Requests expected;
};

class ProgramSoftpotsTest : public ::testing::TestWithParam<ProgramCase>, public RadioFixture {};

TEST_P(ProgramSoftpotsTest, SendsTheValueField) {
    const ProgramCase& c = GetParam();
    ConnectDoc(c.family);
    doc->m_serialNumber = kSerial;
    doc->m_modelNumber = kModel;
    doc->m_loadedFromFile = c.loadedFromFile;
    doc->m_writing = c.writing;
    EXPECT_EQ(ProgramSoftpots(*doc, c.type, c.values.data(), c.count, c.feature), S_OK);
    EXPECT_EQ(Sent(), c.expected);
    EXPECT_TRUE(host.m_messages.empty());
}

const Requests kMatch = {"001100", "001000"};
Requests Match(std::initializer_list<std::string> more) {
    Requests r = kMatch;
    r.insert(r.end(), more);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramSoftpotsTest,
    ::testing::Values(
        ProgramCase{"CurrentLimitOneByte",
                    1,
                    4,
                    {7, 8, 9, 10, 11},
                    5,
                    "Tx Current Limit",
                    false,
                    false,
                    Match({"0001040407"})},
        ProgramCase{"DevLimitTwoBytes",
                    1,
                    5,
                    {2800, 2810},
                    2,
                    "Tx Deviation Limit",
                    false,
                    false,
                    Match({"000104050af00afa"})},
        ProgramCase{"RefOscFamily2",
                    2,
                    0,
                    {500, 100},
                    2,
                    "Reference Oscillator",
                    false,
                    false,
                    Match({"0001040001f40064"})},
        ProgramCase{"RefOscFamily1",
                    1,
                    0,
                    {0x80, 0x81},
                    2,
                    "Reference Oscillator",
                    false,
                    false,
                    Match({"000104008081"})},
        ProgramCase{"TxPowerHigh",
                    1,
                    1,
                    {40, 41},
                    2,
                    "Tx Power High",
                    false,
                    false,
                    Match({"000600",
                           "00010401"
                           "2829"})},
        ProgramCase{"TxPowerLow",
                    1,
                    1,
                    {40},
                    1,
                    "Tx Power Low",
                    false,
                    false,
                    Match({"000603", "0001040128"})},
        ProgramCase{"TxPowerMid",
                    1,
                    1,
                    {40},
                    1,
                    "Tx Power Mid",
                    false,
                    false,
                    Match({"000601", "0001040128"})},
        ProgramCase{"TxPowerOtherName",
                    1,
                    1,
                    {40},
                    1,
                    "Tx Deviation Balance",
                    false,
                    false,
                    Match({"000600", "0001040128"})},
        ProgramCase{
            "TxPowerFromFile", 1, 1, {40}, 1, "Tx Power Low", true, false, Match({"0001040128"})},
        ProgramCase{"BatteryOne", 2, 8, {0x55}, 1, "", false, false, Match({"0001040855"})},
        ProgramCase{
            "WritingSkipsTheMatch", 1, 3, {60, 61, 62}, 3, "", true, true, {"000104033c3d3e"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Values wider than their field are refused before anything is sent, never cut to their low
// bits; so is a programming request without values.
struct RefusedValueCase {
    const char* name;
    int family;
    std::function<HRESULT(CTunerDoc&)> command;
    const char* message;
};

class RefusedValueTest : public ::testing::TestWithParam<RefusedValueCase>, public RadioFixture {};

TEST_P(RefusedValueTest, NothingIsSent) {
    const RefusedValueCase& c = GetParam();
    ConnectDoc(c.family);
    doc->m_serialNumber = kSerial;
    doc->m_modelNumber = kModel;
    EXPECT_EQ(c.command(*doc), E_FAIL);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(host.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);
    EXPECT_NE(doc->m_radio, nullptr) << "a refused value keeps the link";
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedValueTest,
    ::testing::Values(
        RefusedValueCase{"LiveByte", 1, [](CTunerDoc& d) { return SetSoftpot(d, 2, 0x1FF); },
                         "The value 511 of Tx Deviation Balance does not fit its softpot (0 to "
                         "255). It was not sent to the radio."},
        RefusedValueCase{"LiveWordNegative", 1, [](CTunerDoc& d) { return SetSoftpot(d, 5, -1); },
                         "The value -1 of Tx Deviation Limit does not fit its softpot (0 to "
                         "65535). It was not sent to the radio."},
        RefusedValueCase{"LiveRefOscFamily1", 1, [](CTunerDoc& d) { return SetSoftpot(d, 0, 300); },
                         "The value 300 of Reference Oscillator does not fit its softpot (0 to "
                         "255). It was not sent to the radio."},
        RefusedValueCase{"ProgramOneWideValue", 2,
                         [](CTunerDoc& d) {
                             const int v[] = {40, 256};
                             return ProgramSoftpots(d, 1, v, 2, "Tx Power Mid");
                         },
                         "The value 256 of Tx Power Mid does not fit its softpot (0 to 255). It "
                         "was not sent to the radio."},
        RefusedValueCase{"ProgramDevLimit", 1,
                         [](CTunerDoc& d) {
                             const int v[] = {2800, 70000};
                             return ProgramSoftpots(d, 5, v, 2, "Tx Deviation Limit");
                         },
                         "The value 70000 of Tx Deviation Limit does not fit its softpot (0 to "
                         "65535). It was not sent to the radio."},
        RefusedValueCase{"ProgramNoValues", 1,
                         [](CTunerDoc& d) { return ProgramSoftpots(d, 2, nullptr, 0, ""); },
                         "There are no values of Tx Deviation Balance to program."}),
    [](const auto& info) { return std::string(info.param.name); });

// A radio that answers but does not act: the reply's status fails the exchange with a message
// that says what was refused; nothing is reported as done, and the link stays.
TEST_F(RadioCommandsTest, RefusedProgrammingFailsTheExchange) {
    struct Case {
        const char* reply;
        HRESULT result;
        const char* message;
    };
    const int values[] = {120, 121};
    for (const Case& c :
         {Case{"000100", S_OK, nullptr},
          Case{"000102", E_RADIO_REFUSED,
               "The radio refused to program Tx Deviation Balance (reply status 02)."},
          Case{"0001ff00", E_RADIO_REFUSED,
               "The radio refused to program Tx Deviation Balance (reply status FF)."},
          Case{"0001", E_RADIO_REFUSED,
               "The radio refused to program Tx Deviation Balance (its reply carries no "
               "status)."}}) {
        ConnectDoc(1);
        host.Clear();
        doc->m_commErrorShown = false;
        radio.replies["000104027879"] = c.reply;
        EXPECT_EQ(ProgramSoftpots(*doc, 2, values, 2, "Tx Deviation Balance"), c.result) << c.reply;
        EXPECT_EQ(Sent().back(), "000104027879");
        if (c.message == nullptr) {
            EXPECT_TRUE(host.m_messages.empty()) << c.reply;
            continue;
        }
        EXPECT_EQ(host.Texts(), std::vector<std::string>{c.message}) << c.reply;
        EXPECT_NE(doc->m_radio, nullptr) << "the radio answered: the link stays";
        EXPECT_TRUE(doc->m_commErrorShown) << "no other failure message follows";
        EXPECT_TRUE(doc->m_lastFailureRefused);
        EXPECT_EQ(doc->m_lastFailureText, c.message);
    }
}

// A transmitter that did not key and a live value the radio did not take must not pass: every
// reading taken afterwards would be of something else.
TEST_F(RadioCommandsTest, RefusedKeyAndLiveValueFailWithWhatWasRefused) {
    const struct {
        const char* what;
        const char* request;
        std::function<HRESULT(CTunerDoc&)> command;
        Requests sent;
        const char* message;
    } cases[] = {
        {"key", "000401", [](CTunerDoc& d) { return SetPtt(d, true, 2); }, Requests{"000401"},
         "The radio refused to transmit (reply status 02)."},
        {"live value", "0001020264", [](CTunerDoc& d) { return SetSoftpot(d, 2, 100); },
         Requests{"0001020264"},
         "The radio refused the value 100 of Tx Deviation Balance (reply status 02)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectDoc(1);
        host.Clear();
        radio.replies[c.request] = std::string(c.request).substr(0, 4) + "02";
        EXPECT_EQ(c.command(*doc), E_RADIO_REFUSED);
        EXPECT_EQ(Sent(), c.sent) << "nothing follows a refused key";
        EXPECT_EQ(host.Texts(), std::vector<std::string>{c.message});
        EXPECT_NE(doc->m_radio, nullptr);
        radio.replies[c.request] = std::string(c.request).substr(0, 4) + "00";
        EXPECT_EQ(c.command(*doc), S_OK) << "the next one goes through";
    }
}

TEST_F(RadioCommandsTest, RefusedPowerLevelStopsTheTxPowerProgramming) {
    radio.replies["000603"] = "000602";
    const int values[] = {40};
    EXPECT_EQ(ProgramSoftpots(*doc, 1, values, 1, "Tx Power Low"), E_RADIO_REFUSED);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000", "000603"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{
                                "The radio refused to set the power level Low (reply status 02)."});
}

TEST_F(RadioCommandsTest, BatteryReadingWithoutItsHeaderIsNoReading) {
    int value = 7;
    radio.replies["0001050802b2"] = "000102";
    EXPECT_EQ(ReadBatteryCalibration(*doc, value), E_RADIO_REFUSED);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(host.Texts(),
              std::vector<std::string>{"The radio did not report the battery calibration (its "
                                       "reply ends before its values)."});
}

TEST_F(RadioCommandsTest, ProgrammingAnotherRadioSendsNothing) {
    doc->m_modelNumber = "h18QDF9PW6AN";  // differs only in case
    const int values[] = {1, 2};
    EXPECT_EQ(ProgramSoftpots(*doc, 2, values, 2, ""), E_FAIL);
    EXPECT_EQ(Sent(), kMatch);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kMismatch});
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);
}

TEST_F(RadioCommandsTest, FailedPowerLevelStopsTheProgramming) {
    radio.failOn = {"000603"};
    const int values[] = {1};
    EXPECT_EQ(ProgramSoftpots(*doc, 1, values, 1, "Tx Power Low"), E_RADIO_TIMEOUT);
    EXPECT_EQ(Sent(), Match({"000603"}));
}

// ---- replies that are examined ------------------------------------------------------------

TEST_F(RadioCommandsTest, BerStartNeedsExactlyStatusZero) {
    struct Case {
        const char* reply;
        HRESULT result;
    };
    for (const Case& c : {Case{"001600", S_OK}, Case{"001601", -1}, Case{"00160000", -1},
                          Case{"0016", -1}, Case{"", -1}, Case{"abcd00", S_OK}}) {
        radio.replies["00160105"] = c.reply;
        EXPECT_EQ(StartBerTest(*doc, 1, 5), c.result) << c.reply;
    }
    radio.replies["00160000"] = "001601";
    EXPECT_EQ(StopBerTest(*doc), -1);
    EXPECT_EQ(Sent().back(), "00160000");
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(RadioCommandsTest, NumbersAfterTheirHeaders) {
    int value = -5;
    radio.replies["000e02"] = "000e0200001a";
    EXPECT_EQ(ReadSignalStrength(*doc, value), S_OK);
    EXPECT_EQ(value, 26);
    radio.replies["000e02"] = "000e02";  // nothing after the header reads as 0
    EXPECT_EQ(ReadSignalStrength(*doc, value), S_OK);
    EXPECT_EQ(value, 0);

    radio.replies["0001050802b2"] = "000105080080";
    EXPECT_EQ(ReadBatteryCalibration(*doc, value), S_OK);
    EXPECT_EQ(value, 0x80);
    EXPECT_EQ(Sent().back(), "0001050802b2");

    std::string ber;
    radio.replies["0017"] = "0017000100000003";
    EXPECT_EQ(ReadBerResult(*doc, ber), S_OK);
    EXPECT_EQ(ber, "0017000100000003");
}

TEST_F(RadioCommandsTest, FailedReadsLeaveTheirOutValues) {
    radio.fake.FailAlways();
    int strength = 7, battery = 8, lo = 9, hi = 10;
    std::string ber = "kept";
    EXPECT_LT(ReadSignalStrength(*doc, strength), 0);
    EXPECT_LT(ReadBatteryCalibration(*doc, battery), 0);
    EXPECT_LT(ReadSoftpotLimits(*doc, 9, lo, hi), 0);
    EXPECT_LT(ReadBerResult(*doc, ber), 0);
    EXPECT_LT(StartBerTest(*doc, 1, 1), 0);
    EXPECT_EQ(strength, 7);
    EXPECT_EQ(battery, 8);
    EXPECT_EQ(lo, 9);
    EXPECT_EQ(hi, 10);
    EXPECT_EQ(ber, "kept");
}

}  // namespace
