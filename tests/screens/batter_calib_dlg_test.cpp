// The battery calibration screen on the bench's radio over a pseudo-terminal: Auto
// Calibrate, the 0..255 check of Program All, the close warning rule and the keys.

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "ScreenBench.h"
#include "screens/BatterCalibDlg.h"

namespace {

class BatterCalibDlgTest : public ScreenBenchTest {
protected:
    CBatterCalibDlg& Open() {
        if (!doc) {
            EXPECT_TRUE(ReadBenchRadio("standard"));
        }
        dlg = Keep(new CBatterCalibDlg(screenHost, *doc));
        return *dlg;
    }
    void AcceptWarnings() {
        screenHost.onExec = [](QDialog& d) {
            d.accept();
            return int(QDialog::Accepted);
        };
    }
    CBatterCalibDlg* dlg = nullptr;
};

TEST_F(BatterCalibDlgTest, OpensWithTheSavedValueAndClosesAtOnceWithoutAsking) {
    CBatterCalibDlg& battery = Open();
    EXPECT_EQ(battery.windowTitle(), "Battery Reading Calibration");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000c"});
    const QString saved = QString::number(Radio().Programmed(kBatteryCal)[0]);
    EXPECT_EQ(Text("oldValue"), saved);
    EXPECT_EQ(Text("newValue"), saved);
    EXPECT_TRUE(Child("oldValue")->isReadOnly());
    EXPECT_EQ(Text("status"), "");
    Click("close");
    EXPECT_TRUE(screenHost.dialogs.empty());
    EXPECT_EQ(screenHost.cleared.size(), 1u);
}

TEST_F(BatterCalibDlgTest, AutoCalibrateThenCloseAsksWhenTheReadingDiffers) {
    Open();
    const QString old = Text("oldValue");
    NewRequests();
    Click("autoCalibrate");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"0001050802b2"});
    EXPECT_EQ(Text("newValue"), "128");  // the bench radio's value for 6.9 V
    EXPECT_EQ(Text("oldValue"), old);
    ASSERT_NE(old, "128");
    Click("close");  // reminder on: asked, Cancel keeps the screen
    EXPECT_EQ(screenHost.dialogs, std::vector<std::string>{"WARNING"});
    EXPECT_TRUE(screenHost.cleared.empty());
    screenHost.reminderOff = 1;
    Click("close");
    EXPECT_EQ(screenHost.dialogs.size(), 1u);
    EXPECT_EQ(screenHost.cleared.size(), 1u);
}

TEST_F(BatterCalibDlgTest, ValuesOutsideZeroTo255AreNeverProgrammed) {
    Open();
    const struct {
        const char* typed;
        const char* message;
    } cases[] = {{"256", "Please enter an integer between 0 and 255."},
                 {"-1", "Please enter an integer between 0 and 255."},
                 {"690", "Please enter an integer between 0 and 255."},
                 {"12.5", "Please enter an integer."},
                 {"", "Please enter an integer."}};
    const QString old = Text("oldValue");
    NewRequests();
    for (const auto& c : cases) {
        host().Clear();
        QLineEdit* field = Child("newValue");
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, c.typed);
        Click("programAll");
        EXPECT_EQ(host().Texts(), std::vector<std::string>{c.message}) << c.typed;
        EXPECT_EQ(Text("oldValue"), old) << c.typed;
        EXPECT_TRUE(NewRequests().empty()) << c.typed;
    }
}

TEST_F(BatterCalibDlgTest, ProgramAllStoresTheReadingAndReopeningShowsIt) {
    Open();
    Click("autoCalibrate");
    NewRequests();
    QTest::keyClick(Child("newValue"), Qt::Key_F8);
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"001100", "001000", "0001040880"}));
    EXPECT_EQ(Text("oldValue"), "128");
    EXPECT_EQ(Radio().Programmed(kBatteryCal)[0], 128);
    EXPECT_GE(host().m_waitCursorShown, 1);
    EXPECT_EQ(host().m_waitDepth, 0);
    QTest::keyClick(Child("newValue"), Qt::Key_F10);  // nothing to warn about
    EXPECT_TRUE(screenHost.dialogs.empty());
    ASSERT_EQ(screenHost.cleared.size(), 1u);

    Open();
    EXPECT_EQ(Text("oldValue"), "128");
    EXPECT_EQ(Text("newValue"), "128");
}

// A radio that refuses the programming keeps its value, and so do the screen and the data set:
// closing still warns about the value that was not programmed.
TEST_F(BatterCalibDlgTest, ARefusedProgrammingKeepsTheOldValueAndTheCloseWarning) {
    Open();
    const int before = Radio().Programmed(kBatteryCal)[0];
    Click("autoCalibrate");
    ASSERT_NE(before, 128);
    BenchFaults faults;
    faults.refuseRequest = "000104";
    Radio().SetFaults(faults);
    QTest::keyClick(Child("newValue"), Qt::Key_F8);
    EXPECT_EQ(Radio().Programmed(kBatteryCal)[0], before);
    EXPECT_EQ(Text("oldValue"), QString::number(before));
    EXPECT_EQ(Text("newValue"), "128");
    EXPECT_EQ(doc->FindSavedValues(kBatteryCal, 0)->m_value[0], before);
    Click("close");
    EXPECT_EQ(screenHost.dialogs, std::vector<std::string>{"WARNING"});
}

TEST_F(BatterCalibDlgTest, KeysAndHelp) {
    Open();
    QLineEdit* field = Child("newValue");
    field->setFocus();
    QTest::keyClicks(field, "7");
    QTest::keyClick(field, Qt::Key_Return);  // Enter keeps the screen and the focus
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_F1);
    Click("help");
    EXPECT_EQ(screenHost.helpTopics, (std::vector<int>{131236, 131236}));
    // A typed value that was not programmed counts as a change.
    AcceptWarnings();
    QTest::keyClick(field, Qt::Key_F10);
    EXPECT_EQ(screenHost.dialogs, std::vector<std::string>{"WARNING"});
    EXPECT_EQ(screenHost.cleared.size(), 1u);
}

}  // namespace
