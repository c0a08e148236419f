// The PA bias screen on the bench's PA bias radio over a pseudo-terminal: its opening, the
// slider, spin and typed value with their limits, Bias Toggle, Program All's order, the close
// warning rule and the keys.

#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QToolButton>

#include "ScreenBench.h"
#include "document/Logs.h"
#include "resources/CommandIds.h"
#include "screens/AlignmentScreens.h"
#include "screens/ColourSlider.h"
#include "screens/PABiasDlg.h"
#include "screens/ScreenFactory.h"
#include "screens/SpinButton.h"

namespace {

class PABiasDlgTest : public ScreenBenchTest {
protected:
    /// Reads the PA bias radio and opens the screen for a feature name, as the frame does.
    CPABiasDlg& Open(const std::string& name = "PA Bias 2") {
        EXPECT_TRUE(ReadBenchRadio("pa-bias"));
        return OpenAgain(name);
    }
    CPABiasDlg& OpenAgain(const std::string& name = "PA Bias 2") {
        screenHost.featureName = name;
        dlg = Keep(new CPABiasDlg(screenHost, *doc));
        return *dlg;
    }
    CColourSlider* Slider() { return Child<CColourSlider>("slider"); }
    /// Lets the slider's queued position reach the radio.
    static void Settle() { QCoreApplication::processEvents(); }

    CPABiasDlg* dlg = nullptr;
};

TEST_F(PABiasDlgTest, OpensOnTheFeatureTheFrameNames) {
    tuntest::WriteBytes(dir.File("TunerLog.txt"), {});
    const struct {
        const char* name;
        int type;
        const char* value;
    } cases[] = {{"PA Bias 1", 9, "72"}, {"PA Bias 2", 10, "64"}, {"PA Bias 3", 11, "81"}};
    ASSERT_TRUE(ReadBenchRadio("pa-bias"));
    for (const auto& c : cases) {
        CPABiasDlg& pa = OpenAgain(c.name);
        EXPECT_EQ(pa.m_nType, c.type) << c.name;
        const std::string type = c.type == 9 ? "09" : (c.type == 10 ? "0a" : "0b");
        EXPECT_EQ(NewRequests(),
                  (std::vector<std::string>{"000c", "000106" + type, "000107" + type}));
        EXPECT_EQ(Text("radioValue"), c.value);
        EXPECT_EQ(Text("newValue"), c.value);
        EXPECT_EQ(Slider()->value(), QString(c.value).toInt());
        EXPECT_EQ(Slider()->minimum(), 0);
        EXPECT_EQ(Slider()->maximum(), 127);
        EXPECT_EQ(Slider()->GetColour(), 65280u);
        EXPECT_EQ(Child<QLabel>("minimumLabel")->text(), "0");
        EXPECT_EQ(Child<QLabel>("maximumLabel")->text(), "127");
        EXPECT_EQ(Text("status"), "");
        delete dlg;
        screens.pop_back();
    }
    // Each opening writes its section title, followed by its exchanges.
    const std::string log = tuntest::ReadText(dir.File("TunerLog.txt"));
    for (const char* title :
         {"\r\n\r\nPA Bias 1\r\n", "\r\n\r\nPA Bias 2\r\n", "\r\n\r\nPA Bias 3\r\n"})
        EXPECT_NE(log.find(title), std::string::npos) << title;
}

TEST_F(PABiasDlgTest, ASavedValueAboveTheMaximumPutsSliderAndSpinAtTheMaximum) {
    ASSERT_TRUE(ReadBenchRadio("pa-bias"));
    int values[10] = {200};
    doc->UpdateSavedValues(kPaBias2, 0, values);
    OpenAgain();
    EXPECT_EQ(Slider()->value(), 127);
    EXPECT_EQ(Child<CSpinButton>("spin")->Pos(), 127);
    EXPECT_EQ(Text("radioValue"), "200");
    EXPECT_EQ(Text("newValue"), "200");
}

TEST_F(PABiasDlgTest, TypedValuesAreHeldWithinTheLimits) {
    Open();
    NewRequests();
    const struct {
        const char* typed;
        const char* shown;
        std::vector<std::string> sent;
    } cases[] = {
        {"100", "100", {"0001020a64"}},
        {"100", "100", {}},              // the value already sent goes out once
        {"300", "127", {"0001020a7f"}},  // above the maximum: the maximum
        {"-5", "0", {"0001020a00"}},     // below the minimum: the minimum
        {"12x", "0", {}},                // not a number: the message, nothing sent
    };
    for (const auto& c : cases) {
        host().Clear();
        Type("newValue", c.typed);
        EXPECT_EQ(Text("newValue"), c.shown) << c.typed;
        EXPECT_EQ(Slider()->value(), QString(c.shown).toInt()) << c.typed;
        EXPECT_EQ(NewRequests(), c.sent) << c.typed;
    }
    EXPECT_EQ(host().Texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(Text("radioValue"), "64");
}

TEST_F(PABiasDlgTest, SliderAndSpinSendLiveValues) {
    CPABiasDlg& pa = Open();
    NewRequests();
    Slider()->setFocus();
    QTest::keyClick(Slider(), Qt::Key_Up);  // this slider raises the value on the up arrow
    Settle();
    EXPECT_EQ(Text("newValue"), "65");
    EXPECT_EQ(Child<CSpinButton>("spin")->Pos(), 65);
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"0001020a41"});
    pa.OnHScroll();  // at the position it already has: nothing is sent
    EXPECT_TRUE(NewRequests().empty());

    const auto arrows = Child<CSpinButton>("spin")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QTest::mouseClick(arrows[0], Qt::LeftButton);
    EXPECT_EQ(Text("newValue"), "66");
    EXPECT_EQ(Slider()->value(), 66);
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"0001020a42"});
    EXPECT_EQ(Radio().Effective(kPaBias2), 66);
    EXPECT_EQ(Text("radioValue"), "64");  // nothing is programmed yet
}

TEST_F(PABiasDlgTest, BiasToggleSwitchesTheTestModeAndTheThumbColour) {
    Open();
    NewRequests();
    Click("biasToggle");
    // PA bias on zeroes all three bias softpots of this radio.
    EXPECT_EQ(NewRequests(),
              (std::vector<std::string>{"000201", "0001020900", "0001020a00", "0001020b00"}));
    EXPECT_EQ(Slider()->GetColour(), 255u);
    EXPECT_EQ(Text("status"), "PA Bias Toggle ON");
    EXPECT_TRUE(Radio().Transmitter().keyed);  // the carrier the test set reads
    Type("newValue", "100");
    EXPECT_NEAR(Radio().Transmitter().powerW, 0.4, 1e-9);
    Click("biasToggle");
    EXPECT_EQ(NewRequests().back(), "000210");
    EXPECT_EQ(Slider()->GetColour(), 65280u);
    EXPECT_EQ(Text("status"), "PA Bias Toggle OFF");
}

TEST_F(PABiasDlgTest, ProgramAllProgramsZeroesThenStores) {
    CPABiasDlg& pa = Open();
    Type("newValue", "90");
    NewRequests();
    QTest::keyClick(Child("newValue"), Qt::Key_F8);
    // The radio check, the value, then this PA bias zeroed live.
    EXPECT_EQ(NewRequests(),
              (std::vector<std::string>{"001100", "001000", "0001040a5a", "0001020a00"}));
    EXPECT_EQ(Radio().Programmed(kPaBias2), std::vector<int>{90});
    EXPECT_EQ(Text("radioValue"), "90");
    EXPECT_EQ(doc->FindSavedValues(kPaBias2, 0)->m_value[0], 90);
    EXPECT_EQ(pa.m_nValues[0], 90);

    // Closing now asks nothing: the radio holds the new value.
    QTest::keyClick(Child("newValue"), Qt::Key_F10);
    EXPECT_TRUE(screenHost.dialogs.empty());
    EXPECT_EQ(screenHost.cleared.size(), 1u);
}

TEST_F(PABiasDlgTest, ProgramAllOfARefusedValueOrARefusingRadioStoresNothing) {
    CPABiasDlg& pa = Open();
    // Text the field refuses, typed and not yet applied, programs nothing, not even the value
    // shown before.
    QLineEdit* field = Child("newValue");
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "lots");
    NewRequests();
    QTest::keyClick(field, Qt::Key_F8);
    EXPECT_EQ(host().Texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(NewRequests(), std::vector<std::string>{});
    EXPECT_EQ(Radio().Programmed(kPaBias2), std::vector<int>{64});

    // A radio that refuses the programming keeps its value; so do the screen and the data set.
    Type("newValue", "90");
    BenchFaults faults;
    faults.refuseRequest = "000104";
    Radio().SetFaults(faults);
    QTest::keyClick(Child("newValue"), Qt::Key_F8);
    EXPECT_EQ(Radio().Programmed(kPaBias2), std::vector<int>{64});
    EXPECT_EQ(Text("radioValue"), "64");
    EXPECT_EQ(doc->FindSavedValues(kPaBias2, 0)->m_value[0], 64);
    EXPECT_EQ(pa.m_nValues[0], 64);
    QTest::keyClick(Child("newValue"), Qt::Key_F10);
    EXPECT_EQ(screenHost.dialogs, std::vector<std::string>{"WARNING"});
}

TEST_F(PABiasDlgTest, CloseWarningOnlyForUnprogrammedChangesWithTheReminderOn) {
    Open();
    Click("biasToggle");
    Type("newValue", "70");
    NewRequests();
    Click("close");  // the warning, answered Cancel: the screen stays
    EXPECT_EQ(screenHost.dialogs, std::vector<std::string>{"WARNING"});
    EXPECT_TRUE(screenHost.cleared.empty());
    EXPECT_TRUE(dlg->isVisible());

    screenHost.onExec = [](QDialog& d) {
        d.accept();
        return int(QDialog::Accepted);
    };
    QTest::keyClick(Child("newValue"), Qt::Key_Escape);
    EXPECT_EQ(screenHost.dialogs.size(), 2u);
    EXPECT_EQ(screenHost.cleared.size(), 1u);
    EXPECT_TRUE(NewRequests().empty());  // closing leaves the bias test mode alone

    TearDown();
    Open();
    screenHost.reminderOff = 1;
    screenHost.dialogs.clear();
    screenHost.cleared.clear();
    Type("newValue", "70");
    Click("close");
    EXPECT_TRUE(screenHost.dialogs.empty());
    EXPECT_EQ(screenHost.cleared.size(), 1u);
}

TEST_F(PABiasDlgTest, EnterKeepsTheScreenAndF1OpensItsHelp) {
    Open();
    QLineEdit* field = Child("newValue");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_F1);
    Click("help");
    EXPECT_EQ(screenHost.helpTopics, (std::vector<int>{131237, 131237}));
}

TEST_F(PABiasDlgTest, TheMakerRefusesAFeatureThatIsNoPaBias) {
    ASSERT_TRUE(ReadBenchRadio("pa-bias"));
    CScreenFactory factory;
    RegisterAlignmentScreens(factory);
    const ScreenMaker maker = factory.Find(Cmd::kPaBias1);
    ASSERT_TRUE(maker);
    screenHost.featureName = "Tx Power High";  // never sent as a PA bias softpot
    EXPECT_EQ(maker(ScreenRequest{screenHost, *doc, Cmd::kPaBias1, "PA Bias 1"}), nullptr);
    EXPECT_TRUE(NewRequests().empty());
    EXPECT_EQ(CPABiasDlg::TypeOf("PA Bias 3"), kPaBias3);
    EXPECT_EQ(CPABiasDlg::TypeOf("PA Bias 4"), 0);
}

}  // namespace
