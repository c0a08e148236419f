#include <gtest/gtest.h>

#include <QtGui/QKeyEvent>

#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include "AppTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/AppSettings.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/RadInfoDlg.h"
#include "app/TunerView.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"
#include "support/RecordingHost.h"

namespace {

using Items = std::vector<std::pair<std::string, int>>;  // text, data word

Items ChildItems(QTreeWidgetItem* item) {
    Items items;
    for (int i = 0; i < item->childCount(); ++i)
        items.emplace_back(item->child(i)->text(0).toStdString(),
                           item->child(i)->data(0, CTunerView::kDataRole).toInt());
    return items;
}

QTreeWidgetItem* Child(QTreeWidgetItem* item, const char* text) {
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

struct TreeCase {
    const char* name;
    std::vector<int> present;  // softpot types present
    Items root;                // the root's children
    Items transmitter;         // under "Transmitter Alignments"
};

class TreeView : public ::testing::TestWithParam<TreeCase> {
protected:
    void SetUp() override {
        EnsureApp();
        m_frame = std::make_unique<CMainFrame>(m_host, m_settings, m_dialogs, nullptr);
    }
    void TearDown() override {
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CTunerView* Open(const std::vector<int>& present) {
        auto doc = std::make_unique<CTunerDoc>(m_host, *m_frame, nullptr);
        doc->m_serialNumber = "403CQT1234";
        doc->m_modelNumber = "H18QDF9PW6AN";
        doc->m_hostVersion = "R01.02.03";
        for (int type : present) doc->m_featurePresent[type] = true;
        doc->SetTitle({});
        m_child = m_frame->ShowDocument(std::move(doc));
        return m_child->View();
    }
    void Press(QWidget* w, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }

    CRecordingHost m_host;
    CAppSettings m_settings;
    CScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
    CChildFrame* m_child = nullptr;
};

const Items kPerformance = {{"Bit Error Rate", Cmd::kBitErrorRate},
                            {"Transmitter Test Pattern", Cmd::kTestPattern}};

}  // namespace

TEST_P(TreeView, ListsThePresentFeaturesInOrder) {
    const TreeCase& c = GetParam();
    CTunerView* view = Open(c.present);
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem* root = view->topLevelItem(0);
    EXPECT_EQ(root->text(0), "403CQT1234");
    EXPECT_EQ(ChildItems(root), c.root);
    EXPECT_EQ(ChildItems(Child(root, "Transmitter Alignments")), c.transmitter);
    EXPECT_EQ(ChildItems(Child(root, "Performance Testing")), kPerformance);
    if (QTreeWidgetItem* rx = Child(root, "Receiver Alignments")) {
        EXPECT_EQ(ChildItems(rx), (Items{{"Front End Filter", Cmd::kFrontEndFilter}}));
    }
    EXPECT_FALSE(root->isExpanded());
}

INSTANTIATE_TEST_SUITE_P(
    Radios, TreeView,
    ::testing::Values(TreeCase{"Nothing",
                               {},
                               {{"Radio Information", Cmd::kRadioInfo},
                                {"Transmitter Alignments", 0},
                                {"Performance Testing", 0}},
                               {}},
                      TreeCase{"Full",
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                               {{"Radio Information", Cmd::kRadioInfo},
                                {"Transmitter Alignments", 0},
                                {"Receiver Alignments", 0},
                                {"Performance Testing", 0},
                                {"Battery Reading Calibration", Cmd::kBatteryCal}},
                               {{"PA Bias 1", Cmd::kPaBias1},
                                {"PA Bias 2", Cmd::kPaBias2},
                                {"PA Bias 3", Cmd::kPaBias3},
                                {"Reference Oscillator", Cmd::kRefOsc},
                                {"Tx Power High", Cmd::kTxPowerHigh},
                                {"Tx Power Mid", Cmd::kTxPowerMid},
                                {"Tx Power Low", Cmd::kTxPowerLow},
                                {"Tx Current Limit", Cmd::kCurrentLimit},
                                {"Tx Deviation Balance (Compensation)", Cmd::kDevBalance},
                                {"Tx Deviation Limit", Cmd::kDevLimit},
                                {"Crystal Temperature Compensation", Cmd::kCurrentLimit}}},
                      TreeCase{"NoFrontEndFilterNoBattery",
                               {0, 1, 5},
                               {{"Radio Information", Cmd::kRadioInfo},
                                {"Transmitter Alignments", 0},
                                {"Performance Testing", 0}},
                               {{"Reference Oscillator", Cmd::kRefOsc},
                                {"Tx Power High", Cmd::kTxPowerHigh},
                                {"Tx Power Mid", Cmd::kTxPowerMid},
                                {"Tx Power Low", Cmd::kTxPowerLow},
                                {"Tx Deviation Limit", Cmd::kDevLimit}}},
                      TreeCase{"PaBias2AndFrontEndOnly",
                               {3, 10},
                               {{"Radio Information", Cmd::kRadioInfo},
                                {"Transmitter Alignments", 0},
                                {"Receiver Alignments", 0},
                                {"Performance Testing", 0}},
                               {{"PA Bias 2", Cmd::kPaBias2}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TreeView, DoubleClickOnAHeadingStartsNothingAndEnterExpandsIt) {
    CTunerView* view = Open({0, 1});
    QTreeWidgetItem* root = view->topLevelItem(0);
    QTreeWidgetItem* tx = Child(root, "Transmitter Alignments");
    view->setCurrentItem(tx);
    view->StartSelectedFeature(false);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    EXPECT_FALSE(tx->isExpanded());

    Press(view, Qt::Key_Return);
    EXPECT_TRUE(tx->isExpanded());
    Press(view, Qt::Key_Return);  // expanded, not toggled
    EXPECT_TRUE(tx->isExpanded());
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
}

TEST_F(TreeView, EnterOnRadioInformationPostsItsCommand) {
    CTunerView* view = Open({});
    view->setCurrentItem(Child(view->topLevelItem(0), "Radio Information"));
    Press(view, Qt::Key_Enter);
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);  // posted, not called
    QCoreApplication::sendPostedEvents();
    auto* info = qobject_cast<CRadInfoDlg*>(m_frame->OpenScreenWidget());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Field(2)->text(), "R01.02.03");
    EXPECT_TRUE(info->Field(3)->text().isEmpty());
}

TEST_F(TreeView, F10ClosesTheDataSetAndItsScreens) {
    CTunerView* view = Open({});
    m_frame->SetDataOpen(true);
    m_frame->OnCommand(Cmd::kRadioInfo);
    QPointer<QWidget> info = m_frame->OpenScreenWidget();
    ASSERT_TRUE(info);
    Press(view, Qt::Key_F10);
    EXPECT_FALSE(info);
    EXPECT_FALSE(m_frame->IsDataOpen());
    EXPECT_EQ(m_child->Document(), nullptr);
    EXPECT_TRUE(m_host.m_messages.empty());  // no question
}

TEST_F(TreeView, PaBiasItemsLeaveTheMenuForTheRestOfTheRun) {
    Open({0, 9});  // PA Bias 1 present, 2 and 3 absent
    m_frame->UpdateCommands();
    auto inMenus = [this](int id) {
        QAction* a = m_frame->Action(id);
        for (QObject* o : a->associatedObjects())
            if (qobject_cast<QMenu*>(o))
                return true;
        return false;
    };
    EXPECT_TRUE(inMenus(Cmd::kPaBias1));
    EXPECT_FALSE(inMenus(Cmd::kPaBias2));
    EXPECT_FALSE(inMenus(Cmd::kPaBias3));
    m_child->CloseDocument();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Open({0, 9, 10, 11});
    m_frame->UpdateCommands();
    EXPECT_TRUE(inMenus(Cmd::kPaBias1));
    EXPECT_FALSE(inMenus(Cmd::kPaBias2));
    EXPECT_FALSE(inMenus(Cmd::kPaBias3));
}

TEST_F(TreeView, CommandRulesFollowTheFeatureFlags) {
    Open({1, 3});
    m_frame->UpdateCommands();
    EXPECT_FALSE(m_frame->Action(Cmd::kRefOsc)->isEnabled());
    EXPECT_TRUE(m_frame->Action(Cmd::kTxPowerLow)->isEnabled());
    EXPECT_TRUE(m_frame->Action(Cmd::kFrontEndFilter)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::kDevLimit)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::kBatteryCal)->isEnabled());
    EXPECT_TRUE(m_frame->Action(Cmd::kBitErrorRate)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::kCrystalTemp)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::kCopy)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());  // never through a file
    EXPECT_EQ(m_frame->windowTitle(), "VEGAL 25 Tuner - 403CQT1234");
}
