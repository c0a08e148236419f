#pragma once

#include <QtCore/QBasicTimer>
#include <QtCore/QPointer>
#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

/// The borderless window shown while a radio is read: the 515 x 314 splash image, centred
/// over the main frame. It closes itself at the first one-second tick after it appeared; as
/// the read keeps the user-interface thread busy, that is the first tick after the read.
class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    /// Shows the splash over the parent unless disabled or already showing.
    static void ShowSplashScreen(QWidget* parent);
    /// The one splash window that exists, or null.
    static CSplashWnd* Current() { return s_current.data(); }
    /// Global switch; off for the embedding and automation start-ups.
    static bool s_enabled;

protected:
    void paintEvent(QPaintEvent*) override;
    void timerEvent(QTimerEvent* event) override;

private:
    explicit CSplashWnd(QWidget* parent);

    QPixmap m_image;
    QBasicTimer m_timer;
    static QPointer<CSplashWnd> s_current;
};
