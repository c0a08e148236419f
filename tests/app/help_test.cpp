#include <gtest/gtest.h>

#include <QtCore/QFile>

#include "AppTestSupport.h"
#include "app/HelpWindow.h"
#include "resources/CommandIds.h"

class HelpTopic : public ::testing::TestWithParam<int> {};

TEST_P(HelpTopic, EveryContextNumberHasItsOwnPage) {
    EnsureApp();
    QString page = CHelpWindow::PageFor(GetParam());
    EXPECT_EQ(page, QString(":/help/%1.html").arg(GetParam()));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_GT(file.size(), 200);
}

INSTANTIATE_TEST_SUITE_P(Contexts, HelpTopic,
                         ::testing::Values(HelpId::kOptions, HelpId::kTree, HelpId::kBitErrorRate,
                                           HelpId::kTestPattern, HelpId::kRefOsc, HelpId::kTxPower,
                                           HelpId::kDevBalance, HelpId::kFrontEndFilter,
                                           HelpId::kCurrentLimit, HelpId::kDevLimit,
                                           HelpId::kBatteryCal, HelpId::kPaBias, HelpId::kRadioInfo,
                                           HelpId::kSelectPort));

TEST(HelpWindow, UnknownNumberShowsTheIndex) {
    EnsureApp();
    EXPECT_EQ(CHelpWindow::PageFor(999999), ":/help/index.html");
    CHelpWindow::ShowTopic(999999);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), ":/help/index.html");
    CHelpWindow::ShowTopic(HelpId::kOptions);
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), ":/help/131233.html");
    delete CHelpWindow::Instance();
}
