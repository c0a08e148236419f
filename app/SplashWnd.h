#pragma once

#include <QtCore/QBasicTimer>
#include <QtCore/QPointer>
#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

/// The borderless window shown while a radio is read: the 515 x 314 splash image, centred
/// over the main frame. It is painted before the read starts (the read keeps the
/// user-interface thread busy, so nothing would paint it later) and goes when the read ends,
/// or when a message box comes up during the read, or at the first one-second tick.
class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    /// Shows the splash over the parent unless disabled or already showing.
    static void ShowSplashScreen(QWidget* parent);
    /// Takes the splash window down now (the read is over, or a message box needs the place).
    static void CloseSplash();
    /// The one splash window that exists, or null.
    static CSplashWnd* Current() { return s_current.data(); }
    /// Global switch; off for the embedding and automation start-ups.
    static bool s_enabled;

protected:
    void paintEvent(QPaintEvent*) override;
    void timerEvent(QTimerEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);
    /// Lets the window system map the window, then paints it (at most a second's wait).
    void WaitUntilPainted();

    QPixmap m_image;
    QBasicTimer m_timer;
    static QPointer<CSplashWnd> s_current;
};
