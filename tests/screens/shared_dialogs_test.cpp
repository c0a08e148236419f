#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "StubScreenHost.h"
#include "app/AppTestSupport.h"
#include "screens/CloseWarningDlg.h"
#include "screens/PTTTimeOutDlg.h"

namespace {

QStringList LabelTexts(const QDialog& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

QStringList ButtonTexts(const QDialog& dialog) {
    QStringList texts;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>()) texts << button->text();
    return texts;
}

}  // namespace

TEST(CloseWarningDlgTest, TitleTextAndButtons) {
    EnsureApp();
    CCloseWarningDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "WARNING");
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(LabelTexts(dialog),
              QStringList{"Do you wish to close this screen \nand lose all uncommited changes?"});
    QStringList buttons = ButtonTexts(dialog);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "OK"}));
}

TEST(CloseWarningDlgTest, TheCloseRuleAsksOnlyWithChangesAndTheReminderOn) {
    EnsureApp();
    struct Case {
        bool changes;
        int reminderOff;
        int answer;
        bool asked;
        bool mayClose;
    } cases[] = {
        {false, 0, QDialog::Rejected, false, true}, {true, 1, QDialog::Rejected, false, true},
        {true, 0, QDialog::Rejected, true, false},  {true, 0, QDialog::Accepted, true, true},
        {false, 1, QDialog::Rejected, false, true},
    };
    for (const Case& c : cases) {
        CStubScreenHost host;
        host.reminderOff = c.reminderOff;
        host.onExec = [&c](QDialog& dialog) {
            c.answer == QDialog::Accepted ? dialog.accept() : dialog.reject();
            return dialog.result();
        };
        EXPECT_EQ(ConfirmCloseScreen(host, nullptr, c.changes), c.mayClose)
            << c.changes << c.reminderOff << c.answer;
        EXPECT_EQ(host.dialogs,
                  c.asked ? std::vector<std::string>{"WARNING"} : std::vector<std::string>{});
    }
}

TEST(CloseWarningDlgTest, OkButtonAcceptsAndEscRejects) {
    EnsureApp();
    CStubScreenHost host;
    host.onExec = [](QDialog& dialog) {
        auto* box = dialog.findChild<QDialogButtonBox*>();
        box->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    };
    EXPECT_TRUE(AskCloseWarning(host, nullptr));
    host.onExec = [](QDialog& dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    };
    EXPECT_FALSE(AskCloseWarning(host, nullptr));
}

TEST(PTTTimeOutDlgTest, TextsAndInitialState) {
    EnsureApp();
    CPTTTimeOutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "PTT Time Out Message");
    EXPECT_EQ(dialog.m_nSecondsLeft, 10);
    EXPECT_FALSE(dialog.m_bContinue);
    EXPECT_EQ(LabelTexts(dialog), (QStringList{"Transmitter will be turned Off in", "10", "Sec"}));
    EXPECT_EQ(dialog.ContinueButton()->text(), "Continue Transmitting");
    EXPECT_TRUE(dialog.ContinueButton()->isDefault());
}

TEST(PTTTimeOutDlgTest, CountsDownFromTenAndClosesAsCancelledAtZero) {
    EnsureApp();
    CPTTTimeOutDlg dialog;
    dialog.setResult(-1);
    for (int left = 9; left >= 1; --left) {
        dialog.OnTimerTick();
        EXPECT_EQ(dialog.m_nSecondsLeft, left);
        EXPECT_EQ(dialog.CountLabel()->text(), QString::number(left));
        EXPECT_EQ(dialog.result(), -1) << "closed early at " << left;
    }
    dialog.OnTimerTick();
    EXPECT_EQ(dialog.m_nSecondsLeft, 0);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.m_bContinue);
}

TEST(PTTTimeOutDlgTest, ContinueKeepsTransmittingAndEscDoesNot) {
    EnsureApp();
    {
        CPTTTimeOutDlg dialog;
        dialog.show();
        dialog.OnTimerTick();
        QTest::keyClick(&dialog, Qt::Key_Return);  // the default button
        EXPECT_TRUE(dialog.m_bContinue);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }
    {
        CPTTTimeOutDlg dialog;
        dialog.show();
        QTest::mouseClick(dialog.ContinueButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.m_bContinue);
    }
    {
        CPTTTimeOutDlg dialog;
        dialog.show();
        dialog.OnTimerTick();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog.m_bContinue);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
}
