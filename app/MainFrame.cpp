#include "app/MainFrame.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QSettings>
#include <QtCore/QTime>
#include <QtCore/QUrl>
#include <QtGui/QCloseEvent>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include "app/AboutDlg.h"
#include "app/AppSettings.h"
#include "app/ChildFrame.h"
#include "app/ClockText.h"
#include "app/DialogRunner.h"
#include "app/HelpWindow.h"
#include "app/OptionsDlg.h"
#include "app/PlaceholderScreen.h"
#include "app/RadInfoDlg.h"
#include "app/SelectPortDlg.h"
#include "app/SplashWnd.h"
#include "app/ToolbarIcons.h"
#include "app/TunerView.h"
#include "document/TunFile.h"
#include "document/TunerDoc.h"
#include "radio/Host.h"
#include "radio/RadioRead.h"
#include "radio/RadioWrite.h"
#include "resources/CommandIds.h"
#include "screens/FeatureScreen.h"
#include "screens/ScreenFactory.h"

namespace {

constexpr const char* kAppTitle = "VEGAL 25 Tuner";
constexpr const char* kCloseCurrent = "Please close current windows before loading new data.";
constexpr const char* kOneScreen = "Close the current window before opening another window!";
constexpr const char* kFileFilter = "Tuner Files (*.tun);;All Files (*)";
constexpr const char* kAutoTuneTitle = "Automatic Tuning Interface";

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

/// A feature command: what it opens and the name its screen is checked against.
struct CMainFrame::FeatureCommand {
    enum Kind { RadioInfo, Tuning, PaBias, Screen };
    int id;
    const char* name;
    Kind kind;
};

const CMainFrame::FeatureCommand* CMainFrame::FindFeature(int id) {
    static const FeatureCommand table[] = {
        {Cmd::kRadioInfo, "Radio Information", FeatureCommand::RadioInfo},
        {Cmd::kRefOsc, "Reference Oscillator", FeatureCommand::Tuning},
        {Cmd::kTxPowerHigh, "Tx Power High", FeatureCommand::Tuning},
        {Cmd::kTxPowerMid, "Tx Power Mid", FeatureCommand::Tuning},
        {Cmd::kTxPowerLow, "Tx Power Low", FeatureCommand::Tuning},
        {Cmd::kCurrentLimit, "Tx Current Limit", FeatureCommand::Tuning},
        {Cmd::kDevBalance, "Tx Deviation Balance", FeatureCommand::Tuning},
        {Cmd::kDevLimit, "Tx Deviation Limit", FeatureCommand::Tuning},
        {Cmd::kFrontEndFilter, "Rx Front End Filter", FeatureCommand::Tuning},
        {Cmd::kBitErrorRate, "Bit Error Rate", FeatureCommand::Screen},
        {Cmd::kTestPattern, "Transmitter Test Pattern", FeatureCommand::Screen},
        {Cmd::kBatteryCal, "Battery Reading Calibration", FeatureCommand::Screen},
        {Cmd::kPaBias1, "PA Bias 1", FeatureCommand::PaBias},
        {Cmd::kPaBias2, "PA Bias 2", FeatureCommand::PaBias},
        {Cmd::kPaBias3, "PA Bias 3", FeatureCommand::PaBias},
    };
    for (const FeatureCommand& f : table)
        if (f.id == id)
            return &f;
    return nullptr;
}

CMainFrame::CMainFrame(IHost& host, CAppSettings& settings, CDialogRunner& dialogs,
                       RadioCommFactory factory, QWidget* parent)
    : QMainWindow(parent),
      m_host(host),
      m_settings(settings),
      m_dialogs(dialogs),
      m_factory(std::move(factory)),
      m_printer(dialogs),
      m_deviceEnumerator(&ListSerialDeviceInfos),
      m_placementStore([] {
          return std::make_unique<QSettings>(CAppSettings::kCompany, CAppSettings::kApplication);
      }),
      m_mdi(new QMdiArea(this)),
      m_lockKeySource(&QueryLockKeyState) {
    setObjectName("MainFrame");
    SetFrameTitle(kAppTitle);
    setWindowIcon(QIcon(":/images/vegal-tuner.png"));
    setAcceptDrops(true);  // .tun files dropped on the frame are opened
    CHelpWindow::SetMainWindow(this);
    setCentralWidget(m_mdi);
    resize(1045, 860);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });
    m_clockTimer.setInterval(1000);
    connect(&m_clockTimer, &QTimer::timeout, this, [this] { UpdateCommands(); });
    m_clockTimer.start();
    qApp->installEventFilter(this);  // lock keys pressed in any window
    UpdateCommands();
}

CMainFrame::~CMainFrame() {
    // Documents go first, while the frame's own state still exists for their screens.
    m_clockTimer.stop();
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) delete sub;
    DestroyOpenScreen();
}

// ---------------------------------------------------------------------------------------------
// Commands and menus

QAction* CMainFrame::AddAction(int id, const QString& text, const QKeySequence& keys,
                               const QString& tip) {
    auto* action = new QAction(text, this);
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    if (!tip.isEmpty()) {
        action->setToolTip(tip);
        action->setStatusTip(tip);
    }
    const QIcon icon = ToolbarIcon(id);
    if (!icon.isNull())
        action->setIcon(icon);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
    addAction(action);
    return action;
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    AddAction(Cmd::kReadDeviceMenu, "&Read Device", QKeySequence("Ctrl+R"),
              "Read the tuning data of a radio");
    AddAction(Cmd::kReadDeviceToolbar, "Read Device", {}, "Read Device");
    AddAction(Cmd::kFileOpen, "&Open...", QKeySequence("Ctrl+O"), "Open");
    AddAction(Cmd::kFileSave, "&Save", QKeySequence("Ctrl+S"), "Save");
    AddAction(Cmd::kFileSaveAs, "Save &As...", {}, "Save the data set under a new name");
    AddAction(Cmd::kWriteDevice, "&Write Device", QKeySequence("Ctrl+W"), "Write Device");
    AddAction(Cmd::kReportPrint, "&Print...", {}, "Print the tuning report");
    AddAction(Cmd::kPrint, "Print", QKeySequence("Ctrl+P"), "Print");
    AddAction(Cmd::kPrintDirect, "Print Direct");
    AddAction(Cmd::kPrintPreview, "Print Pre&view", {}, "Preview the tuning report");
    AddAction(Cmd::kPrintSetup, "P&rint Setup...", {}, "Choose the printer");
    AddAction(Cmd::kAppExit, "E&xit", {}, "Quit the application");
    // The Edit commands have no handler: shown with their keys, never enabled, so they never
    // take a key from an editor.
    AddAction(Cmd::kUndo, "&Undo\tCtrl+Z")->setEnabled(false);
    AddAction(Cmd::kCut, "Cu&t\tCtrl+X", {}, "Cut")->setEnabled(false);
    AddAction(Cmd::kCopy, "&Copy\tCtrl+C", {}, "Copy")->setEnabled(false);
    AddAction(Cmd::kPaste, "&Paste\tCtrl+V", {}, "Paste")->setEnabled(false);
    AddAction(Cmd::kRadioInfo, "Radio &Information", QKeySequence("Ctrl+Alt+I"));
    AddAction(Cmd::kRefOsc, "Reference &Oscillator", QKeySequence("Ctrl+Alt+O"));
    AddAction(Cmd::kTxPowerHigh, "Tx Power &High", QKeySequence("Ctrl+Alt+H"));
    AddAction(Cmd::kTxPowerMid, "Tx Power &Mid", QKeySequence("Ctrl+Alt+M"));
    AddAction(Cmd::kTxPowerLow, "Tx Power &Low", QKeySequence("Ctrl+Alt+L"));
    AddAction(Cmd::kCurrentLimit, "Tx &Current Limit", QKeySequence("Ctrl+Alt+C"));
    AddAction(Cmd::kDevBalance, "Tx Deviation &Balance", QKeySequence("Ctrl+Alt+B"));
    AddAction(Cmd::kDevLimit, "&Tx Deviation Limit", QKeySequence("Ctrl+Alt+T"));
    QAction* crystal = AddAction(Cmd::kCrystalTemp, "Crystal Temperature\tCtrl+Alt+X");
    crystal->setEnabled(false);
    AddAction(Cmd::kFrontEndFilter, "&Front End Filter", QKeySequence("Ctrl+Alt+F"));
    AddAction(Cmd::kBitErrorRate, "&Bit Error Rate", QKeySequence("Ctrl+Shift+B"));
    AddAction(Cmd::kTestPattern, "Transmitter &Test Pattern ", QKeySequence("Ctrl+Shift+T"));
    AddAction(Cmd::kBatteryCal, "Battery Reading Calibration", QKeySequence("Ctrl+B"));
    AddAction(Cmd::kPaBias1, "PA Bias 1");
    AddAction(Cmd::kPaBias2, "PA Bias 2");
    AddAction(Cmd::kPaBias3, "PA Bias 3");
    AddAction(Cmd::kAutoTune, "Automatic Tuning", QKeySequence("Ctrl+Shift+A"));
    AddAction(Cmd::kOptions, "&Options", QKeySequence("Ctrl+Shift+O"), "Reminder and PTT time-out");
    AddAction(Cmd::kHelpTopics, "&Help Topics", {}, "List the help topics");
    QAction* help = AddAction(Cmd::kHelp, "Help", QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    AddAction(Cmd::kAbout, "&About Tuner...", {}, "About");
}

void CMainFrame::AddActions(QWidget* target, std::initializer_list<int> ids) {
    for (int id : ids) {
        if (id != 0) {
            target->addAction(Action(id));
            continue;
        }
        auto* separator = new QAction(target);
        separator->setSeparator(true);
        target->addAction(separator);
    }
}

void CMainFrame::CreateMenus() {
    m_fileMenu = menuBar()->addMenu("&File");
    AddActions(m_fileMenu,
               {Cmd::kReadDeviceMenu, Cmd::kFileOpen, Cmd::kFileSave, Cmd::kFileSaveAs,
                Cmd::kWriteDevice, 0, Cmd::kReportPrint, Cmd::kPrintPreview, Cmd::kPrintSetup});
    m_recentSeparator = m_fileMenu->addSeparator();
    for (int i = 0; i < CAppSettings::kRecentFiles; ++i) {
        auto* recent = new QAction(this);
        recent->setVisible(false);
        connect(recent, &QAction::triggered, this, [this, recent] {
            QString path = recent->data().toString();
            if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
                m_settings.m_recentFiles.removeAll(path);
                UpdateRecentFiles();
            }
        });
        m_fileMenu->addAction(recent);
        m_recentActions.push_back(recent);
    }
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(Cmd::kAppExit));

    QMenu* edit = menuBar()->addMenu("&Edit");
    for (int id : {Cmd::kUndo, Cmd::kCut, Cmd::kCopy, Cmd::kPaste}) {
        edit->addAction(Action(id));
        if (id == Cmd::kUndo)
            edit->addSeparator();
    }

    QMenu* view = menuBar()->addMenu("&View");
    QMenu* feature = menuBar()->addMenu("Fe&ature");
    feature->addAction(Action(Cmd::kRadioInfo));
    m_txMenu = feature->addMenu("Transmitter Alignments");
    m_txMenu->addAction(Action(Cmd::kRefOsc));
    QMenu* power = m_txMenu->addMenu("Tx Power");
    power->addAction(Action(Cmd::kTxPowerHigh));
    power->addAction(Action(Cmd::kTxPowerMid));
    power->addAction(Action(Cmd::kTxPowerLow));
    m_txMenu->addAction(Action(Cmd::kCurrentLimit));
    m_txMenu->addAction(Action(Cmd::kDevBalance));
    m_txMenu->addAction(Action(Cmd::kDevLimit));
    m_txMenu->addAction(Action(Cmd::kCrystalTemp));
    m_txMenu->addAction(Action(Cmd::kPaBias1));
    m_txMenu->addAction(Action(Cmd::kPaBias2));
    m_txMenu->addAction(Action(Cmd::kPaBias3));
    QMenu* rx = feature->addMenu("Receiver Alignments");
    rx->addAction(Action(Cmd::kFrontEndFilter));
    QMenu* perf = feature->addMenu("Performance Testing");
    perf->addAction(Action(Cmd::kBitErrorRate));
    perf->addAction(Action(Cmd::kTestPattern));
    feature->addAction(Action(Cmd::kBatteryCal));

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->addAction(Action(Cmd::kOptions));

    QMenu* window = menuBar()->addMenu("&Window");
    window->addAction("&Cascade", m_mdi, &QMdiArea::cascadeSubWindows);
    window->addAction("&Tile", m_mdi, &QMdiArea::tileSubWindows);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(Action(Cmd::kHelpTopics));
    help->addSeparator();
    help->addAction(Action(Cmd::kAbout));

    for (QMenu* menu : {m_fileMenu, edit, feature, m_txMenu, power, rx, perf, tools})
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
    // The view menu is filled once the bars exist.
    connect(view, &QMenu::aboutToShow, this, [this, view] {
        view->clear();
        for (QToolBar* bar : findChildren<QToolBar*>()) view->addAction(bar->toggleViewAction());
        QAction* status = view->addAction("&Status Bar");
        status->setCheckable(true);
        status->setChecked(statusBar()->isVisible());
        connect(status, &QAction::toggled, statusBar(), &QWidget::setVisible);
    });
    UpdateRecentFiles();
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("Toolbar");
    bar->setIconSize(QSize(24, 24));
    AddActions(bar, {Cmd::kReadDeviceToolbar, Cmd::kFileOpen, Cmd::kWriteDevice, Cmd::kFileSave, 0,
                     Cmd::kCut, Cmd::kCopy, Cmd::kPaste, 0, Cmd::kPrint, 0, Cmd::kAbout});
}

void CMainFrame::CreateStatusBar() {
    statusBar()->showMessage("Ready");
    // Lit while the lock is on, grey while it is off or the platform does not tell.
    int i = 0;
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(text, this);
        pane->setObjectName(QString("pane") + text);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
        m_lockPanes[i++] = pane;
    }
    m_clockPane = new QLabel("00:00", this);
    m_clockPane->setObjectName("clockPane");
    m_clockPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_clockPane->setMinimumWidth(48);
    m_clockPane->setAlignment(Qt::AlignCenter);
    statusBar()->addPermanentWidget(m_clockPane);
}

void CMainFrame::UpdateRecentFiles() {
    const QStringList& files = m_settings.m_recentFiles;
    for (int i = 0; i < static_cast<int>(m_recentActions.size()); ++i) {
        QAction* a = m_recentActions[i];
        if (i < files.size()) {
            a->setText(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
            a->setData(files[i]);
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    m_recentSeparator->setVisible(!files.isEmpty());
}

void CMainFrame::PostCommand(int id) {
    QMetaObject::invokeMethod(this, "OnCommand", Qt::QueuedConnection, Q_ARG(int, id));
}

bool CMainFrame::IsCommandBusy() const {
    return m_nCommandDepth > 0 || QApplication::activeModalWidget() != nullptr;
}

void CMainFrame::OnCommand(int id) {
    // One command at a time: a command posted while another one talks to the radio or waits
    // in a modal box (a held Enter on a tree item) is dropped, so radio exchanges never nest.
    // Help stays available inside a command.
    if (IsCommandBusy() && id != Cmd::kHelp && id != Cmd::kHelpTopics)
        return;
    using Handler = std::function<void(CMainFrame&)>;
    auto onView = [](void (CTunerView::*method)()) {
        return [method](CMainFrame& f) {
            if (CTunerView* view = f.ActiveView())
                (view->*method)();
        };
    };
    // The Edit commands and Crystal Temperature have no handler.
    static const std::map<int, Handler> handlers = {
        {Cmd::kReadDeviceMenu, [](CMainFrame& f) { f.OnReadDevice(false); }},
        {Cmd::kReadDeviceToolbar, [](CMainFrame& f) { f.OnReadDevice(true); }},
        {Cmd::kFileNew, &CMainFrame::OnFileNew},
        {Cmd::kFileOpen, &CMainFrame::OnFileOpen},
        {Cmd::kFileSave, [](CMainFrame& f) { f.OnFileSave(false); }},
        {Cmd::kFileSaveAs, [](CMainFrame& f) { f.OnFileSave(true); }},
        {Cmd::kWriteDevice, &CMainFrame::OnWriteDevice},
        {Cmd::kReportPrint, onView(&CTunerView::OnReportPrint)},
        {Cmd::kPrint, onView(&CTunerView::OnFilePrint)},
        {Cmd::kPrintDirect, onView(&CTunerView::OnFilePrint)},
        {Cmd::kPrintPreview, onView(&CTunerView::OnFilePrintPreview)},
        {Cmd::kPrintSetup, &CMainFrame::OnPrintSetup},
        {Cmd::kOptions, &CMainFrame::OnOptions},
        {Cmd::kAbout, &CMainFrame::OnAbout},
        {Cmd::kAutoTune, &CMainFrame::OnAutoTune},
        {Cmd::kHelpTopics, [](CMainFrame&) { CHelpWindow::ShowTopic(HelpId::kIndex); }},
        {Cmd::kHelp, [](CMainFrame& f) { CHelpWindow::ShowTopic(f.CurrentHelpContext()); }},
        {Cmd::kAppExit, [](CMainFrame& f) { f.close(); }},
    };
    QPointer<CMainFrame> self(this);
    ++m_nCommandDepth;
    if (const FeatureCommand* feature = FindFeature(id)) {
        OnFeature(*feature);
    } else if (auto it = handlers.find(id); it != handlers.end()) {
        it->second(*this);
    }
    if (!self)
        return;
    --m_nCommandDepth;
    UpdateCommands();
}

int CMainFrame::CurrentHelpContext() const {
    return ActiveView() ? HelpId::kTree : HelpId::kIndex;
}

void CMainFrame::UpdateCommands() {
    UpdateClock();
    UpdateLockPanes();
    CTunerDoc* doc = GetActiveDoc();
    SetFrameTitle(doc ? QString("%1 - %2").arg(kAppTitle, QString::fromStdString(doc->GetTitle()))
                      : QString(kAppTitle));

    for (int id : {Cmd::kFileSave, Cmd::kFileSaveAs, Cmd::kReportPrint, Cmd::kPrint,
                   Cmd::kPrintDirect, Cmd::kPrintPreview})
        Action(id)->setEnabled(doc != nullptr);
    Action(Cmd::kWriteDevice)->setEnabled(doc && CanWriteDevice(*doc, m_pOpenScreen != nullptr));
    if (!doc)
        return;  // the feature items keep their state without a data set

    const auto& has = doc->m_featurePresent;
    Action(Cmd::kRefOsc)->setEnabled(has[kRefOsc]);
    Action(Cmd::kTxPowerLow)->setEnabled(has[kTxPower]);
    Action(Cmd::kDevBalance)->setEnabled(has[kDevBalance]);
    Action(Cmd::kCurrentLimit)->setEnabled(has[kCurrentLimit]);
    Action(Cmd::kDevLimit)->setEnabled(has[kDevLimit]);
    Action(Cmd::kFrontEndFilter)->setEnabled(has[kFrontEndFilter]);
    Action(Cmd::kBatteryCal)->setEnabled(has[kBatteryCal]);
    const int paIds[3] = {Cmd::kPaBias1, Cmd::kPaBias2, Cmd::kPaBias3};
    for (int i = 0; i < 3; ++i) {
        if (has[kPaBias1 + i] || m_paBiasRemoved[i])
            continue;
        m_txMenu->removeAction(Action(paIds[i]));  // removed for the rest of the run
        m_paBiasRemoved[i] = true;
    }
}

void CMainFrame::UpdateClock() {
    QTime now = QTime::currentTime();
    m_clockPane->setText(FormatClockText(now.hour(), now.minute()));
}

void CMainFrame::UpdateLockPanes() {
    const std::optional<LockKeyState> state =
        m_lockKeySource ? m_lockKeySource() : std::optional<LockKeyState>();
    const bool on[3] = {state && state->caps, state && state->num, state && state->scroll};
    for (int i = 0; i < 3; ++i)
        if (m_lockPanes[i])
            m_lockPanes[i]->setEnabled(on[i]);
}

void CMainFrame::SetFrameTitle(const QString& title) {
    m_strTitle = title;
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A maximised document window writes its own title into the frame's; the frame's title
    // stays "VEGAL 25 Tuner - <serial number>".
    if (event->type() == QEvent::WindowTitleChange && !m_strTitle.isEmpty() &&
        windowTitle() != m_strTitle)
        setWindowTitle(m_strTitle);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateLockPanes();
    }
    return QMainWindow::eventFilter(watched, event);
}

QString CMainFrame::ClockPaneText() const {
    return m_clockPane->text();
}

// ---------------------------------------------------------------------------------------------
// The hub

void CMainFrame::SetPort(const std::string& port) {
    m_strPort = port;
    m_settings.m_strPortName = port;
}

CChildFrame* CMainFrame::ActiveChild() const {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (!sub)
        sub = m_mdi->currentSubWindow();
    if (!sub) {
        // Without window activation (no focus yet) the one open data set is the active one.
        for (QMdiSubWindow* s : m_mdi->subWindowList()) {
            auto* child = qobject_cast<CChildFrame*>(s);
            if (child && child->Document())
                return child;
        }
        return nullptr;
    }
    auto* child = qobject_cast<CChildFrame*>(sub);
    return child && child->Document() ? child : nullptr;
}

CTunerDoc* CMainFrame::GetActiveDoc() const {
    CChildFrame* child = ActiveChild();
    return child ? child->Document() : nullptr;
}

CTunerView* CMainFrame::ActiveView() const {
    CChildFrame* child = ActiveChild();
    return child ? child->View() : nullptr;
}

int CMainFrame::CheckOpenScreen(const std::string& name) {
    if (!m_pOpenScreen)
        return 0;
    if (Lower(m_pOpenScreen->windowTitle().toStdString()) == Lower(name)) {
        ShowScreen();
    } else {
        m_host.ShowMessage(kOneScreen, MsgIcon::None, MsgButtons::Ok);
    }
    return 1;
}

void CMainFrame::ShowScreen() {
    QWidget* screen = m_pOpenScreen.data();
    if (!screen)
        return;
    screen->show();
    screen->adjustSize();
    screen->move(frameGeometry().center() - screen->rect().center());
    screen->raise();
    screen->activateWindow();
}

void CMainFrame::OpenScreen(QWidget* screen) {
    if (!screen)
        return;
    m_pOpenScreen = screen;
    m_screens.emplace_back(screen);
    connect(screen, &QObject::destroyed, this, [this](QObject* obj) { OnScreenDestroyed(obj); });
    ShowScreen();
}

void CMainFrame::OnScreenDestroyed(QObject* screen) {
    std::erase_if(m_screens, [screen](const QPointer<QWidget>& p) {
        return p.isNull() || static_cast<QObject*>(p.data()) == screen;
    });
    if (m_pOpenScreen.isNull() || static_cast<QObject*>(m_pOpenScreen.data()) == screen) {
        // A screen that the automatic tuning replaced takes the place back when that closes.
        m_pOpenScreen = m_screens.empty() ? nullptr : m_screens.back().data();
    }
    UpdateCommands();
}

void CMainFrame::DestroyOpenScreen() {
    std::vector<QPointer<QWidget>> screens;
    screens.swap(m_screens);
    if (m_pOpenScreen)
        screens.emplace_back(m_pOpenScreen);
    m_pOpenScreen = nullptr;
    // Newest first: the automatic tuning dialog stops before the tuning screen it drives.
    for (auto it = screens.rbegin(); it != screens.rend(); ++it) {
        QPointer<QWidget>& screen = *it;
        if (!screen)
            continue;
        if (auto* feature = dynamic_cast<IFeatureScreen*>(screen.data()))
            feature->CloseForDataSet();
        if (!screen)
            continue;
        screen->disconnect(this);
        if (auto* feature = qobject_cast<CFeatureScreen*>(screen.data()))
            feature->Destroy();  // after a modal dialog of its own has returned, if one runs
        else
            delete screen.data();
    }
}

std::string CMainFrame::OpenScreenTitle() const {
    return m_pOpenScreen ? m_pOpenScreen->windowTitle().toStdString() : std::string();
}

void CMainFrame::ClearOpenScreen(QWidget* screen) {
    if (m_pOpenScreen == screen)
        m_pOpenScreen = nullptr;
}

int CMainFrame::ReminderOff() const {
    return m_settings.m_nReminderOff;
}

int CMainFrame::PttTimeOutOn() const {
    return m_settings.m_nPTTTimeOutOn;
}

std::string CMainFrame::ResolvePort(const std::string& portName) const {
    return m_settings.m_portMap.Resolve(portName);
}

int CMainFrame::ExecDialog(QDialog& dialog) {
    return m_dialogs.Exec(dialog);
}

void CMainFrame::ShowHelp(int context) {
    CHelpWindow::ShowTopic(context);  // above the modal dialog that asks, when one is open
}

void CMainFrame::CloseDocument(CTunerDoc* doc) {
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(sub);
        if (child && child->Document() == doc) {
            child->CloseDocument();
            return;
        }
    }
}

void CMainFrame::OnDocumentClosed(CChildFrame*) {
    UpdateCommands();
}

// ---------------------------------------------------------------------------------------------
// Reading, opening, saving and writing

void CMainFrame::OnReadDevice(bool toolbar) {
    if (m_bDataOpen) {
        m_host.ShowMessage(kCloseCurrent, MsgIcon::None, MsgButtons::Ok);
        return;
    }
    if (toolbar && !m_settings.m_strPortName.empty()) {
        SetPort(m_settings.m_strPortName);
    } else {
        CSelectPortDlg dialog(BuildPortCandidates(m_deviceEnumerator(), m_settings.m_portMap,
                                                  m_settings.m_portLabels),
                              m_settings.m_strPortName, this);
        if (m_dialogs.Exec(dialog) != QDialog::Accepted)
            return;
        const std::string port = dialog.SelectedPort();
        if (port.empty())
            return;
        SetPort(port);
    }
    CSplashWnd::ShowSplashScreen(this);
    OnFileNew();
    CSplashWnd::CloseSplash();  // the read is over
}

void CMainFrame::OnFileNew() {
    auto doc = std::make_unique<CTunerDoc>(m_host, *this, m_factory);
    const std::string device = m_settings.m_portMap.Resolve(m_strPort);
    statusBar()->showMessage(
        QString("Reading the radio on %1 (%2)...")
            .arg(QString::fromStdString(m_strPort), QString::fromStdString(device)));
    if (!OnNewDocument(*doc)) {
        doc->DeleteContents();
        statusBar()->showMessage("Ready");
        return;
    }
    ShowDocument(std::move(doc));
    statusBar()->showMessage("Ready");
}

CChildFrame* CMainFrame::ShowDocument(std::unique_ptr<CTunerDoc> doc) {
    doc->SetTitle({});
    auto* child = new CChildFrame(std::move(doc), *this);
    m_mdi->addSubWindow(child);
    child->show();
    m_mdi->setActiveSubWindow(child);
    child->View()->setFocus();
    UpdateCommands();
    return child;
}

void CMainFrame::OnFileOpen() {
    QString path = m_dialogs.GetOpenFileName(this, "Open", kFileFilter);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    auto doc = std::make_unique<CTunerDoc>(m_host, *this, m_factory);
    const bool hadData = m_bDataOpen;
    if (!TunFile::OpenDocument(*doc, path.toStdString())) {
        // A file refused after the data-open flag was set leaves no data set behind.
        if (!hadData && !GetActiveDoc())
            m_bDataOpen = false;
        return false;
    }
    ShowDocument(std::move(doc));
    m_settings.AddRecentFile(QFileInfo(path).absoluteFilePath());
    UpdateRecentFiles();
    UpdateCommands();
    return true;
}

void CMainFrame::OnFileSave(bool saveAs) {
    CTunerDoc* doc = GetActiveDoc();
    if (!doc)
        return;
    QString path = QString::fromStdString(doc->m_filePath);
    if (saveAs || path.isEmpty()) {
        QString suggested =
            path.isEmpty() ? QString::fromStdString(doc->GetTitle()) + ".tun" : path;
        path = m_dialogs.GetSaveFileName(this, "Save As", suggested, kFileFilter);
        if (path.isEmpty())
            return;
        // Only names ending in "tun" can be opened again.
        if (!path.endsWith("tun"))
            path += ".tun";
    }
    std::string error;
    if (!TunFile::Save(*doc, path.toStdString(), error)) {
        m_host.ShowMessage("Could not save " + path.toStdString() + ": " + error, MsgIcon::Stop,
                           MsgButtons::Ok);
        return;
    }
    doc->m_filePath = path.toStdString();
    m_settings.AddRecentFile(QFileInfo(path).absoluteFilePath());
    UpdateRecentFiles();
    statusBar()->showMessage(QString("Saved %1").arg(QDir::toNativeSeparators(path)), 5000);
}

void CMainFrame::OnWriteDevice() {
    CTunerDoc* doc = GetActiveDoc();
    if (!doc || !CanWriteDevice(*doc, m_pOpenScreen != nullptr))
        return;
    SetPort(m_settings.m_strPortName);
    ::OnWriteDevice(*doc);
}

void CMainFrame::OnPrintSetup() {
    m_printer.PrintSetup(this);
}

void CMainFrame::OnOptions() {
    COptionsDlg dialog(m_settings, this);
    if (m_dialogs.Exec(dialog) == QDialog::Accepted)
        dialog.Apply(m_settings);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    m_dialogs.Exec(dialog);
}

// ---------------------------------------------------------------------------------------------
// Feature commands

void CMainFrame::OnFeature(const FeatureCommand& feature) {
    if (feature.kind == FeatureCommand::RadioInfo) {
        CTunerDoc* doc = GetActiveDoc();
        if (!doc || CheckOpenScreen(feature.name))
            return;
        OpenScreen(new CRadInfoDlg(*doc, this));
        return;
    }
    SetPort(m_settings.m_strPortName);
    CTunerDoc* doc = GetActiveDoc();
    if (!doc)
        return;
    if (doc->m_loadedFromFile && !doc->m_componentOpen && Reconnect(*doc) < 0)
        return;
    if (MatchRadio(*doc) < 0)
        return;
    if (CheckOpenScreen(feature.name))
        return;

    const bool named =
        feature.kind == FeatureCommand::Tuning || feature.kind == FeatureCommand::PaBias;
    if (named)
        m_strFeatureName = feature.name;
    QWidget* screen = nullptr;
    if (ScreenMaker maker = CScreenFactory::Instance().Find(feature.id)) {
        screen = maker(ScreenRequest{*this, *doc, feature.id, feature.name});
        if (!screen)
            return;
    } else {
        screen = new CPlaceholderScreen(feature.name, this);
    }
    if (named)
        screen->setWindowTitle(feature.name);
    OpenScreen(screen);
}

QWidget* CMainFrame::OpenFeatureFor(QWidget* caller, int commandId) {
    const FeatureCommand* feature = FindFeature(commandId);
    if (!feature)
        return nullptr;
    // The caller stays the open screen; the new one is recorded beside it, as a tuning screen
    // is when the Automatic Tuning dialog opens over it.
    QPointer<QWidget> keep = m_pOpenScreen;
    const bool callerOpen = caller && m_pOpenScreen == caller;
    if (callerOpen)
        m_pOpenScreen = nullptr;
    OnFeature(*feature);
    QWidget* opened = m_pOpenScreen != keep ? m_pOpenScreen.data() : nullptr;
    if (callerOpen)
        m_pOpenScreen = keep;
    return opened;
}

void CMainFrame::PreviewReport(const std::vector<std::string>& lines, const std::string& title) {
    m_printer.PreviewLines(lines, QString::fromStdString(title), this);
}

void CMainFrame::PreviewSheet(const CAlignmentReport& report, const std::string& title) {
    m_printer.PreviewSheet(report, QString::fromStdString(title), this);
}

void CMainFrame::OnAutoTune() {
    CTunerDoc* doc = GetActiveDoc();
    if (!doc || !QFile::exists(QDir::current().filePath("Autotune.hlp")))
        return;
    for (const QPointer<QWidget>& open : m_screens) {
        if (open && open->windowTitle() == kAutoTuneTitle) {
            // One dialog drives the tuning screens: the open one comes forward.
            open->show();
            open->raise();
            open->activateWindow();
            return;
        }
    }
    QWidget* screen = nullptr;
    if (ScreenMaker maker = CScreenFactory::Instance().Find(Cmd::kAutoTune))
        screen = maker(ScreenRequest{*this, *doc, Cmd::kAutoTune, kAutoTuneTitle});
    else
        screen = new CPlaceholderScreen(kAutoTuneTitle, this);
    OpenScreen(screen);  // replaces the open screen; the tuning screen stays recorded
}

// ---------------------------------------------------------------------------------------------
// Placement and closing

void CMainFrame::RestoreWindowPlacement(QSettings& settings) {
    settings.beginGroup(CAppSettings::kSection);
    if (settings.contains("Bottom")) {
        int left = settings.value("Left", 0).toInt();
        int top = settings.value("Top", 0).toInt();
        int right = settings.value("Right", 1045).toInt();
        int bottom = settings.value("Bottom", 860).toInt();
        if (right - left >= 200 && bottom - top >= 150) {
            setWindowState(Qt::WindowNoState);  // never restored maximised or minimised
            move(left, top);
            resize(right - left, bottom - top);
        }
    }
    settings.endGroup();
}

void CMainFrame::SaveWindowPlacement(QSettings& settings) const {
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : QRect(pos(), size());
    const QPoint maxPos = screen() ? screen()->availableGeometry().topLeft() : QPoint();
    const int showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    settings.beginGroup(CAppSettings::kSection);
    settings.setValue("Maxx", maxPos.x());
    settings.setValue("Maxy", maxPos.y());
    settings.setValue("ShowCmd", showCmd);
    settings.setValue("Right", normal.left() + normal.width());
    settings.setValue("Bottom", normal.top() + normal.height());
    settings.setValue("Top", normal.top());
    settings.setValue("Left", normal.left());
    settings.endGroup();
    settings.sync();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (OpenFilesFromDesktop(paths))
        event->acceptProposedAction();
}

bool CMainFrame::OpenFilesFromDesktop(const QStringList& paths) {
    if (paths.isEmpty() || IsCommandBusy())
        return false;
    activateWindow();
    // Each file as File Open would take it: a second one meets the one-data-set rule.
    QPointer<CMainFrame> self(this);
    ++m_nCommandDepth;
    for (const QString& path : paths) {
        OpenDocumentFile(path);
        if (!self)
            return true;
    }
    --m_nCommandDepth;
    UpdateCommands();
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    CHelpWindow::CloseHelp();  // the program ends with its main window
    if (auto store = m_placementStore())
        SaveWindowPlacement(*store);
    // Work under way ends first, newest screen first, while its data set is still there: an
    // automatic tuning job has its last calls (the dekey among them) served.
    const std::vector<QPointer<QWidget>> screens = m_screens;
    for (auto it = screens.rbegin(); it != screens.rend(); ++it)
        if (auto* feature = dynamic_cast<IFeatureScreen*>(it->data()))
            feature->StopWork();
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            child->CloseDocument();
    DestroyOpenScreen();
    event->accept();
}
