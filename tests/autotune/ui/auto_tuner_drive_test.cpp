// While automatic tuning drives the tuning screen, the technician's commands on that screen
// wait: F6, F8, F10, Esc, the close box, the bar's buttons, the sliders, spins and value
// fields do nothing, and a notice says why and how to get them back. The run's own calls go
// through. On the main frame and the bench over its ptys, with real key and mouse events.

#include <gtest/gtest.h>

#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QToolButton>

#include <string>
#include <vector>

#include "AutoTunerDlgFixture.h"

namespace {

bool IsProgramming(const std::string& request) {
    return request.rfind("000104", 0) == 0;
}

/// Puts the drive back however a test ends, so no other test meets a driven screen.
struct DriveReset {
    ~DriveReset() { CTunerDlg::SetAutomaticDrive(false); }
};

class AutoTunerDriveTest : public AutoTunerDlgTest {
protected:
    /// The keys and clicks a technician would use to act on the screen.
    void PressEverything() {
        screen->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(screen));
        for (Qt::Key key : {Qt::Key_F8, Qt::Key_F10, Qt::Key_F6, Qt::Key_Escape}) {
            QTest::keyClick(screen, key);
            Flush();
            if (!screen) {
                ADD_FAILURE() << "the screen closed on key " << key;
                return;
            }
        }
        screen->close();  // the close box
        Flush();
        ASSERT_FALSE(screen.isNull()) << "the close box closed the screen";
        QTest::mouseClick(screen->Bar()->ProgramAllButton(), Qt::LeftButton);
        QTest::mouseClick(screen->Bar()->CloseButton(), Qt::LeftButton);
        QTest::mouseClick(PttBar()->PttButton(), Qt::LeftButton);
        Flush();
    }
    /// The notice and the bar's buttons show whether the screen is driven.
    void ExpectDriven(bool driven) {
        EXPECT_EQ(screen->IsDriven(), driven);
        EXPECT_EQ(screen->DriveNotice()->isVisible(), driven);
        EXPECT_EQ(screen->DriveNotice()->text().toStdString(), CTunerDlg::kDrivenNotice);
        EXPECT_EQ(screen->Bar()->ProgramAllButton()->isEnabled(), !driven);
        EXPECT_EQ(screen->Bar()->CloseButton()->isEnabled(), !driven);
        EXPECT_EQ(PttBar()->PttButton()->isEnabled(), !driven);
        EXPECT_TRUE(screen->Bar()->HelpButton()->isEnabled());
    }

    DriveReset m_driveReset;
};

TEST_F(AutoTunerDriveTest, DuringAWindowRunTheScreensCommandsWaitAndTheRunIsUndisturbed) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Detune(0);
    m_settings.m_nReminderOff = 0;  // a close would ask: the rows change
    ExpectDriven(false);
    m_dialogs.titles.clear();
    QTest::mouseClick(dlg->WindowButton(), Qt::LeftButton);
    ASSERT_TRUE(ServeUntil([&] { return screen->m_nSelectedRow == 2 && screen->m_bTransmitting; }));
    ExpectDriven(true);
    PressEverything();
    EXPECT_FALSE(screen.isNull());
    bool pressedOnRowThree = false;
    WaitForJob([&] {
        if (!pressedOnRowThree && screen && screen->m_nSelectedRow == 3 &&
            screen->m_bTransmitting) {
            pressedOnRowThree = true;
            PressEverything();
        }
    });
    EXPECT_TRUE(pressedOnRowThree);

    ASSERT_FALSE(screen.isNull()) << "the screen closed under the run";
    EXPECT_TRUE(m_dialogs.titles.empty()) << "a question opened while the run drove the screen";
    for (const std::string& r : Requests()) EXPECT_FALSE(IsProgramming(r)) << r;
    const auto results = dlg->Tasks().RowResults();
    ASSERT_EQ(static_cast<int>(results.size()), screen->RowCount());
    for (const auto& [row, r] : results) EXPECT_EQ(r.end, SearchEnd::Converged) << row;
    EXPECT_FALSE(m_bench->Radio().Keyed());

    // The run over, the screen is the technician's again: F8 programs the tuned rows.
    ExpectDriven(false);
    m_bench->ClearTrace();
    QTest::keyClick(screen, Qt::Key_F8);
    Flush();
    const std::vector<std::string> sent = Requests();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), IsProgramming), 1);
}

TEST_F(AutoTunerDriveTest, ADrivenScreenKeepsItsRowsFromTheTechnician) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kTxPowerHigh);
    Activate();
    const std::vector<int> before(screen->m_nNewValue.begin(), screen->m_nNewValue.end());
    CTunerDlg::SetAutomaticDrive(true);
    ExpectDriven(true);

    CColourSlider* slider = screen->RowSlider(0);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() - 3, slider->height() / 2));
    QLineEdit* edit = screen->NewValueEdit(1);  // another row: a click into it selects nothing
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_FALSE(edit->hasFocus());
    QTest::keyClicks(edit, "99");
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(edit, Qt::Key_Return);
    for (QToolButton* arrow : screen->Spin(0)->findChildren<QToolButton*>())
        QTest::mouseClick(arrow, Qt::LeftButton);
    Flush();
    EXPECT_TRUE(Sent().empty()) << "the rows sent something while driven";
    EXPECT_EQ(std::vector<int>(screen->m_nNewValue.begin(), screen->m_nNewValue.end()), before);
    EXPECT_EQ(screen->m_nSelectedRow, 1);

    // The run's own way in still works.
    screen->ApplySliderPosition(0, before[0] + 4);
    EXPECT_EQ(Sent(), std::vector<std::string>{"00010201" + [&] {
                  char hex[3];
                  std::snprintf(hex, sizeof hex, "%02x", before[0] + 4);
                  return std::string(hex);
              }()});

    CTunerDlg::SetAutomaticDrive(false);
    ExpectDriven(false);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    Flush();
    EXPECT_EQ(Sent().size(), 1u) << "the arrow key works again";
}

TEST_F(AutoTunerDriveTest, ADeviationBalanceScreenKeepsItsToneButtonsWhileDriven) {
    AutotuneHelpFolder folder;
    OpenWith(Cmd::kDevBalance);
    auto* bar = CTunerTxDevBalDlgBarDlg::Current();
    ASSERT_NE(bar, nullptr);
    CTunerDlg::SetAutomaticDrive(true);
    EXPECT_FALSE(bar->HighButton()->isEnabled());
    QTest::mouseClick(bar->HighButton(), Qt::LeftButton);
    Flush();
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(bar->IsLowChecked());
    CTunerDlg::SetAutomaticDrive(false);
    EXPECT_TRUE(bar->HighButton()->isEnabled());
}

}  // namespace
