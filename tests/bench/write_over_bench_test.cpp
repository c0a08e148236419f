#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <filesystem>

#include "RadioBenchFixture.h"
#include "document/TunFile.h"
#include "radio/RadioCommands.h"
#include "radio/RadioRead.h"
#include "radio/RadioWrite.h"

namespace {

const char kCommFailed[] = "Communication with the radio failed. Please Read the Radio Again!";
const char kMismatch[] =
    "Radio mismatch! The current data set does not come from this radio. Please read this "
    "radio before continuing.";

/// Reads the bench radio, saves the data set and opens it again in a new, unconnected
/// document, as the technician does between two sessions.
class WriteOverBench : public ::testing::Test, public RadioBenchFixture {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vegal_write_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void ReadSaveAndReopen(const std::string& profile, const BenchFaults& faults = {}) {
        ASSERT_TRUE(StartBench(profile));
        ASSERT_TRUE(OnNewDocument(*doc));
        const std::string path = (m_dir / "radio.tun").string();
        ASSERT_TRUE(TunFile::SaveDocument(*doc, path));
        doc->DeleteContents();
        doc.reset();  // closes the link
        doc = NewDoc();
        ASSERT_TRUE(TunFile::OpenDocument(*doc, path));
        ASSERT_TRUE(doc->m_loadedFromFile);
        ASSERT_FALSE(doc->m_componentOpen);
        Bench().SetFaults(faults);
        Bench().ClearTrace();
        host.m_messages.clear();
    }

    std::vector<std::string> ProgrammingRequests() const {
        std::vector<std::string> r;
        for (const auto& q : Requests())
            if (q.rfind("000104", 0) == 0 || q.rfind("0006", 0) == 0)
                r.push_back(q);
        return r;
    }

    std::filesystem::path m_dir;
};

TEST_F(WriteOverBench, FileDataSetIsProgrammedBackInOrder) {
    ReadSaveAndReopen("standard");
    // The technician's change since the read: Tx Power Mid at the first frequency.
    doc->FindSavedValues(1, 2)->m_value[0] = 77;

    EXPECT_EQ(OnWriteDevice(*doc), S_OK);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Programming Successful"});
    const auto trace = Requests();
    ASSERT_GE(trace.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + 4),
              (std::vector<std::string>{"0012", "000c", "001100", "001000"}));

    // One programming request per present feature, Tx Power's three levels each after
    // their level.
    std::vector<std::string> heads;
    for (const auto& q : ProgrammingRequests()) heads.push_back(q.substr(0, 8));
    const std::vector<std::string> expected = ExpectedProgramming(Radio().Profile());
    EXPECT_EQ(heads, expected);
    EXPECT_EQ(trace.size(), 4 + expected.size());

    const CRadioProfile& p = Radio().Profile();
    EXPECT_EQ(Radio().Programmed(1, 0x01)[0], 77);
    EXPECT_EQ(Radio().Programmed(1, 0x03)[0], p.powerLow);
    EXPECT_EQ(Radio().Programmed(1, 0x00)[0], p.powerHigh);
    EXPECT_EQ(Radio().Programmed(0)[0], p.initial[0]);
    EXPECT_EQ(Radio().Programmed(5)[0], p.initial[5]);
    EXPECT_FALSE(doc->m_writing);
}

TEST_F(WriteOverBench, ModelNumberDifferingInCaseIsAnotherRadio) {
    ReadSaveAndReopen("family1-k");
    std::string& model = doc->m_modelNumber;
    model[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(model[0])));
    ASSERT_NE(model, Radio().Profile().modelNumber);

    EXPECT_EQ(OnWriteDevice(*doc), E_FAIL);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kMismatch});
    EXPECT_TRUE(ProgrammingRequests().empty());
    EXPECT_EQ(Requests(), (std::vector<std::string>{"0012", "000c", "001100", "001000"}));
}

TEST_F(WriteOverBench, FailedWriteEndsTheWriteSoTheNextProgramAllChecksTheRadio) {
    BenchFaults faults;
    faults.corruptReply = true;
    faults.onlyRequest = "00010402";
    ReadSaveAndReopen("family1-k", faults);

    EXPECT_LT(OnWriteDevice(*doc), 0);
    EXPECT_EQ(host.Count("Programming Successful"), 0);
    EXPECT_FALSE(doc->m_writing);
    EXPECT_EQ(ProgrammingRequests().back(), Requests().back());
    EXPECT_EQ(Requests().back().substr(0, 8), "00010402");

    // Reconnected, a screen's Program All matches the radio before it programs.
    Bench().SetFaults({});
    Bench().ClearTrace();
    ASSERT_EQ(Reconnect(*doc), S_OK);
    const int values[] = {120, 121, 122};
    EXPECT_EQ(ProgramSoftpots(*doc, 2, values, 3, "Tx Deviation Balance"), S_OK);
    EXPECT_EQ(Requests(),
              (std::vector<std::string>{"0012", "000c", "001100", "001000", "0001040278797a"}));
    EXPECT_EQ(Radio().Programmed(2)[2], 122);
}

// The radio answers every programming request of one feature with status 02 and keeps its
// values: the write is a failure, says what was refused, and never reports success.
TEST_F(WriteOverBench, RefusedProgrammingIsNoSuccess) {
    BenchFaults faults;
    faults.refuseRequest = "00010402";
    ReadSaveAndReopen("family1-k", faults);
    const std::vector<int> before = Radio().Programmed(2);
    doc->FindSavedValues(2, 0)->m_value[0] = before[0] + 1;

    EXPECT_LT(OnWriteDevice(*doc), 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"The radio refused to program Tx Deviation "
                                                     "Balance (reply status 02)."});
    EXPECT_EQ(Radio().Programmed(2), before);
    // Only that feature was refused: the link stays and the features after it were written.
    const std::vector<std::string> sent = Requests();
    const auto refused = std::find_if(sent.begin(), sent.end(), [](const std::string& q) {
        return q.rfind("00010402", 0) == 0;
    });
    ASSERT_NE(refused, sent.end());
    EXPECT_NE(refused + 1, sent.end());
    EXPECT_NE(doc->m_radio, nullptr);
    EXPECT_FALSE(doc->m_writing);
}

// A programming reply that comes after its time-out is not taken as the answer to the model
// query of the read that follows at once ("Unsupported Model").
TEST_F(WriteOverBench, ReadRightAfterATimedOutWriteGetsItsOwnReplies) {
    BenchFaults faults;
    faults.lateAnswer = true;  // 3500 ms, half a second after the time-out
    faults.onlyRequest = "000104";
    ReadSaveAndReopen("family1-k", faults);
    EXPECT_LT(OnWriteDevice(*doc), 0);
    EXPECT_EQ(host.Texts().front(), kCommFailed);
    EXPECT_EQ(host.Count("Programming Successful"), 0);

    Bench().SetFaults({});
    host.m_messages.clear();
    doc->DeleteContents();
    doc = NewDoc();
    EXPECT_TRUE(OnNewDocument(*doc)) << ::testing::PrintToString(host.Texts());
    EXPECT_TRUE(host.m_messages.empty()) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(doc->m_serialNumber, Radio().Profile().serialNumber);
}

}  // namespace
