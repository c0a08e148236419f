#pragma once

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/LockKeyState.h"
#include "app/PortCandidates.h"
#include "app/ReportPrinter.h"
#include "document/FrameLink.h"
#include "radio/IRadioComm.h"
#include "screens/ScreenHost.h"

class CAppSettings;
class CChildFrame;
class CDialogRunner;
class CTunerDoc;
class CTunerView;
class IHost;
class QLabel;
class QMdiArea;
class QMenu;
class QSettings;

/// The main window: a multiple-document frame with toolbar, status bar and clock, and the hub
/// every command enters. It holds the one open feature screen, the name of the feature being
/// opened, the radio port and whether a data set is open, and it enforces one data set and one
/// feature screen at a time.
class CMainFrame : public QMainWindow, public IFrameLink, public IScreenHost {
    Q_OBJECT
public:
    CMainFrame(IHost& host, CAppSettings& settings, CDialogRunner& dialogs,
               RadioCommFactory factory, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // IFrameLink
    std::string GetPort() const override { return m_strPort; }
    void SetDataOpen(bool open) override { m_bDataOpen = open; }
    bool IsDataOpen() const override { return m_bDataOpen; }
    /// Destroys the open screen and every other screen still open on the data set; each
    /// feature screen winds down first (dekeys, stops its timers).
    void DestroyOpenScreen() override;

    // IScreenHost: what the feature screens see of the frame.
    IHost& Host() override { return m_host; }
    QWidget* FrameWindow() override { return this; }
    std::string FeatureName() const override { return m_strFeatureName; }
    std::string OpenScreenTitle() const override;
    void ClearOpenScreen(QWidget* screen) override;
    int ReminderOff() const override;
    int PttTimeOutOn() const override;
    std::string ResolvePort(const std::string& portName) const override;
    int ExecDialog(QDialog& dialog) override;
    void ShowHelp(int context) override;
    QWidget* OpenFeatureFor(QWidget* caller, int commandId) override;
    void PreviewReport(const std::vector<std::string>& lines, const std::string& title) override;
    void PreviewSheet(const CAlignmentReport& report, const std::string& title) override;

    /// Sets the frame's port and the remembered port name.
    void SetPort(const std::string& port);

    /// Runs a command by its id (menus, keys, toolbar and the tree's posted commands).
    Q_INVOKABLE void OnCommand(int id);
    /// Queues a command, so that the caller finishes its own handling first.
    void PostCommand(int id);
    /// Whether a command is running or a modal box is open: no other command starts then.
    bool IsCommandBusy() const;

    /// The document of the active document window, or null.
    CTunerDoc* GetActiveDoc() const;
    CChildFrame* ActiveChild() const;
    CTunerView* ActiveView() const;

    /// 0 when no screen is open. Otherwise 1: the open screen is brought forward when its
    /// title equals name (letter case ignored), else the one-screen message is shown.
    int CheckOpenScreen(const std::string& name);
    /// Shows, centres and activates the open screen.
    void ShowScreen();
    /// Records a new screen as the open one (and as belonging to the open data set), shows it.
    void OpenScreen(QWidget* screen);
    QWidget* OpenScreenWidget() const { return m_pOpenScreen.data(); }

    /// Empties and deletes a document and closes its window.
    void CloseDocument(CTunerDoc* doc);
    /// Called by a document window once its document is gone.
    void OnDocumentClosed(CChildFrame* child);
    /// Gives a filled document its window and makes it the active one.
    CChildFrame* ShowDocument(std::unique_ptr<CTunerDoc> doc);
    /// Opens a .tun file into a new document window; false when it was refused.
    bool OpenDocumentFile(const QString& path);
    /// Files handed over by the desktop (dropped on the frame, or "open with"): each is opened
    /// as File Open would, unless a command is busy. Returns whether they were taken.
    bool OpenFilesFromDesktop(const QStringList& paths);

    /// Enables, disables and removes commands after the rules of the open data set, and
    /// refreshes the clock pane and the title.
    void UpdateCommands();
    QAction* Action(int id) const;
    QString ClockPaneText() const;

    void RestoreWindowPlacement(QSettings& settings);
    void SaveWindowPlacement(QSettings& settings) const;

    /// Replaces the list of serial devices the Select Port dialog works from.
    void SetDeviceEnumerator(SerialDeviceEnumerator enumerator) {
        m_deviceEnumerator = std::move(enumerator);
    }
    /// Where the lock-key panes read the keyboard (tests give a fixed state).
    void SetLockKeySource(LockKeySource source) {
        m_lockKeySource = std::move(source);
        UpdateLockPanes();
    }
    /// Where Save writes placement on close (tests point it at a scratch store; a null store
    /// keeps the placement unwritten).
    void SetPlacementStore(std::function<std::unique_ptr<QSettings>()> store) {
        m_placementStore = std::move(store);
    }

    CAppSettings& Settings() const { return m_settings; }
    CDialogRunner& Dialogs() const { return m_dialogs; }
    CReportPrinter& ReportPrinter() { return m_printer; }

    /// Help topic number for F1 in the main window.
    int CurrentHelpContext() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct FeatureCommand;
    static const FeatureCommand* FindFeature(int id);

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    QAction* AddAction(int id, const QString& text, const QKeySequence& keys = {},
                       const QString& tip = {});
    /// Adds the actions of these command ids in order; 0 adds a separator.
    void AddActions(QWidget* target, std::initializer_list<int> ids);
    void UpdateRecentFiles();

    void OnReadDevice(bool toolbar);
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave(bool saveAs);
    void OnWriteDevice();
    void OnPrintSetup();
    void OnOptions();
    void OnAbout();
    void OnFeature(const FeatureCommand& feature);
    void OnAutoTune();
    void OnScreenDestroyed(QObject* screen);
    void UpdateClock();
    void UpdateLockPanes();
    /// Sets the frame's title and keeps it against the document window's own changes.
    void SetFrameTitle(const QString& title);

    IHost& m_host;
    CAppSettings& m_settings;
    CDialogRunner& m_dialogs;
    RadioCommFactory m_factory;
    CReportPrinter m_printer;
    SerialDeviceEnumerator m_deviceEnumerator;
    std::function<std::unique_ptr<QSettings>()> m_placementStore;

    QMdiArea* m_mdi = nullptr;
    QLabel* m_clockPane = nullptr;
    QLabel* m_lockPanes[3] = {nullptr, nullptr, nullptr};  ///< CAP, NUM, SCRL
    LockKeySource m_lockKeySource;
    QString m_strTitle;
    int m_nCommandDepth = 0;  ///< commands running (one, or a help command inside one)
    QTimer m_clockTimer;
    std::map<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_txMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    std::vector<QAction*> m_recentActions;
    bool m_paBiasRemoved[3] = {false, false, false};

public:
    // The hub's state, under the names the rest of the system uses.
    QPointer<QWidget> m_pOpenScreen;           ///< the one open feature screen, or null
    std::string m_strFeatureName;              ///< feature whose screen is being opened
    std::string m_strPort = "COM1";            ///< port the radio link connects through
    bool m_bDataOpen = false;                  ///< a data set is open
    std::vector<QPointer<QWidget>> m_screens;  ///< every screen opened on the data set
};
