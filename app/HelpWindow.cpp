#include "app/HelpWindow.h"

#include <QtCore/QEvent>
#include <QtCore/QFile>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

namespace {
QPointer<CHelpWindow> g_help;

QIcon NavigationIcon(const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(themeName, QApplication::style()->standardIcon(fallback));
}
}  // namespace

QPointer<QWidget> CHelpWindow::s_mainWindow;

CHelpWindow::CHelpWindow()
    : QWidget(s_mainWindow.data(), Qt::Window), m_browser(new QTextBrowser(this)) {
    setObjectName("HelpWindow");
    setWindowTitle("VEGAL 25 Tuner Help");
    setWindowIcon(QIcon(":/images/vegal-tuner.png"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setSearchPaths({":/help"});
    m_browser->setOpenLinks(true);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(NavigationIcon("go-previous", QStyle::SP_ArrowBack), "&Back");
    m_back->setShortcut(QKeySequence::Back);
    m_back->setEnabled(false);
    m_forward = bar->addAction(NavigationIcon("go-next", QStyle::SP_ArrowForward), "&Forward");
    m_forward->setShortcut(QKeySequence::Forward);
    m_forward->setEnabled(false);
    QAction* contents =
        bar->addAction(NavigationIcon("go-home", QStyle::SP_DirHomeIcon), "&Contents");
    connect(m_back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(contents, &QAction::triggered, this,
            [this] { m_browser->setSource(QUrl("qrc" + PageFor(0))); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() || title == "VEGAL 25 Tuner Help"
                           ? QString("VEGAL 25 Tuner Help")
                           : QString("VEGAL 25 Tuner Help - %1").arg(title));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);
    resize(600, 480);
}

QString CHelpWindow::PageFor(int context) {
    QString page = QString(":/help/%1.html").arg(context);
    return QFile::exists(page) ? page : QString(":/help/index.html");
}

QString CHelpWindow::CurrentPage() const {
    const QUrl source = m_browser->source();
    return source.scheme() == "qrc" ? ":" + source.path() : source.toString();
}

void CHelpWindow::AttachTo(QWidget* owner) {
    if (parentWidget() == owner)
        return;
    const bool shown = isVisible();
    const QRect place = geometry();
    setParent(owner, Qt::Window);
    if (shown) {
        setGeometry(place);
        show();
    }
}

void CHelpWindow::Show(int context) {
    // A modal dialog blocks every window but its own: help asked for while one is open
    // belongs to it until it closes.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this)
        modal = nullptr;
    if (m_modalOwner && m_modalOwner != modal)
        m_modalOwner->removeEventFilter(this);
    m_modalOwner = modal;
    if (modal)
        modal->installEventFilter(this);
    AttachTo(modal ? modal : s_mainWindow.data());

    m_browser->setSource(QUrl("qrc" + PageFor(context)));
    if (!m_placed && s_mainWindow) {
        // First time: beside the main window's right edge, inside its screen.
        m_placed = true;
        const QRect frame = s_mainWindow->frameGeometry();
        QRect place(QPoint(frame.right() - width() - 24, frame.top() + 96), size());
        if (const QScreen* screen = s_mainWindow->screen()) {
            const QRect area = screen->availableGeometry();
            place.moveRight(std::min(place.right(), area.right()));
            place.moveBottom(std::min(place.bottom(), area.bottom()));
            place.moveLeft(std::max(place.left(), area.left()));
            place.moveTop(std::max(place.top(), area.top()));
        }
        move(place.topLeft());
    }
    show();
    raise();
    activateWindow();
}

bool CHelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_modalOwner &&
        (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
        // The dialog goes: back to the main window, still open.
        m_modalOwner->removeEventFilter(this);
        m_modalOwner = nullptr;
        const QRect place = geometry();
        setParent(s_mainWindow.data(), Qt::Window);
        setGeometry(place);
        show();
    }
    return QWidget::eventFilter(watched, event);
}

void CHelpWindow::ShowTopic(int context) {
    if (!g_help)
        g_help = new CHelpWindow;
    g_help->Show(context);
}

CHelpWindow* CHelpWindow::Instance() {
    return g_help.data();
}

void CHelpWindow::SetMainWindow(QWidget* window) {
    s_mainWindow = window;
}

void CHelpWindow::CloseHelp() {
    if (g_help) {
        g_help->close();
        delete g_help.data();
    }
}
