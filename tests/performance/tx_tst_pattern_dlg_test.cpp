// The transmitter test pattern screen on the bench's radio over a pseudo-terminal: opening,
// the frequency field, keying with the lists locked, retuning only on a changed frequency,
// F6, help and unkeying on close.

#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include "performance/TxTstPatternDlg.h"
#include "screens/ScreenBench.h"

namespace {

class TxTstPatternDlgTest : public ScreenBenchTest {
protected:
    CTxTstPatternDlg& Open(const std::string& profile = "standard") {
        EXPECT_TRUE(ReadBenchRadio(profile));
        dlg = Keep(new CTxTstPatternDlg(screenHost, *doc));
        return *dlg;
    }
    CTxTstPatternDlg* dlg = nullptr;
};

TEST_F(TxTstPatternDlgTest, OpensOnDigitalVoiceAtTheLowerLimitUnkeyed) {
    CTxTstPatternDlg& tx = Open();
    EXPECT_EQ(tx.windowTitle(), "Transmitter Test Pattern");
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000c", "000b091b8b006400", "000220"}));
    EXPECT_EQ(Text("txFrequency"), "764");
    EXPECT_EQ(Text("status"), "TRANSMITTER OFF - 764.000000 MHz");
    auto* patterns = Child<QComboBox>("patternType");
    ASSERT_EQ(patterns->count(), 10);
    EXPECT_EQ(patterns->currentText(), "Digital Voice");
    EXPECT_EQ(patterns->itemText(4), "Standard TX Test Pattern (formerly CCITT V.52)");
    EXPECT_EQ(Child<QComboBox>("channelSpacing")->currentText(), "25");
    EXPECT_FALSE(Radio().Keyed());
}

TEST_F(TxTstPatternDlgTest, FrequencyGapsAndLimits) {
    const struct {
        const char* profile;
        const char* typed;
        const char* shown;
    } cases[] = {
        {"standard", "780.0", "794"},         {"standard", "830.0", "851"},
        {"standard", "800.0", "800"},         {"standard", "880", "870"},
        {"no-filter", "800.0", "806"},  // "U" of the first table starts at 806 here
        {"family1-k", "150.0031", "150.005"},
    };
    for (const auto& c : cases) {
        TearDown();
        Open(c.profile);
        NewRequests();
        Type("txFrequency", c.typed);
        EXPECT_EQ(Text("txFrequency"), c.shown) << c.profile << " " << c.typed;
        EXPECT_TRUE(NewRequests().empty()) << "not keyed: nothing is sent";
    }
}

TEST_F(TxTstPatternDlgTest, KeyingLocksTheListsAndRetunesOnlyOnAChange) {
    Open();
    NewRequests();
    Type("txFrequency", "851.0125");
    EXPECT_EQ(Text("status"), "TRANSMITTER OFF - 764.000000 MHz");
    Click("pttToggle");
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000b0a2515846400", "000401"}));
    EXPECT_EQ(Text("status"), "TRANSMITTING AT - 851.012500 MHz");
    EXPECT_FALSE(Child<QComboBox>("patternType")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>("channelSpacing")->isEnabled());

    Type("txFrequency", "851.0125");
    EXPECT_TRUE(NewRequests().empty());
    Type("txFrequency", "860.5125");
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000501", "000b0a4213646400", "000401"}));
    EXPECT_EQ(Text("status"), "TRANSMITTING AT - 860.512500 MHz");

    // F6 is PTT Toggle on this screen too.
    QTest::keyClick(Child("txFrequency"), Qt::Key_F6);
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000501"});
    EXPECT_EQ(Text("status"), "TRANSMITTER OFF - 860.512500 MHz");
    EXPECT_TRUE(Child<QComboBox>("patternType")->isEnabled());
}

TEST_F(TxTstPatternDlgTest, ListsSendSpacingAndPattern) {
    Open();
    NewRequests();
    Choose("patternType", 3);
    Choose("channelSpacing", 0);
    Choose("patternType", 0);
    EXPECT_EQ(NewRequests(), (std::vector<std::string>{"000224", "000b091b8b003200", "000220"}));
}

TEST_F(TxTstPatternDlgTest, ClosingUnkeysAndHelpOpensItsTopic) {
    Open();
    Click("help");
    EXPECT_EQ(screenHost.helpTopics, std::vector<int>{131213});
    QTest::keyClick(Child("txFrequency"), Qt::Key_F1);
    EXPECT_EQ(screenHost.helpTopics.size(), 1u);  // F1 is ignored here
    Click("pttToggle");
    NewRequests();
    Click("close");
    EXPECT_EQ(NewRequests(), std::vector<std::string>{"000501"});
    EXPECT_FALSE(Radio().Keyed());
    ASSERT_EQ(screenHost.cleared.size(), 1u);
}

TEST_F(TxTstPatternDlgTest, TextThatIsNotANumberKeepsTheFrequency) {
    Open();
    Type("txFrequency", "851.0125");
    host().Clear();
    Type("txFrequency", "eight");
    EXPECT_EQ(host().Texts(), std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(Text("txFrequency"), "851.0125");
    NewRequests();
    Click("pttToggle");
    EXPECT_EQ(NewRequests().front(), "000b0a2515846400");
}

}  // namespace
