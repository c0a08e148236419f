#include "app/SplashWnd.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEvent>
#include <QtCore/QThread>
#include <QtGui/QPainter>
#include <QtGui/QWindow>

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
    splash->WaitUntilPainted();
    splash->m_timer.start(1000, splash);
}

void CSplashWnd::WaitUntilPainted() {
    // Mapping is asynchronous: a window painted before the window system has exposed it
    // stays blank. No input is taken meanwhile.
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (windowHandle() && windowHandle()->isExposed())
            break;
        QThread::msleep(10);
    }
    repaint();
}

void CSplashWnd::CloseSplash() {
    CSplashWnd* splash = s_current.data();
    if (!splash)
        return;
    splash->m_timer.stop();
    s_current = nullptr;
    QWidget* parent = splash->parentWidget();
    splash->close();
    if (parent)
        parent->update();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_image);
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId())
        return;
    CloseSplash();
}
