// Automatic tuning without a window: the tasks drive a headless tuning view on the bench's
// radio (over its pty, through the alignment commands) and read its test set (over the other
// pty), as a later command-line alignment would.

#include "autotune/RadioTuningView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "TestSetBenchFixture.h"
#include "autotune/AutoTuneTasks.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

namespace {

class RadioTuningViewTest : public TestSetBenchTest {
protected:
    void SetUp() override {
        StartBench(BenchOptions::TestSetStart::Running);
        frame.SetPort(m_bench->RadioDevice());
        doc = std::make_unique<CTunerDoc>(host, frame,
                                          MakeSerialRadioCommFactory(host, CPortMap(), 9600));
        ASSERT_EQ(ReadDevice(*doc), S_OK);
        m_bench->ClearTrace();
    }
    void TearDown() override {
        doc.reset();
        TestSetBenchTest::TearDown();
    }

    CFrameState frame;
    std::unique_ptr<CTunerDoc> doc;
};

TEST_F(RadioTuningViewTest, WindowTunesTxPowerHighAndProgramAllStoresIt) {
    CRadioTuningView view(*doc, host, "Tx Power High");
    ASSERT_TRUE(view.Open());
    ASSERT_EQ(view.Rows(), 3);
    view.SetPositions({0, 127, 0});  // detuned to both ends
    std::vector<std::string> told;
    view.SetListener([&](const std::string& t) { told.push_back(t); });
    CAutoTuneTasks tasks(*link, view);
    ASSERT_TRUE(tasks.RunWindowJob());

    // 6 W x (1 - exp(-v / 120)) = 2.5 W at v = 64.7: within one step of 65.
    const auto results = tasks.RowResults();
    ASSERT_EQ(results.size(), 3u);
    for (const auto& [row, r] : results) {
        EXPECT_EQ(r.end, SearchEnd::Converged) << row;
        EXPECT_NEAR(r.position, 65, 1) << row;
        EXPECT_NEAR(r.reading, 2.5, 0.04) << row;
        EXPECT_LE(r.passes, 6) << row;
    }
    EXPECT_FALSE(view.IsTransmitting());
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(told.front(), CAutoTuneTasks::kTuningScreen);

    // Every value went to the radio as a live softpot while it was keyed on its row.
    const std::vector<std::string> requests = m_bench->RadioRequests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "000401"), 3);  // keyed once a row
    ASSERT_TRUE(view.ProgramAll());
    const std::vector<int> programmed = m_bench->Radio().Programmed(1, 0x00);
    ASSERT_GE(programmed.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(programmed[i], view.Positions()[i]) << i;
}

TEST_F(RadioTuningViewTest, AnUnknownFeatureDoesNotOpen) {
    CRadioTuningView view(*doc, host, "Rx Front End Filter");
    EXPECT_FALSE(view.Open());
}

}  // namespace
