#include "app/QtHost.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFileInfo>
#include <QtCore/QThread>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QStatusBar>

#include <cstdio>

#include "app/SignalStop.h"
#include "app/SplashWnd.h"

namespace {

bool OnGuiThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Stop:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case MsgButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgResult FromQt(int button, MsgButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return MsgResult::Ok;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        case QMessageBox::Abort:
            return MsgResult::Abort;
        case QMessageBox::Retry:
            return MsgResult::Retry;
        case QMessageBox::Ignore:
            return MsgResult::Ignore;
        default:
            break;
    }
    // Closed with Escape or the window's close button: the box's cancelling answer.
    return CancellingAnswer(buttons);
}

}  // namespace

CQtHost::CQtHost() : m_clockBase(1000) {
    m_clock.start();
}

MsgResult CQtHost::ShowOnGuiThread(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    if (CSignalStop::Stopping()) {
        // The program is stopping: the message goes to the terminal, the answer is the box's
        // cancelling one.
        std::fprintf(stderr, "vegal-tuner: %s\n", text.c_str());
        return FromQt(QMessageBox::NoButton, buttons);
    }
    CSplashWnd::CloseSplash();                         // it stays on top and would hide the box
    QApplication::setOverrideCursor(Qt::ArrowCursor);  // a box under the wait cursor
    QMessageBox box(ToQt(icon), QString::fromLatin1(kTitle), QString::fromStdString(text),
                    ToQt(buttons), m_parent.data());
    int result = box.exec();
    QApplication::restoreOverrideCursor();
    return FromQt(result, buttons);
}

MsgResult CQtHost::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    if (OnGuiThread())
        return ShowOnGuiThread(text, icon, buttons);
    MsgResult result = MsgResult::Cancel;
    QObject* target = m_parent ? static_cast<QObject*>(m_parent.data())
                               : static_cast<QObject*>(QCoreApplication::instance());
    if (!target)
        return result;
    QMetaObject::invokeMethod(
        target, [&] { result = ShowOnGuiThread(text, icon, buttons); },
        Qt::BlockingQueuedConnection);
    return result;
}

void CQtHost::BeginWaitCursor() {
    if (OnGuiThread())
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtHost::EndWaitCursor() {
    if (OnGuiThread() && QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

std::uint32_t CQtHost::TimeGetTime() {
    return m_clockBase + static_cast<std::uint32_t>(m_clock.elapsed());
}

void CQtHost::Sleep(std::uint32_t ms) {
    if (!OnGuiThread()) {
        QThread::msleep(ms);
        return;
    }
    // The user-interface thread keeps serving the window system while it waits (a bit error
    // rate test waits up to 92 s): windows repaint when uncovered or moved and answer the
    // desktop's are-you-alive pings, so nothing is reported as hung. Input, the close box and
    // timers stay queued until the operation is over, so nothing else starts meanwhile.
    constexpr auto kFlags = QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers;
    QElapsedTimer waited;
    waited.start();
    while (true) {
        QCoreApplication::processEvents(kFlags);
        qint64 left = static_cast<qint64>(ms) - waited.elapsed();
        if (left <= 0)
            break;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 20)));
    }
}

std::string CQtHost::ExecutableFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

bool CQtHost::FileExists(const std::string& path) {
    QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

void CQtHost::Progress(const std::string& text) {
    if (!OnGuiThread())
        return;
    if (auto* frame = qobject_cast<QMainWindow*>(m_parent.data()))
        frame->statusBar()->showMessage(QString::fromStdString(text), 3000);
}
