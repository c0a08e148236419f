// The performance screens through the main frame on the bench: the Performance Testing
// commands open the real screens (never the placeholder), the receive request of the bit
// error rate test takes the 12.5 kHz spacing because its screen is the open one, and
// emptying the data set stops what the screens left running.

#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "app/ShellFixture.h"
#include "document/TunerDoc.h"
#include "performance/BitErrorRateDlg.h"
#include "performance/TxTstPatternDlg.h"
#include "resources/CommandIds.h"

namespace {

class PerformanceShellTest : public ShellTest {
protected:
    void ReadBenchRadio() {
        StartShell("standard");
        m_bench->Radio().SetClock([this] { return std::int64_t(m_host.TimeGetTime()); });
        ReadRadio();
        ASSERT_NE(m_frame->GetActiveDoc(), nullptr) << ::testing::PrintToString(m_host.Texts());
        m_bench->ClearTrace();
    }
};

TEST_F(PerformanceShellTest, BitErrorRateCommandOpensTheScreenThatRunsTheTest) {
    ReadBenchRadio();
    m_frame->OnCommand(Cmd::kBitErrorRate);
    Flush();
    auto* ber = qobject_cast<CBitErrorRateDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(ber, nullptr);
    EXPECT_EQ(m_frame->OpenScreenTitle(), "Bit Error Rate");
    ber->Test().m_frequency = 851.0125;
    ber->OnStartStop();
    // The match check, test mode, then the set-up with the 12.5 kHz spacing byte.
    EXPECT_EQ(m_bench->RadioRequests(),
              (std::vector<std::string>{"001100", "001000", "000c", "000a0a2515843200", "00032100",
                                        "000501", "00160101", "0017"}));
    EXPECT_EQ(ber->Test().m_status, "Sync Detected");

    // The same command again brings the open screen forward; another is refused.
    m_frame->OnCommand(Cmd::kBitErrorRate);
    Flush();
    EXPECT_EQ(m_frame->OpenScreenWidget(), ber);
    m_frame->OnCommand(Cmd::kTestPattern);
    Flush();
    EXPECT_EQ(m_host.Count("Close the current window before opening another window!"), 1);
    EXPECT_EQ(m_frame->OpenScreenWidget(), ber);
}

TEST_F(PerformanceShellTest, ClosingTheDataSetUnkeysTheTestPattern) {
    ReadBenchRadio();
    m_frame->OnCommand(Cmd::kTestPattern);
    Flush();
    auto* tx = qobject_cast<CTxTstPatternDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(tx, nullptr);
    tx->OnPttToggle();
    EXPECT_TRUE(m_bench->Radio().Keyed());
    m_bench->ClearTrace();
    m_frame->GetActiveDoc()->DeleteContents();
    Flush();
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    EXPECT_EQ(m_bench->RadioRequests(), (std::vector<std::string>{"000501", "000d"}));
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

}  // namespace
