// The shell as a technician meets it on a desktop: keys, titles, help, splash, files handed
// over by the desktop, the closing wait, lock keys, toolbar icons and one command at a time.

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QMimeData>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtGui/QDropEvent>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>

#include "ShellFixture.h"
#include "app/ChildFrame.h"
#include "app/HelpWindow.h"
#include "app/SelectPortDlg.h"
#include "app/SplashWnd.h"
#include "app/ToolbarIcons.h"
#include "app/TunerView.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"

namespace {

class DesktopShell : public ShellTest {
protected:
    void TearDown() override {
        CHelpWindow::CloseHelp();
        ShellTest::TearDown();
    }

    /// Makes the frame the active window, as the technician's click would.
    void Activate() {
        m_frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    }

    /// Reads the radio and saves its data set, which offers Write Device.
    QString ReadAndSave() {
        ReadRadio();
        m_dialogs.savePath = m_dir.filePath("radio.tun");
        m_frame->OnCommand(Cmd::kFileSave);
        return m_dialogs.savePath;
    }

    /// Drops files on the main frame as a file manager does.
    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        const QPoint at = m_frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_frame.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_frame.get(), &drop);
        Flush();
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(DesktopShell, CtrlWLeavesAFreshlyReadDataSetOpenAndWritesASavedOne) {
    StartShell();
    ReadRadio();
    Activate();
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr);
    ASSERT_FALSE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());
    QTest::keyClick(m_frame->ActiveView(), Qt::Key_W, Qt::ControlModifier);
    Flush();
    EXPECT_NE(m_frame->GetActiveDoc(), nullptr) << "Ctrl+W closed the document window";
    EXPECT_TRUE(m_frame->IsDataOpen());

    // Saved, the data set may be written: Ctrl+W runs Write Device, also with the document
    // window maximised and the focus in it.
    m_dialogs.savePath = m_dir.filePath("radio.tun");
    m_frame->OnCommand(Cmd::kFileSave);
    ASSERT_TRUE(m_frame->Action(Cmd::kWriteDevice)->isEnabled());
    m_frame->ActiveChild()->showMaximized();
    Flush();
    m_host.Clear();
    QTest::keyClick(m_frame->ActiveView(), Qt::Key_W, Qt::ControlModifier);
    Flush();
    EXPECT_EQ(m_host.Count("Programming Successful"), 1)
        << ::testing::PrintToString(m_host.Texts());
    EXPECT_NE(m_frame->GetActiveDoc(), nullptr);
}

TEST_F(DesktopShell, FrameTitleStaysExactWithTheDocumentWindowMaximised) {
    StartShell();
    EXPECT_EQ(m_frame->windowTitle(), "VEGAL 25 Tuner");
    ReadRadio();
    const QString expected =
        "VEGAL 25 Tuner - " + QString::fromStdString(m_frame->GetActiveDoc()->m_serialNumber);
    EXPECT_EQ(m_frame->windowTitle(), expected);
    m_frame->ActiveChild()->showMaximized();
    Flush();
    m_frame->UpdateCommands();
    EXPECT_EQ(m_frame->windowTitle(), expected);
    m_frame->ActiveChild()->showNormal();
    Flush();
    EXPECT_EQ(m_frame->windowTitle(), expected);
}

TEST_F(DesktopShell, HelpAskedForInAModalDialogTakesInputAndOutlivesTheDialog) {
    StartShell();
    QDialog dialog(m_frame.get());
    dialog.setWindowTitle("Options");
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    m_frame->ShowHelp(HelpId::kOptions);  // the dialog's Help button, through the frame
    CHelpWindow* help = CHelpWindow::Instance();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    // It belongs to the dialog, which blocks every window but its own.
    EXPECT_EQ(help->parentWidget(), &dialog);
    EXPECT_EQ(help->CurrentPage(), ":/help/131233.html");
    EXPECT_FALSE(help->windowIcon().isNull());

    // A click reaches it although the dialog is modal: Contents shows the index.
    QToolButton* contents = nullptr;
    for (QToolButton* b : help->findChildren<QToolButton*>())
        if (b->defaultAction() && b->defaultAction()->text() == "&Contents")
            contents = b;
    ASSERT_NE(contents, nullptr);
    QTest::mouseClick(contents, Qt::LeftButton);
    EXPECT_EQ(help->CurrentPage(), ":/help/index.html");
    EXPECT_TRUE(help->BackAction()->isEnabled());
    help->BackAction()->trigger();
    EXPECT_EQ(help->CurrentPage(), ":/help/131233.html");
    EXPECT_TRUE(help->ForwardAction()->isEnabled());

    dialog.hide();
    Flush();
    ASSERT_EQ(CHelpWindow::Instance(), help);
    EXPECT_EQ(help->parentWidget(), m_frame.get());
    EXPECT_TRUE(help->isVisible());
}

TEST_F(DesktopShell, ClosingTheMainWindowClosesHelp) {
    StartShell();
    m_frame->OnCommand(Cmd::kHelpTopics);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    m_frame->close();
    Flush();
    EXPECT_EQ(CHelpWindow::Instance(), nullptr);
}

TEST_F(DesktopShell, F1InSelectPortOpensItsTopic) {
    StartShell();
    m_dialogs.onExec = [](QDialog& dialog) {
        QTest::keyClick(dialog.findChild<QComboBox*>(), Qt::Key_F1);
        return int(QDialog::Rejected);
    };
    m_frame->OnCommand(Cmd::kReadDeviceMenu);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), ":/help/131251.html");
}

TEST_F(DesktopShell, SplashIsShownAndPaintedDuringTheReadAndGoneAfterIt) {
    StartShell();
    bool shownDuringRead = false;
    m_host.onSleep = [&](std::uint32_t ms) {
        CSplashWnd* splash = CSplashWnd::Current();
        if (ms == 500 && splash)  // the read's pause after connecting
            shownDuringRead = splash->isVisible() && splash->windowHandle() &&
                              splash->windowHandle()->isExposed();
    };
    ReadRadio();
    m_host.onSleep = nullptr;
    EXPECT_TRUE(shownDuringRead);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    ASSERT_NE(m_frame->GetActiveDoc(), nullptr);
}

TEST_F(DesktopShell, ACommandPostedWhileAnotherOneShowsABoxNeverRuns) {
    StartShell();
    ReadRadio();
    // A second Read Device shows its message box; Enter held on a tree item meanwhile posts
    // Radio Information, which the box's own event loop would run.
    m_host.onMessage = [this](const std::string&) {
        m_frame->PostCommand(Cmd::kRadioInfo);
        Flush();
    };
    m_frame->OnCommand(Cmd::kReadDeviceMenu);
    m_host.onMessage = nullptr;
    EXPECT_EQ(m_host.Count("Please close current windows before loading new data."), 1);
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    Flush();
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);  // dropped, not deferred

    // A modal box of a screen holds the commands off too.
    QDialog box(m_frame.get());
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    m_frame->PostCommand(Cmd::kRadioInfo);
    Flush();
    EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
    box.hide();
    m_frame->PostCommand(Cmd::kRadioInfo);
    Flush();
    EXPECT_NE(m_frame->OpenScreenWidget(), nullptr);
}

TEST_F(DesktopShell, DroppedTunFileOpensAndCtrlWProgramsIt) {
    StartShell();
    const QString path = ReadAndSave();
    QTest::keyClick(m_frame->ActiveView(), Qt::Key_F10);
    Flush();
    ASSERT_EQ(m_frame->GetActiveDoc(), nullptr);

    Drop({path});
    CTunerDoc* doc = m_frame->GetActiveDoc();
    ASSERT_NE(doc, nullptr) << ::testing::PrintToString(m_host.Texts());
    EXPECT_TRUE(doc->m_loadedFromFile);
    Activate();
    m_settings.m_strPortName = "COM1";
    m_host.Clear();
    QTest::keyClick(m_frame->ActiveView(), Qt::Key_W, Qt::ControlModifier);
    Flush();
    EXPECT_EQ(m_host.Count("Programming Successful"), 1)
        << ::testing::PrintToString(m_host.Texts());

    // A second file meets the one-data-set rule.
    m_host.Clear();
    Drop({path});
    EXPECT_EQ(m_host.Count("Please close current windows before loading new data."), 1);
}

TEST_F(DesktopShell, ClosingAConnectedDataSetSaysSoForTheWholeWait) {
    StartShell();
    ReadRadio();
    QString message;
    int waitDepth = 0;
    m_host.onSleep = [&](std::uint32_t ms) {
        if (ms != 2000)
            return;
        message = m_frame->statusBar()->currentMessage();
        waitDepth = m_host.m_waitDepth;
    };
    QTest::keyClick(m_frame->ActiveView(), Qt::Key_F10);
    Flush();
    m_host.onSleep = nullptr;
    EXPECT_EQ(message, "Closing the connection to the radio...");
    EXPECT_GT(waitDepth, 0);
    EXPECT_EQ(m_host.m_waitDepth, 0);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), "Ready");
}

TEST_F(DesktopShell, LockPanesShowTheKeyboardWhereThePlatformTellsIt) {
    StartShell();
    auto pane = [this](const char* name) {
        return m_frame->findChild<QLabel*>(QString("pane") + name);
    };
    // The offscreen platform tells nothing: all grey.
    EXPECT_FALSE(QueryLockKeyState().has_value());
    for (const char* name : {"CAP", "NUM", "SCRL"}) EXPECT_FALSE(pane(name)->isEnabled()) << name;

    m_frame->SetLockKeySource([] { return LockKeyState{true, false, true}; });
    EXPECT_TRUE(pane("CAP")->isEnabled());
    EXPECT_FALSE(pane("NUM")->isEnabled());
    EXPECT_TRUE(pane("SCRL")->isEnabled());
    m_frame->SetLockKeySource([] { return std::optional<LockKeyState>(); });
    for (const char* name : {"CAP", "NUM", "SCRL"}) EXPECT_FALSE(pane(name)->isEnabled()) << name;
}

class ToolbarIconTheme : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_paths = QIcon::themeSearchPaths();
        m_name = QIcon::themeName();
    }
    void TearDown() override {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_name);
    }
    QStringList m_paths;
    QString m_name;
};

TEST_F(ToolbarIconTheme, ThemeIconsWhereTheThemeHasThemAndOurOwnElsewhere) {
    // A bare machine: no theme at all.
    QTemporaryDir themes;
    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName("none");
    const int toolbar[] = {Cmd::kReadDeviceToolbar,
                           Cmd::kFileOpen,
                           Cmd::kWriteDevice,
                           Cmd::kFileSave,
                           Cmd::kCut,
                           Cmd::kCopy,
                           Cmd::kPaste,
                           Cmd::kPrint,
                           Cmd::kAbout};
    for (int id : toolbar) {
        const QIcon icon = ToolbarIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        EXPECT_TRUE(icon.name().isEmpty()) << id;
        // Drawn, not blank.
        const QImage image = icon.pixmap(24, 24).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 60) << id;
    }

    // A desktop theme with some of the names: those come from the theme.
    QDir dir(themes.path());
    ASSERT_TRUE(dir.mkpath("desk/24x24/actions"));
    QFile index(dir.filePath("desk/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=desk\nDirectories=24x24/actions\n\n"
        "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    QPixmap square(24, 24);
    square.fill(Qt::red);
    for (const char* name : {"document-open", "edit-cut", "go-down"})
        ASSERT_TRUE(square.save(dir.filePath(QString("desk/24x24/actions/%1.png").arg(name))));
    QIcon::setThemeName("desk");
    EXPECT_EQ(ToolbarIcon(Cmd::kFileOpen).name(), "document-open");
    EXPECT_EQ(ToolbarIcon(Cmd::kCut).name(), "edit-cut");
    EXPECT_EQ(ToolbarIcon(Cmd::kReadDeviceToolbar).name(), "go-down");
    EXPECT_TRUE(ToolbarIcon(Cmd::kCopy).name().isEmpty());  // not in the theme: ours
    EXPECT_TRUE(ToolbarIcon(Cmd::kRadioInfo).isNull());     // no button, no icon
}
