#include <gtest/gtest.h>

#include <QtCore/QPointer>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

#include "StubScreenHost.h"
#include "app/AppTestSupport.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"
#include "screens/FeatureScreen.h"

namespace {

/// Records the commands that reach it; closes like any screen.
class CRecordingScreen : public CFeatureScreen {
public:
    using CFeatureScreen::CFeatureScreen;
    void OnCommand(int id) override {
        commands.push_back(id);
        CFeatureScreen::OnCommand(id);
    }
    std::vector<int> commands;
};

class FeatureScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_host.cleared.clear();
        m_doc = std::make_unique<CTunerDoc>(m_host.host, m_frameState, RadioCommFactory());
        m_screen = new CRecordingScreen(m_host, *m_doc);
        m_edit = new QLineEdit(m_screen);
        m_screen->show();
        m_screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_screen));
        m_edit->setFocus();
    }
    void TearDown() override { delete m_screen.data(); }

    CStubScreenHost m_host;
    CFrameState m_frameState;
    std::unique_ptr<CTunerDoc> m_doc;
    QPointer<CRecordingScreen> m_screen;
    QLineEdit* m_edit = nullptr;
};

}  // namespace

TEST_F(FeatureScreenTest, AcceleratorKeysReachTheScreenFromAField) {
    const std::pair<Qt::Key, int> keys[] = {
        {Qt::Key_F6, Cmd::kPttToggle}, {Qt::Key_F8, Cmd::kProgramAll}, {Qt::Key_F1, Cmd::kHelp}};
    for (const auto& [key, id] : keys) {
        m_screen->commands.clear();
        QTest::keyClick(m_edit, key);
        EXPECT_EQ(m_screen->commands, std::vector<int>{id}) << "key " << key;
    }
    EXPECT_TRUE(m_host.cleared.empty());
}

TEST_F(FeatureScreenTest, EnterCommitsTheFieldAndKeepsTheScreenOpen) {
    int committed = 0;
    QObject::connect(m_edit, &QLineEdit::editingFinished, [&] { ++committed; });
    QTest::keyClicks(m_edit, "42");
    QTest::keyClick(m_edit, Qt::Key_Return);
    EXPECT_GE(committed, 1);
    EXPECT_TRUE(m_screen->isVisible());
    EXPECT_TRUE(m_host.cleared.empty());
}

TEST_F(FeatureScreenTest, F10EscAndTheCloseBoxCloseThroughTheCloseCommand) {
    for (int way = 0; way < 3; ++way) {
        TearDown();
        SetUp();
        if (way == 0)
            QTest::keyClick(m_edit, Qt::Key_F10);
        else if (way == 1)
            QTest::keyClick(m_edit, Qt::Key_Escape);
        else
            m_screen->close();
        EXPECT_EQ(m_screen->commands, std::vector<int>{Cmd::kScreenClose}) << "way " << way;
        ASSERT_EQ(m_host.cleared.size(), 1u);
        EXPECT_EQ(m_host.cleared[0], m_screen.data());
        EXPECT_FALSE(m_screen->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(m_screen.isNull()) << "way " << way;
    }
}
