#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

#include "ShellFixture.h"
#include "app/ChildFrame.h"
#include "app/RadInfoDlg.h"
#include "app/SplashWnd.h"
#include "app/TunerView.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"

namespace {

constexpr const char* kCloseCurrent = "Please close current windows before loading new data.";
constexpr const char* kOneScreen = "Close the current window before opening another window!";

std::vector<std::string> Children(QTreeWidgetItem* item) {
    std::vector<std::string> texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0).toStdString());
    return texts;
}

QTreeWidgetItem* Find(QTreeWidgetItem* item, const QString& text) {
    if (item->text(0) == text)
        return item;
    for (int i = 0; i < item->childCount(); ++i)
        if (QTreeWidgetItem* found = Find(item->child(i), text))
            return found;
    return nullptr;
}

bool InAnyMenu(QMenuBar* bar, QAction* action) {
    std::function<bool(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a == action)
                return true;
            if (a->menu() && walk(a->menu()))
                return true;
        }
        return false;
    };
    for (QAction* top : bar->actions())
        if (top->menu() && walk(top->menu()))
            return true;
    return false;
}

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

}  // namespace

TEST_F(ShellTest, ReadDeviceFromTheMenuAsksForThePortAndBuildsTheTree) {
    StartShell();
    m_settings.m_strPortName = "COM1";  // remembered, but the menu command always asks
    ReadRadio();
    ASSERT_EQ(m_dialogs.titles, std::vector<std::string>{"Select Port"});
    CTunerDoc* doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr) << ::testing::PrintToString(m_host.Texts());
    EXPECT_TRUE(m_frame->IsDataOpen());
    EXPECT_EQ(m_frame->GetPort(), "COM1");
    EXPECT_EQ(m_settings.m_strPortName, "COM1");
    EXPECT_EQ(m_frame->windowTitle().toStdString(), "VEGAL 25 Tuner - " + doc->m_serialNumber);
    CTunerView* view = m_frame->ActiveView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem* root = view->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), doc->m_serialNumber);
    EXPECT_FALSE(root->isExpanded());  // a new window shows only the root
    EXPECT_EQ(root->child(0)->text(0), "Radio Information");
    EXPECT_EQ(root->child(0)->data(0, CTunerView::kDataRole).toInt(), Cmd::kRadioInfo);
    EXPECT_EQ(root->child(0)->data(0, CTunerView::kImageRole).toInt(), 0);
    EXPECT_EQ(root->child(0)->data(0, CTunerView::kSelectedImageRole).toInt(), 1);
    QTreeWidgetItem* tx = Find(root, "Transmitter Alignments");
    ASSERT_NE(tx, nullptr);
    EXPECT_EQ(tx->data(0, CTunerView::kDataRole).toInt(), 0);
    EXPECT_EQ(tx->data(0, CTunerView::kImageRole).toInt(), 2);
    EXPECT_EQ(tx->data(0, CTunerView::kSelectedImageRole).toInt(), 3);
    EXPECT_EQ(Children(Find(root, "Performance Testing")),
              (std::vector<std::string>{"Bit Error Rate", "Transmitter Test Pattern"}));
}

TEST_F(ShellTest, CancellingThePortDialogReadsNothingAndShowsNoSplash) {
    StartShell();
    m_frame->OnCommand(Cmd::kReadDeviceMenu);
    EXPECT_EQ(m_dialogs.titles, std::vector<std::string>{"Select Port"});
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(m_frame->GetActiveDoc(), nullptr);
    EXPECT_FALSE(m_frame->IsDataOpen());
    EXPECT_EQ(m_frame->GetPort(), "COM1");  // the initial port, unchanged
}

TEST_F(ShellTest, ToolbarReadUsesTheRememberedPortWithoutADialog) {
    StartShell();
    m_settings.m_strPortName = "com1";
    m_frame->OnCommand(Cmd::kReadDeviceToolbar);
    Flush();
    EXPECT_TRUE(m_dialogs.titles.empty());
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr) << ::testing::PrintToString(m_host.Texts());
    EXPECT_EQ(m_frame->GetPort(), "com1");
}

TEST_F(ShellTest, ToolbarReadWithoutARememberedPortAsksLikeTheMenu) {
    StartShell();
    m_settings.m_strPortName.clear();
    ChoosePort("COM1");
    m_frame->OnCommand(Cmd::kReadDeviceToolbar);
    Flush();
    EXPECT_EQ(m_dialogs.titles, std::vector<std::string>{"Select Port"});
    EXPECT_NE(m_frame->GetActiveDoc(), nullptr);
    EXPECT_EQ(m_settings.m_strPortName, "COM1");
}

TEST_F(ShellTest, SecondReadIsRefusedWhileADataSetIsOpenAndAllowedAfterF10) {
    StartShell();
    ReadRadio();
    ASSERT_TRUE(m_frame->IsDataOpen());
    m_host.Clear();
    m_dialogs.titles.clear();
    m_frame->OnCommand(Cmd::kReadDeviceMenu);
    m_frame->OnCommand(Cmd::kReadDeviceToolbar);
    EXPECT_EQ(m_host.Count(kCloseCurrent), 2);
    EXPECT_TRUE(m_dialogs.titles.empty());

    PressKey(m_frame->ActiveView(), Qt::Key_F10);  // closes without a question
    Flush();
    EXPECT_FALSE(m_frame->IsDataOpen());
    EXPECT_EQ(m_frame->GetActiveDoc(), nullptr);
    EXPECT_EQ(m_frame->windowTitle(), "VEGAL 25 Tuner");
    ReadRadio();
    EXPECT_NE(m_frame->GetActiveDoc(), nullptr);
}

TEST_F(ShellTest, RadioInformationShowsTheIdentityAndComesForwardWhenRepeated) {
    StartShell();
    ReadRadio();
    CTunerDoc* doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    // Through the tree, as a double-click posts it.
    CTunerView* view = m_frame->ActiveView();
    view->setCurrentItem(Find(view->topLevelItem(0), "Radio Information"));
    view->StartSelectedFeature(false);
    Flush();
    auto* info = qobject_cast<CRadInfoDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->windowTitle(), "Radio Information");
    EXPECT_EQ(info->Field(0)->text().toStdString(), doc->m_modelNumber);
    EXPECT_EQ(info->Field(1)->text().toStdString(), doc->m_serialNumber);
    EXPECT_EQ(info->Field(2)->text().toStdString(), doc->m_hostVersion);
    EXPECT_EQ(info->Field(5)->text().toStdString(), doc->m_tuningHwVersion);
    EXPECT_FALSE(doc->m_hostVersion.empty());
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(info->Field(i)->isReadOnly());

    m_host.Clear();
    m_frame->OnCommand(Cmd::kRadioInfo);
    EXPECT_EQ(m_frame->OpenScreenWidget(), info);
    EXPECT_TRUE(m_host.m_messages.empty());

    PressKey(info, Qt::Key_Return);  // Enter does not close it
    EXPECT_EQ(m_frame->OpenScreenWidget(), info);
    PressKey(info, Qt::Key_F10);
    Flush();
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
}

TEST_F(ShellTest, OnlyOneFeatureScreenAtATime) {
    StartShell();
    ReadRadio();
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr);
    m_frame->OnCommand(Cmd::kRadioInfo);
    QWidget* info = m_frame->OpenScreenWidget();
    ASSERT_NE(info, nullptr);
    m_host.Clear();
    m_frame->OnCommand(Cmd::kBitErrorRate);
    EXPECT_EQ(m_host.Count(kOneScreen), 1);
    EXPECT_EQ(m_frame->OpenScreenWidget(), info);
    EXPECT_EQ(m_frame->m_screens.size(), 1u);
}

TEST_F(ShellTest, FeatureCommandRunsTheCommonStepsAndOpensItsScreen) {
    StartShell();
    m_frame->OnCommand(Cmd::kRefOsc);  // no document: nothing
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    ReadRadio();  // on COM1, which it remembers
    m_frame->OnCommand(Cmd::kTxPowerHigh);
    ASSERT_NE(m_frame->OpenScreenWidget(), nullptr) << ::testing::PrintToString(m_host.Texts());
    EXPECT_EQ(m_frame->OpenScreenWidget()->windowTitle(), "Tx Power High");
    EXPECT_EQ(m_frame->FeatureName(), "Tx Power High");
    // Repeating it brings the same screen forward; another shows the message.
    m_host.Clear();
    m_frame->OnCommand(Cmd::kTxPowerHigh);
    EXPECT_TRUE(m_host.m_messages.empty());
    m_frame->OnCommand(Cmd::kRefOsc);
    EXPECT_EQ(m_host.Count(kOneScreen), 1);
}

TEST_F(ShellTest, ClosingTheDataSetClosesEveryScreenOnIt) {
    StartShell();
    ReadRadio();  // on COM1, which it remembers
    m_frame->OnCommand(Cmd::kRefOsc);
    QPointer<QWidget> tuning = m_frame->OpenScreenWidget();
    ASSERT_TRUE(tuning);

    AutotuneHelpFolder folder(false);
    m_frame->OnCommand(Cmd::kAutoTune);  // without Autotune.hlp: nothing
    EXPECT_EQ(m_frame->OpenScreenWidget(), tuning.data());
    folder.AddHelp();
    m_frame->OnCommand(Cmd::kAutoTune);
    QPointer<QWidget> autotune = m_frame->OpenScreenWidget();
    ASSERT_TRUE(autotune);
    EXPECT_NE(autotune.data(), tuning.data());
    EXPECT_TRUE(tuning);  // replaced, still open

    PressKey(m_frame->ActiveView(), Qt::Key_F10);
    Flush();
    EXPECT_FALSE(tuning);
    EXPECT_FALSE(autotune);
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
}

TEST_F(ShellTest, ClosingTheAutomaticTuningGivesTheTuningScreenItsPlaceBack) {
    StartShell();
    ReadRadio();  // on COM1, which it remembers
    m_frame->OnCommand(Cmd::kRefOsc);
    QPointer<QWidget> tuning = m_frame->OpenScreenWidget();
    AutotuneHelpFolder folder;
    m_frame->OnCommand(Cmd::kAutoTune);
    delete m_frame->OpenScreenWidget();
    EXPECT_EQ(m_frame->OpenScreenWidget(), tuning.data());
}

TEST_F(ShellTest, SaveCloseOpenKeepsTheDataSetWithoutPaBiasOrVersions) {
    StartShell();
    ReadRadio();
    CTunerDoc* doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    const std::string serial = doc->m_serialNumber;
    const std::string model = doc->m_modelNumber;
    EXPECT_FALSE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());  // never saved

    QTemporaryDir dir;
    m_dialogs.savePath = dir.filePath("radio");  // the extension is added
    m_frame->OnCommand(Cmd::kFileSave);
    const QString path = dir.filePath("radio.tun");
    ASSERT_TRUE(QFile::exists(path)) << ::testing::PrintToString(m_host.Texts());
    EXPECT_EQ(QFileInfo(path).size(), 1301);
    EXPECT_TRUE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());  // saved: offered
    m_frame->OnCommand(Cmd::kRadioInfo);
    EXPECT_FALSE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());  // not with a screen open
    delete m_frame->OpenScreenWidget();
    EXPECT_TRUE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());

    PressKey(m_frame->ActiveView(), Qt::Key_F10);
    Flush();
    ASSERT_EQ(m_frame->GetActiveDoc(), nullptr);

    m_dialogs.openPath = path;
    m_frame->OnCommand(Cmd::kFileOpen);
    doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr) << ::testing::PrintToString(m_host.Texts());
    EXPECT_TRUE(m_frame->IsDataOpen());
    EXPECT_EQ(doc->m_serialNumber, serial);
    EXPECT_EQ(m_settings.m_recentFiles.value(0), QFileInfo(path).absoluteFilePath());
    QTreeWidgetItem* root = m_frame->ActiveView()->topLevelItem(0);
    EXPECT_EQ(root->text(0).toStdString(), serial);
    for (const char* pa : {"PA Bias 1", "PA Bias 2", "PA Bias 3"})
        EXPECT_EQ(Find(root, pa), nullptr);
    for (int id : {Cmd::kPaBias1, Cmd::kPaBias2, Cmd::kPaBias3})
        EXPECT_FALSE(InAnyMenu(m_frame->menuBar(), m_frame->Action(id)));

    m_frame->OnCommand(Cmd::kRadioInfo);
    auto* info = qobject_cast<CRadInfoDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Field(0)->text().toStdString(), model);
    EXPECT_EQ(info->Field(1)->text().toStdString(), serial);
    for (int i = 2; i < 6; ++i) EXPECT_TRUE(info->Field(i)->text().isEmpty());
    delete info;

    // Write Device programs the file's data set into the bench radio.
    ASSERT_TRUE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());
    m_settings.m_strPortName = "COM1";
    m_host.Clear();
    m_frame->OnCommand(Cmd::kWriteDevice);
    EXPECT_EQ(m_host.Count("Programming Successful"), 1)
        << ::testing::PrintToString(m_host.Texts());

    // The PA bias items stay removed for the rest of the run.
    PressKey(m_frame->ActiveView(), Qt::Key_F10);
    Flush();
    ReadRadio();
    m_frame->UpdateCommands();
    for (int id : {Cmd::kPaBias1, Cmd::kPaBias2, Cmd::kPaBias3})
        EXPECT_FALSE(InAnyMenu(m_frame->menuBar(), m_frame->Action(id)));
}

TEST_F(ShellTest, OpeningAFileWhileADataSetIsOpenIsRefused) {
    StartShell();
    ReadRadio();
    QTemporaryDir dir;
    m_dialogs.savePath = dir.filePath("a.tun");
    m_frame->OnCommand(Cmd::kFileSave);
    m_host.Clear();
    m_dialogs.openPath = dir.filePath("a.tun");
    m_frame->OnCommand(Cmd::kFileOpen);
    EXPECT_EQ(m_host.Count(kCloseCurrent), 1);
    EXPECT_TRUE(m_frame->IsDataOpen());
    EXPECT_NE(m_frame->GetActiveDoc(), nullptr);
}

TEST_F(ShellTest, OptionsRoundTripThroughTheDialog) {
    StartShell();
    m_dialogs.onExec = [](QDialog& dialog) {
        dialog.findChildren<QCheckBox*>().at(0)->setChecked(false);  // Reminder On
        dialog.findChildren<QCheckBox*>().at(1)->setChecked(false);  // PTT Time Out
        return int(QDialog::Rejected);
    };
    m_frame->OnCommand(Cmd::kOptions);
    EXPECT_EQ(m_settings.m_nReminderOff, 0);  // cancelled: unchanged
    EXPECT_EQ(m_settings.m_nPTTTimeOutOn, 1);
    m_dialogs.onExec = [](QDialog& dialog) {
        dialog.findChildren<QCheckBox*>().at(0)->setChecked(false);
        return int(QDialog::Accepted);
    };
    m_frame->OnCommand(Cmd::kOptions);
    EXPECT_EQ(m_settings.m_nReminderOff, 1);
    EXPECT_EQ(m_settings.m_nPTTTimeOutOn, 1);
    EXPECT_EQ(m_dialogs.titles, (std::vector<std::string>{"Options", "Options"}));
}

TEST_F(ShellTest, WindowPlacementRoundTripStartsInTheNormalState) {
    StartShell();
    auto store = FreshSettings();
    m_frame->setWindowState(Qt::WindowNoState);
    m_frame->move(40, 30);
    m_frame->resize(800, 600);
    m_frame->SaveWindowPlacement(*store);
    EXPECT_EQ(store->value("MySetting/ShowCmd").toInt(), 1);
    EXPECT_EQ(store->value("MySetting/Right").toInt() - store->value("MySetting/Left").toInt(),
              800);
    EXPECT_EQ(store->value("MySetting/Bottom").toInt() - store->value("MySetting/Top").toInt(),
              600);

    store->setValue("MySetting/ShowCmd", 3);  // saved maximised: not restored
    CMainFrame other(m_host, m_settings, m_dialogs, nullptr);
    other.RestoreWindowPlacement(*store);
    EXPECT_FALSE(other.isMaximized());
    EXPECT_EQ(other.size(), QSize(800, 600));
}

class ShellProfileTest : public ShellTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShellProfileTest, TreeFollowsTheFeaturesOfTheReadRadio) {
    StartShell(GetParam());
    ReadRadio();
    CTunerDoc* doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr) << ::testing::PrintToString(m_host.Texts());
    QTreeWidgetItem* root = m_frame->ActiveView()->topLevelItem(0);
    const auto& has = doc->m_featurePresent;
    EXPECT_EQ(Find(root, "Receiver Alignments") != nullptr, has[kFrontEndFilter]);
    EXPECT_EQ(Find(root, "Front End Filter") != nullptr, has[kFrontEndFilter]);
    EXPECT_EQ(Find(root, "Battery Reading Calibration") != nullptr, has[kBatteryCal]);
    EXPECT_EQ(Find(root, "Reference Oscillator") != nullptr, has[kRefOsc]);
    for (const char* power : {"Tx Power High", "Tx Power Mid", "Tx Power Low"})
        EXPECT_EQ(Find(root, power) != nullptr, has[kTxPower]);
    const int paIds[3] = {Cmd::kPaBias1, Cmd::kPaBias2, Cmd::kPaBias3};
    for (int i = 0; i < 3; ++i) {
        const QString text = QString("PA Bias %1").arg(i + 1);
        EXPECT_EQ(Find(root, text) != nullptr, has[kPaBias1 + i]);
        EXPECT_EQ(InAnyMenu(m_frame->menuBar(), m_frame->Action(paIds[i])), has[kPaBias1 + i]);
    }
    if (std::string(GetParam()) == "no-filter") {
        EXPECT_FALSE(has[kFrontEndFilter]);
    }
    if (std::string(GetParam()) == "pa-bias") {
        EXPECT_TRUE(has[kPaBias1] && has[kPaBias2] && has[kPaBias3]);
    }
    if (std::string(GetParam()) == "full") {
        EXPECT_TRUE(has[kFrontEndFilter] && has[kDevLimit] && has[kBatteryCal]);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, ShellProfileTest,
                         ::testing::Values("standard", "no-filter", "full", "family1-k",
                                           "family2-q", "pa-bias"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });
