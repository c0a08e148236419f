// The bit error rate screen on the bench's radio over a pseudo-terminal: its controls, the
// frequency, time and frames fields with their edge cases, the wrapping spin, single and
// continuous tests through START/STOP, and closing.

#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include "performance/BitErrorRateDlg.h"
#include "resources/CommandIds.h"
#include "screens/ScreenBench.h"
#include "screens/SpinButton.h"

namespace {

class BitErrorRateDlgTest : public ScreenBenchTest {
protected:
    CBitErrorRateDlg& Open(const std::string& profile = "standard") {
        EXPECT_TRUE(ReadBenchRadio(profile));
        tuntest::WriteBytes(dir.File("BERData.txt"), {});
        screenHost.openScreenTitle = "Bit Error Rate";
        dlg = Keep(new CBitErrorRateDlg(screenHost, *doc));
        return *dlg;
    }
    QStringList Items(const char* name) {
        QStringList items;
        auto* list = Child<QComboBox>(name);
        for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
        return items;
    }
    std::string DataText() { return tuntest::ReadText(dir.File("BERData.txt")); }

    CBitErrorRateDlg* dlg = nullptr;
};

TEST_F(BitErrorRateDlgTest, OpensWithItsListsAndInitialValues) {
    CBitErrorRateDlg& ber = Open();
    EXPECT_EQ(ber.windowTitle(), "Bit Error Rate");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000c"});
    EXPECT_EQ(Items("testPattern"), (QStringList{"Framed 1011", "CCITT V.52"}));
    EXPECT_EQ(Items("modulationType"), (QStringList{"C4FM", "CQPSK", "Wide Pulse"}));
    EXPECT_EQ(Items("continuousOperation"), (QStringList{"No", "Yes"}));
    EXPECT_EQ(Items("audio"), (QStringList{"Mute", "Internal", "External"}));
    for (const char* list : {"testPattern", "modulationType", "continuousOperation", "audio"})
        EXPECT_EQ(Child<QComboBox>(list)->currentIndex(), 0) << list;
    EXPECT_EQ(Text("rxFrequency"), "764");  // band U, second table
    EXPECT_EQ(Child("rxFrequency")->maxLength(), 10);
    EXPECT_EQ(Text("integrationTime"), "0.36");
    EXPECT_EQ(Text("numberOfFrames"), "1");
    EXPECT_EQ(Text("status"), "Press Start to Start BER Test");
    EXPECT_TRUE(Child("status")->isReadOnly());
    auto* spin = Child<CSpinButton>("integrationTimeSpin");
    EXPECT_EQ(spin->Minimum(), 0);
    EXPECT_EQ(spin->Maximum(), 91);
}

TEST_F(BitErrorRateDlgTest, FrequencyFieldFollowsRasterLimitsAndGap) {
    struct Case {
        const char* profile;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"family1-k", "150.0031", "150.005"},  // band class 7: the 2500 Hz step is nearer
        {"family1-k", "100", "146"},
        {"family1-k", "180", "174"},
        {"standard", "800.0", "851"},  // "U", second table: inside the gap
        {"standard", "870.5", "870"},
        {"standard", "851.013", "851.01875"},  // 6250 Hz raster
        {"family2-q", "410.0012", "410.005"},  // band class 6
    };
    for (const Case& c : cases) {
        TearDown();
        Open(c.profile);
        Type("rxFrequency", c.typed);
        EXPECT_EQ(Text("rxFrequency"), c.shown) << c.profile << " " << c.typed;
        EXPECT_TRUE(NewRequests().size() == 1) << "only the opening's test mode";
    }
}

TEST_F(BitErrorRateDlgTest, ARadioOutsideTheTableGetsZeroEverywhere) {
    ASSERT_TRUE(ReadBenchRadio("standard"));
    doc->m_modelNumber = "H18ACF9PW6AN";  // no 'A' band in the table
    screenHost.openScreenTitle = "Bit Error Rate";
    dlg = Keep(new CBitErrorRateDlg(screenHost, *doc));
    EXPECT_EQ(Text("rxFrequency"), "0");
    Type("rxFrequency", "851.0125");
    EXPECT_EQ(Text("rxFrequency"), "0");
}

TEST_F(BitErrorRateDlgTest, TimeAndFramesFields) {
    Open();
    const struct {
        const char* field;
        const char* typed;
        const char* time;
        const char* frames;
        const char* message;
    } cases[] = {
        {"integrationTime", "1.0", "1.08", "3", nullptr},
        {"integrationTime", "100", "91.8", "255", nullptr},
        {"integrationTime", "0.2", "0.36", "1", nullptr},
        {"numberOfFrames", "10", "3.6", "10", nullptr},
        {"numberOfFrames", "0", "91.8", "255", "Please enter an integer between 1 and 255."},
        {"numberOfFrames", "300", "91.8", "255", "Please enter an integer between 1 and 255."},
        {"integrationTime", "1.0", "1.08", "3", nullptr},
        // Text that is not a number: the field's message, and the value stays as it was.
        {"integrationTime", "abc", "1.08", "3", "Please enter a number."},
        {"integrationTime", "", "1.08", "3", "Please enter a number."},
        {"numberOfFrames", "2.5", "1.08", "3", "Please enter an integer."},
    };
    for (const auto& c : cases) {
        host().Clear();
        Type(c.field, c.typed);
        EXPECT_EQ(Text("integrationTime"), c.time) << c.field << " " << c.typed;
        EXPECT_EQ(Text("numberOfFrames"), c.frames) << c.field << " " << c.typed;
        if (c.message)
            EXPECT_EQ(host().Texts(), std::vector<std::string>{c.message}) << c.typed;
        else
            EXPECT_TRUE(host().Texts().empty()) << c.typed;
    }
    EXPECT_TRUE(dlg->isVisible());  // Enter never closes the screen
}

TEST_F(BitErrorRateDlgTest, AFrequencyThatIsNotANumberIsNeverSent) {
    Open();
    Type("rxFrequency", "851.0125");
    Type("rxFrequency", "8S1.0125");
    EXPECT_EQ(host().Texts(), std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(Text("rxFrequency"), "851.0125");
    NewRequests();
    Click("startStop");
    EXPECT_EQ(NewRequests().front(), "000a0a2515843200");  // the last good frequency
}

TEST_F(BitErrorRateDlgTest, SpinWrapsBothWays) {
    Open();
    const auto arrows = Child<CSpinButton>("integrationTimeSpin")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0];
    QToolButton* down = arrows[1];
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(Text("integrationTime"), "91.8");
    EXPECT_EQ(Text("numberOfFrames"), "255");
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(Text("integrationTime"), "0.36");
    EXPECT_EQ(Text("numberOfFrames"), "1");
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(Text("integrationTime"), "0.72");
    // The arrow keys of the time field step it as well; a typed time counts first.
    QLineEdit* time = Child("integrationTime");
    time->setFocus();
    time->selectAll();
    QTest::keyClicks(time, "1.0");
    QTest::keyClick(time, Qt::Key_Up);
    EXPECT_EQ(Text("integrationTime"), "1.44");
    EXPECT_EQ(Text("numberOfFrames"), "4");
    QTest::keyClick(time, Qt::Key_Down);
    EXPECT_EQ(Text("integrationTime"), "1.08");
}

TEST_F(BitErrorRateDlgTest, SingleTestThroughStartStop) {
    Open();
    Type("rxFrequency", "851.0125");
    Type("integrationTime", "1.0");
    NewRequests();
    Click("startStop");
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000a0a2515843200", "00032100", "000501",
                                                       "00160103", "0017"}));
    EXPECT_EQ(Text("status"), "Sync Detected");
    EXPECT_EQ(Text("bitErrors"), "017");
    EXPECT_EQ(Text("berPercent"), "0.164");
    EXPECT_FALSE(Child<QTimer>("pollTimer")->isActive());
    EXPECT_NE(DataText().find("\r\n1\t017\t\t0.164\r\n"), std::string::npos);
    EXPECT_EQ(host().m_waitDepth, 0);
}

TEST_F(BitErrorRateDlgTest, ContinuousTestLocksTheSettingsUntilStopped) {
    Open();
    Type("rxFrequency", "851.0125");
    Choose("continuousOperation", 1);
    Click("startStop");
    QTimer* poll = Child<QTimer>("pollTimer");
    EXPECT_TRUE(poll->isActive());
    EXPECT_EQ(poll->interval(), 250);
    EXPECT_EQ(Text("status"), "Test in Progress...Please Wait");
    for (const char* name : {"rxFrequency", "integrationTime", "numberOfFrames"})
        EXPECT_FALSE(Child(name)->isEnabled()) << name;
    for (const char* name : {"testPattern", "modulationType", "continuousOperation", "audio"})
        EXPECT_FALSE(Child<QComboBox>(name)->isEnabled()) << name;
    EXPECT_FALSE(Child<CSpinButton>("integrationTimeSpin")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("startStop")->isEnabled());

    host().Sleep(400);
    dlg->OnTimer();
    EXPECT_EQ(Text("status"), "Sync Detected");
    EXPECT_EQ(Text("bitErrors"), "005");

    Click("startStop");
    EXPECT_FALSE(poll->isActive());
    EXPECT_EQ(Text("status"), "Test Stopped");
    EXPECT_TRUE(Child("rxFrequency")->isEnabled());
    EXPECT_TRUE(Child<QComboBox>("audio")->isEnabled());
    EXPECT_EQ(NewRequests().back(), "00160000");
}

TEST_F(BitErrorRateDlgTest, StartRefusedByTheRadio) {
    Open();
    BenchFaults refuse;
    refuse.refuseBer = true;
    Radio().SetFaults(refuse);
    Click("startStop");
    EXPECT_EQ(Text("status"), "Test Failed");
    EXPECT_TRUE(host().Texts().empty());
}

TEST_F(BitErrorRateDlgTest, KeysHelpAndClosing) {
    Open();
    QLineEdit* field = Child("rxFrequency");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_F1);  // ignored by this screen
    EXPECT_TRUE(screenHost.helpTopics.empty());
    Click("help");
    EXPECT_EQ(screenHost.helpTopics, std::vector<int>{131212});

    // Closing while a continuous test runs stops it in the radio.
    Choose("continuousOperation", 1);
    Click("startStop");
    NewRequests();
    QTest::keyClick(Child<QPushButton>("startStop"), Qt::Key_F10);
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"00160000"});
    ASSERT_EQ(screenHost.cleared.size(), 1u);
    EXPECT_EQ(screenHost.cleared[0], dlg);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(BitErrorRateDlgTest, EmptyingTheDataSetStopsTheTestWithoutAsking) {
    Open();
    Choose("continuousOperation", 1);
    Click("startStop");
    NewRequests();
    dlg->CloseForDataSet();
    EXPECT_FALSE(Child<QTimer>("pollTimer")->isActive());
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"00160000"});
    EXPECT_TRUE(screenHost.dialogs.empty());
}

}  // namespace
