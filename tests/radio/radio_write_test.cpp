#include "radio/RadioWrite.h"

#include <gtest/gtest.h>

#include "ScriptedRadio.h"
#include "radio/RadioCommands.h"

using namespace scripted;

namespace {

const char kMismatch[] =
    "Radio mismatch! The current data set does not come from this radio. Please read this "
    "radio before continuing.";
const char kNoDevice[] =
    "Communication with device failed. Please ensure that the radio matching this file is "
    "connected.";
const char kCommFailed[] = "Communication with the radio failed. Please Read the Radio Again!";

using Requests = std::vector<std::string>;

class RadioWriteTest : public ::testing::Test, public RadioFixture {
protected:
    RadioWriteTest() {
        doc->m_serialNumber = kSerial;
        doc->m_modelNumber = kModel;
    }

    /// A data set as a file leaves it: the saved records of a read, not connected.
    void LoadedDataSet(int family) {
        doc->m_modelFamily = family;
        doc->SnapshotSavedValues();
        doc->m_loadedFromFile = true;
    }
    /// Sets a saved record's pairs: n frequencies from 851.0125 MHz, values from first.
    void Saved(int type, int level, int n, int first) {
        CSaveValues* r = doc->FindSavedValues(type, level);
        ASSERT_NE(r, nullptr);
        for (int i = 0; i < n; ++i) {
            r->m_freq[i] = static_cast<int>(kFreq851) + 200000 * i;
            r->m_value[i] = first + i;
        }
        doc->m_featurePresent[type] = true;
    }
};

TEST_F(RadioWriteTest, MatchComparesSerialAndModelExactly) {
    ConnectDoc();
    EXPECT_EQ(MatchRadio(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000"}));
    EXPECT_TRUE(host.m_messages.empty());

    for (const char* model : {"h18QDF9PW6AN", "H18QDF9PW6A", "H18QDF9PW6AN "}) {
        doc->m_modelNumber = model;
        EXPECT_EQ(MatchRadio(*doc), E_FAIL) << model;
    }
    doc->m_modelNumber = kModel;
    doc->m_serialNumber = "403cqt1234";
    EXPECT_EQ(MatchRadio(*doc), E_FAIL);
    EXPECT_EQ(host.Count(kMismatch), 4);
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::Stop);
}

TEST_F(RadioWriteTest, MatchReturnsAFailedReadWithoutTheMismatchMessage) {
    ConnectDoc();
    radio.failOn = {"001000"};
    EXPECT_EQ(MatchRadio(*doc), E_RADIO_TIMEOUT);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kCommFailed});
}

TEST_F(RadioWriteTest, SavedCountIsTheLeadingPositiveFrequencies) {
    LoadedDataSet(1);
    CSaveValues* r = doc->FindSavedValues(2, 0);
    r->m_freq = {5, 6, 0, 7, 8, 9, 10, 11, 12, 13};
    r->m_value = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    int values[10] = {};
    int count = -1;
    GetSavedCount(*doc, 2, 0, values, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(values[3], 4);
    r->m_freq = {1, 2, 3, 4, 5, 6, 7, 8, 9, -1};
    GetSavedCount(*doc, 2, 0, values, count);
    EXPECT_EQ(count, 9);
    r->m_freq.fill(1);
    GetSavedCount(*doc, 2, 0, values, count);
    EXPECT_EQ(count, 10);
}

TEST_F(RadioWriteTest, WriteProgramsEveryPresentFeatureInOrder) {
    LoadedDataSet(2);
    Saved(0, 0, 2, 500);
    Saved(1, 1, 2, 40);
    Saved(1, 2, 2, 90);
    Saved(1, 3, 2, 160);
    Saved(4, 0, 3, 12);
    Saved(5, 0, 1, 2800);
    Saved(8, 0, 2, 0x55);
    Saved(9, 0, 1, 0x20);
    doc->m_featurePresent[12] = true;  // no record: nothing to program, no value made up
    ConnectDoc(2);

    EXPECT_EQ(OnWriteDevice(*doc), S_OK);
    const Requests expected = {"001100",
                               "001000",
                               "0001040001f401f5",
                               "000603",
                               "00010401"
                               "2829",
                               "000601",
                               "00010401"
                               "5a5b",
                               "000600",
                               "00010401"
                               "a0a1",
                               "000104040c",
                               "000104050af0",
                               "0001040855",
                               "0001040920"};
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Programming Successful"});
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::None);
    EXPECT_FALSE(doc->m_writing);
    EXPECT_EQ(doc->m_freqCount[4], 3);
    EXPECT_EQ(doc->m_freqCount[8], 2);
    EXPECT_EQ(host.m_waitDepth, 0);
}

TEST_F(RadioWriteTest, ValueOutsideItsFieldStopsTheWriteBeforeAnythingIsProgrammed) {
    LoadedDataSet(1);
    Saved(2, 0, 2, 100);
    Saved(3, 0, 2, 300);  // a hand-edited file: 300 and 301 do not fit one byte
    ConnectDoc(1);
    EXPECT_EQ(WriteDevice(*doc), E_FAIL);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{
                                "The value 300 of Rx Front End Filter does not fit its softpot (0 "
                                "to 255). It was not sent to the radio."});
    EXPECT_FALSE(doc->m_writing);
}

TEST_F(RadioWriteTest, RefusedProgrammingIsNoSuccess) {
    LoadedDataSet(1);
    Saved(2, 0, 1, 100);
    Saved(3, 0, 1, 110);
    Saved(4, 0, 1, 12);
    ConnectDoc(1);
    radio.replies["000104036e"] = "000102";
    // The refusal fails the write; the link stays, so the features after it are programmed.
    EXPECT_EQ(WriteDevice(*doc), E_RADIO_REFUSED);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000", "0001040264", "000104036e", "000104040c"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"The radio refused to program Rx Front End "
                                                     "Filter (reply status 02)."});
    EXPECT_FALSE(doc->m_writing);
    EXPECT_NE(doc->m_radio, nullptr);
}

TEST_F(RadioWriteTest, PresentFeatureWithoutSavedValuesSendsNoEmptyRequest) {
    LoadedDataSet(1);
    Saved(2, 0, 0, 0);  // present, but its record holds no valid pair
    Saved(3, 0, 1, 110);
    ConnectDoc(1);
    EXPECT_EQ(WriteDevice(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000", "000104036e"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Programming Successful"});
}

TEST_F(RadioWriteTest, OnlyCurrentLimitSendsOneRequestWithOneValue) {
    LoadedDataSet(1);
    Saved(4, 0, 5, 9);
    ConnectDoc(1);
    EXPECT_EQ(WriteDevice(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000", "0001040409"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Programming Successful"});
}

TEST_F(RadioWriteTest, NothingPresentStillReportsSuccess) {
    LoadedDataSet(1);
    ConnectDoc(1);
    EXPECT_EQ(WriteDevice(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Programming Successful"});
}

TEST_F(RadioWriteTest, MismatchedRadioIsNotProgrammed) {
    LoadedDataSet(1);
    Saved(2, 0, 2, 1);
    ConnectDoc(1);
    radio.model = "H18QDF9PW6an";
    EXPECT_EQ(WriteDevice(*doc), E_FAIL);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000"}));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kMismatch});
    EXPECT_FALSE(doc->m_writing);
}

TEST_F(RadioWriteTest, FailedWriteTriesTheRestReportsNoSuccessAndEndsTheWrite) {
    LoadedDataSet(1);
    Saved(2, 0, 2, 1);
    Saved(3, 0, 2, 1);
    Saved(4, 0, 1, 1);
    ConnectDoc(1);
    radio.failOn = {"00010403*"};
    const std::int32_t before = Transport::LogSequence();
    EXPECT_EQ(WriteDevice(*doc), E_FAIL);
    EXPECT_EQ(Sent().back(), "000104030102");
    // Two match reads and type 2 took two numbers each, type 3 failed on the wire, type 4
    // failed without a component.
    EXPECT_EQ(Transport::LogSequence() - before, 2 + 2 + 2 + 1 + 1);
    EXPECT_EQ(host.Texts(), (std::vector<std::string>{kCommFailed, kCommFailed}));
    // The write is over: the next Program All checks the radio again.
    EXPECT_FALSE(doc->m_writing);
}

TEST_F(RadioWriteTest, ProgrammingAfterAFailedWriteChecksTheRadioAgain) {
    LoadedDataSet(1);
    Saved(2, 0, 1, 1);
    ConnectDoc(1);
    radio.failOn = {"00010402*"};
    EXPECT_LT(WriteDevice(*doc), 0);

    // The technician reconnects another radio and programs from a screen.
    radio.failOn.clear();
    radio.serial = "403CQT9999";
    EXPECT_EQ(Reconnect(*doc), S_OK);
    radio.fake.m_requests.clear();
    const int values[] = {5};
    EXPECT_EQ(ProgramSoftpots(*doc, 2, values, 1, "Tx Deviation Balance"), E_FAIL);
    EXPECT_EQ(Sent(), (Requests{"001100", "001000"}));
    EXPECT_EQ(host.Count(kMismatch), 1);
}

TEST_F(RadioWriteTest, ReconnectOpensVerifiesAndEntersTestModeWithoutPause) {
    LoadedDataSet(1);
    EXPECT_EQ(Reconnect(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"0012", "000c"}));
    EXPECT_TRUE(doc->m_componentOpen);
    EXPECT_TRUE(host.m_sleeps.empty());
    EXPECT_EQ(host.m_waitDepth, 0);
    EXPECT_GT(host.m_waitCursorShown, 0);
}

TEST_F(RadioWriteTest, ReconnectFailureMessages) {
    struct Case {
        bool loaded;
        bool unsupported;
        std::vector<std::string> messages;
    };
    for (const Case& c : {Case{true, false, {kNoDevice}}, Case{false, false, {}},
                          Case{true, true, {"Unsupported Model"}}}) {
        RadioFixture f;
        f.doc->m_loadedFromFile = c.loaded;
        if (c.unsupported)
            f.radio.modelIdOverride = std::string(32, 'e');
        else
            f.radio.fake.m_openStatus = E_RADIO_PORT;
        EXPECT_LT(Reconnect(*f.doc), 0);
        EXPECT_EQ(f.host.Texts(), c.messages);
        EXPECT_EQ(f.doc->m_commErrorShown, !c.unsupported);
        EXPECT_EQ(f.doc->m_radio, nullptr);
        EXPECT_FALSE(f.doc->m_componentOpen);
        for (const auto& m : f.host.m_messages) EXPECT_EQ(m.icon, MsgIcon::Stop);
    }
}

TEST_F(RadioWriteTest, WriteDeviceReconnectsAFileDataSetFirst) {
    LoadedDataSet(1);
    Saved(6, 0, 1, 0x42);
    EXPECT_EQ(OnWriteDevice(*doc), S_OK);
    EXPECT_EQ(Sent(), (Requests{"0012", "000c", "001100", "001000", "0001040642"}));
}

TEST_F(RadioWriteTest, WriteDeviceWithoutARadioProgramsNothing) {
    LoadedDataSet(1);
    Saved(6, 0, 1, 0x42);
    radio.fake.m_openStatus = E_RADIO_PORT;
    EXPECT_EQ(OnWriteDevice(*doc), E_RADIO_PORT);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kNoDevice});
    EXPECT_EQ(host.m_waitDepth, 0);
}

TEST_F(RadioWriteTest, WriteDeviceOfferedOnlyForFilesWithoutAScreen) {
    EXPECT_FALSE(CanWriteDevice(*doc, false));  // read from a radio, never saved
    doc->m_loadedFromFile = true;
    EXPECT_TRUE(CanWriteDevice(*doc, false));
    EXPECT_FALSE(CanWriteDevice(*doc, true));
}

}  // namespace
