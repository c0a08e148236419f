#include "app/SplashWnd.h"

#include <QtCore/QEvent>
#include <QtGui/QPainter>

bool CSplashWnd::s_enabled = true;
QPointer<CSplashWnd> CSplashWnd::s_current;

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_image(":/images/splash.png") {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_image.size());
}

void CSplashWnd::ShowSplashScreen(QWidget* parent) {
    if (!s_enabled || s_current)
        return;
    auto* splash = new CSplashWnd(parent);
    if (splash->m_image.isNull()) {
        delete splash;
        return;
    }
    s_current = splash;
    if (parent) {
        QRect frame = parent->frameGeometry();
        splash->move(frame.center() - splash->rect().center());
    }
    splash->show();
    splash->repaint();
    splash->m_timer.start(1000, splash);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_image);
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return;
    m_timer.stop();
    s_current = nullptr;
    if (parentWidget())
        parentWidget()->update();
    close();
}
