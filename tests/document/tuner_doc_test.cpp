#include "document/TunerDoc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "radio/MessageFields.h"
#include "radio/Transport.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace {

class TunerDocTest : public ::testing::Test {
protected:
    TunerDocTest() { doc = std::make_unique<CTunerDoc>(host, frame, radio.Factory()); }

    /// Connects the document the way a successful read leaves it.
    void ReadFromRadio() {
        frame.SetPort("COM3");
        ASSERT_EQ(Transport::Connect(*doc), S_OK);
        doc->m_componentOpen = true;
        doc->m_readFromRadio = true;
        frame.SetDataOpen(true);
    }

    CRecordingHost host;
    CFrameState frame;
    CFakeRadio radio;
    std::unique_ptr<CTunerDoc> doc;
};

TEST_F(TunerDocTest, NewDocumentIsEmpty) {
    EXPECT_TRUE(doc->m_serialNumber.empty());
    EXPECT_TRUE(doc->m_modelNumber.empty());
    EXPECT_EQ(doc->GetModelFamily(), 0);
    EXPECT_FALSE(doc->IsFamily1() || doc->IsFamily2());
    EXPECT_FALSE(doc->m_readFromRadio || doc->m_loadedFromFile || doc->m_writing);
    EXPECT_FALSE(doc->m_componentOpen || doc->m_modelSupported);
    EXPECT_EQ(doc->m_radio, nullptr);
    EXPECT_EQ(doc->m_berTestNumber, 1);
    for (int t = 0; t < kSoftpotTypes; ++t) {
        EXPECT_FALSE(doc->m_featurePresent[t]);
        EXPECT_EQ(doc->m_freqCount[t], 0);
        for (int f : doc->m_testFreq[t]) EXPECT_EQ(f, 0);
    }
    EXPECT_TRUE(doc->m_saveList.empty());
}

TEST_F(TunerDocTest, PortComesFromTheFrame) {
    frame.SetPort("/dev/ttyUSB1");
    Transport::RefreshPort(*doc);
    EXPECT_EQ(doc->m_portName, "/dev/ttyUSB1");
}

TEST_F(TunerDocTest, BandClassFromTheFourthCharacter) {
    struct Case {
        const char* model;
        int band;
    } cases[] = {
        {"H18QDF9PW5AN", 6}, {"H18RDF9", 6}, {"H18SDF9", 6}, {"H18UCF9", 0}, {"H18KDF9", 7},
        {"H18JDF9", 7},      {"H18ADF9", 5}, {"H18q", 5},    {"H18", 5},     {"", 5},
    };
    for (const auto& c : cases) {
        doc->m_modelNumber = c.model;
        EXPECT_EQ(doc->GetBandClass(), c.band) << c.model;
    }
}

TEST_F(TunerDocTest, SnapshotHasFourteenRecordsInOrder) {
    for (int t = 0; t < kSoftpotTypes; ++t) {
        for (int i = 0; i < kMaxTestFreqs; ++i) doc->m_testFreq[t][i] = 1000 * (t + 1) + i;
    }
    for (int i = 0; i < kMaxTestFreqs; ++i) {
        doc->m_refOsc[i] = static_cast<std::uint8_t>(10 + i);
        doc->m_refOscWide[i] = 40000 + i;
        doc->m_txPowerLow[i] = 1;
        doc->m_txPowerMid[i] = 2;
        doc->m_txPowerHigh[i] = 3;
        doc->m_devLimit[i] = 0x1234;
        doc->m_paBias[0][i] = 91;
        doc->m_paBias[1][i] = 92;
        doc->m_paBias[2][i] = 93;
        doc->m_paBias[3][i] = 94;
    }
    doc->m_modelFamily = 1;
    doc->SnapshotSavedValues();

    const int types[14] = {0, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const int levels[14] = {0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(doc->m_saveList.size(), 14u);
    for (int r = 0; r < 14; ++r) {
        const CSaveValues& rec = *doc->m_saveList[r];
        EXPECT_EQ(rec.m_type, types[r]) << r;
        EXPECT_EQ(rec.m_level, levels[r]) << r;
        for (int i = 0; i < 10; ++i) EXPECT_EQ(rec.m_freq[i], 1000 * (types[r] + 1) + i);
    }
    EXPECT_EQ(doc->m_saveList[0]->m_value[3], 13);  // family 1: byte table
    EXPECT_EQ(doc->m_saveList[2]->m_value[0], 2);
    EXPECT_EQ(doc->m_saveList[7]->m_value[9], 0x1234);
    EXPECT_EQ(doc->m_saveList[11]->m_value[0], 91);
    EXPECT_EQ(doc->m_saveList[13]->m_value[0], 93);

    CTunerDoc family2(host, frame, radio.Factory());
    family2.m_modelFamily = 2;
    family2.m_refOscWide[0] = 40000;
    family2.m_refOsc[0] = 7;
    family2.SnapshotSavedValues();
    ASSERT_EQ(family2.m_saveList.size(), 14u);
    EXPECT_EQ(family2.m_saveList[0]->m_value[0], 40000);
    EXPECT_EQ(family2.m_saveList[0]->m_freq[0], 0);  // absent features still get a record
}

TEST_F(TunerDocTest, RecordSearchUsesTheLevelForTxPowerOnly) {
    doc->SnapshotSavedValues();
    doc->m_saveList[2]->m_value[0] = 222;  // Tx Power Mid
    doc->m_saveList[4]->m_value[0] = 55;   // Deviation balance

    int freqs[10] = {}, values[10] = {};
    doc->GetSavedValues(1, 2, freqs, values);
    EXPECT_EQ(values[0], 222);
    doc->GetSavedValues(2, 5, freqs, values);
    EXPECT_EQ(values[0], 55);
    EXPECT_EQ(doc->FindSavedValues(1, 3), doc->m_saveList[3].get());
    EXPECT_EQ(doc->FindSavedValues(1, 4), nullptr);
    EXPECT_EQ(doc->FindSavedValues(12, 0), nullptr);  // PA bias 4 has no record

    int untouched[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    doc->GetSavedValues(12, 0, untouched, untouched);
    EXPECT_EQ(untouched[0], -1);

    const int programmed[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    doc->UpdateSavedValues(1, 3, programmed);
    EXPECT_EQ(doc->m_saveList[3]->m_value[9], 10);
    EXPECT_EQ(doc->m_saveList[2]->m_value[0], 222);
    doc->UpdateSavedValues(12, 0, programmed);  // no match: nothing changes
    EXPECT_EQ(doc->m_saveList.size(), 14u);
}

TEST_F(TunerDocTest, GetSavedValuesCountsLeadingFrequencies) {
    doc->SnapshotSavedValues();
    for (int type : {0, 5, 6}) {
        CSaveValues* rec = doc->FindSavedValues(type, 0);
        ASSERT_NE(rec, nullptr);
        rec->m_freq = {};
        rec->m_freq[0] = MessageFields::MHzToFreq(851.0125);
        rec->m_freq[1] = MessageFields::MHzToFreq(852.0125);
        rec->m_freq[3] = MessageFields::MHzToFreq(853.0125);  // after the gap: not counted
        doc->m_freqCount[type] = 7;
    }
    int freqs[10], values[10];
    doc->GetSavedValues(0, 0, freqs, values);
    EXPECT_EQ(doc->m_freqCount[0], 2);
    EXPECT_EQ(freqs[0], 170202500);
    doc->GetSavedValues(5, 0, freqs, values);
    EXPECT_EQ(doc->m_freqCount[5], 2);
    doc->GetSavedValues(6, 0, freqs, values);
    EXPECT_EQ(doc->m_freqCount[6], 7);  // types above 5 keep their count
}

TEST_F(TunerDocTest, TitleIsTheSerialNumber) {
    doc->m_serialNumber = "123ABC4567";
    doc->SetTitle("Tuner1");
    EXPECT_EQ(doc->GetTitle(), "123ABC4567");
}

TEST_F(TunerDocTest, ClosingAReadDocumentLeavesTestModeThenCloses) {
    ReadFromRadio();
    doc->DeleteContents();
    EXPECT_EQ(frame.m_screensDestroyed, 1);
    EXPECT_FALSE(frame.IsDataOpen());
    EXPECT_EQ(radio.Count("000d"), 1);
    EXPECT_EQ(radio.m_timeouts.back(), -1);
    EXPECT_EQ(radio.m_closes, 0);

    const std::uint32_t before = host.m_now;
    doc.reset();
    EXPECT_EQ(radio.m_requests.size(), 1u);  // nothing more was sent
    EXPECT_EQ(radio.m_closes, 1);
    EXPECT_FALSE(radio.Alive());
    EXPECT_EQ(host.m_now - before, 2000u);
    EXPECT_EQ(host.m_waitDepth, 0);
    EXPECT_TRUE(host.m_messages.empty());
}

TEST_F(TunerDocTest, ClosingWhenTheRadioIsGoneIsSilent) {
    ReadFromRadio();
    radio.FailAlways();
    doc->DeleteContents();
    EXPECT_EQ(radio.Count("000d"), 1);
    EXPECT_TRUE(host.m_messages.empty());
    EXPECT_FALSE(frame.IsDataOpen());
    EXPECT_EQ(doc->m_radio, nullptr);
    doc.reset();
    EXPECT_TRUE(host.m_sleeps.empty());  // the failure already dropped the link
    EXPECT_FALSE(radio.Alive());
}

TEST_F(TunerDocTest, DeleteContentsOfAnUnusedOrUnconnectedDocument) {
    frame.SetDataOpen(true);
    doc->DeleteContents();  // neither read nor loaded: the frame's flag stays
    EXPECT_TRUE(frame.IsDataOpen());
    EXPECT_EQ(frame.m_screensDestroyed, 1);

    doc->m_loadedFromFile = true;  // loaded, never connected: nothing is sent
    doc->DeleteContents();
    EXPECT_FALSE(frame.IsDataOpen());
    EXPECT_TRUE(radio.m_requests.empty());
    doc.reset();
    EXPECT_TRUE(host.m_sleeps.empty());
}

TEST_F(TunerDocTest, BerFilePathBesideTheExecutable) {
    char tmpl[] = "/tmp/vegal-doc-XXXXXX";
    const std::string folder = ::mkdtemp(tmpl);
    host.m_exeFolder = folder;
    EXPECT_FALSE(doc->BerFileExists());
    EXPECT_EQ(doc->m_berPath, folder + "/BERData.txt");
    std::ofstream(folder + "/BERData.txt").put('x');
    EXPECT_TRUE(doc->BerFileExists());
    std::filesystem::remove_all(folder);
}

}  // namespace
