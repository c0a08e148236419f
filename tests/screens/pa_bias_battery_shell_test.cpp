// The PA bias and battery screens through the main frame on the bench: a PA bias radio opens
// PA Bias 1-3 (each titled by the frame, repeating its command brings it forward), and Battery
// Reading Calibration opens its screen.

#include <gtest/gtest.h>

#include "app/ShellFixture.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"
#include "screens/BatterCalibDlg.h"
#include "screens/PABiasDlg.h"

namespace {

TEST_F(ShellTest, PaBiasCommandsOpenTheirScreensOnAPaBiasRadio) {
    StartShell("pa-bias");
    ReadRadio();
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr) << ::testing::PrintToString(m_host.Texts());
    const struct {
        int command;
        const char* title;
        int type;
    } cases[] = {{Cmd::kPaBias1, "PA Bias 1", kPaBias1},
                 {Cmd::kPaBias2, "PA Bias 2", kPaBias2},
                 {Cmd::kPaBias3, "PA Bias 3", kPaBias3}};
    for (const auto& c : cases) {
        m_frame->OnCommand(c.command);
        Flush();
        auto* pa = qobject_cast<CPABiasDlg*>(m_frame->OpenScreenWidget());
        ASSERT_NE(pa, nullptr) << c.title;
        EXPECT_EQ(pa->windowTitle().toStdString(), c.title);
        EXPECT_EQ(pa->m_nType, c.type);
        m_frame->OnCommand(c.command);  // the same command: the same screen, forward
        Flush();
        EXPECT_EQ(m_frame->OpenScreenWidget(), pa);
        m_host.Clear();
        m_frame->OnCommand(c.command == Cmd::kPaBias1 ? Cmd::kPaBias2 : Cmd::kPaBias1);
        Flush();
        EXPECT_EQ(m_host.Texts(), std::vector<std::string>{
                                      "Close the current window before opening another window!"});
        pa->OnCommand(Cmd::kScreenClose);
        Flush();
        EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    }
}

TEST_F(ShellTest, BatteryCommandOpensItsScreen) {
    StartShell("standard");
    ReadRadio();
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr);
    m_frame->OnCommand(Cmd::kBatteryCal);
    Flush();
    auto* battery = qobject_cast<CBatterCalibDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(battery, nullptr);
    EXPECT_EQ(m_frame->OpenScreenTitle(), "Battery Reading Calibration");
}

}  // namespace
