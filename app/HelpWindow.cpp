#include "app/HelpWindow.h"

#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QVBoxLayout>

namespace {
QPointer<CHelpWindow> g_help;
}

CHelpWindow::CHelpWindow() : QWidget(nullptr, Qt::Window), m_browser(new QTextBrowser(this)) {
    setWindowTitle("VEGAL 25 Tuner Help");
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setSearchPaths({":/help"});
    m_browser->setOpenLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(560, 460);
}

QString CHelpWindow::PageFor(int context) {
    QString page = QString(":/help/%1.html").arg(context);
    return QFile::exists(page) ? page : QString(":/help/index.html");
}

void CHelpWindow::Show(int context) {
    m_page = PageFor(context);
    m_browser->setSource(QUrl("qrc" + m_page));
    show();
    raise();
    activateWindow();
}

void CHelpWindow::ShowTopic(int context) {
    if (!g_help)
        g_help = new CHelpWindow;
    g_help->Show(context);
}

CHelpWindow* CHelpWindow::Instance() {
    return g_help.data();
}
