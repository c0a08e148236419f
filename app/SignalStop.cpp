#include "app/SignalStop.h"

#include <fcntl.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QSocketNotifier>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's ends; the write end is all the handler uses.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_stopping{false};

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

/// Ends the modal dialogs and popup menus that are open: their exec returns with their
/// cancelling answer.
void EndOpenModals() {
    while (QWidget* popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog->isVisible() && dialog->isModal())
            dialog->done(QDialog::Rejected);
    }
}

}  // namespace

CSignalStop::CSignalStop(QObject* parent) : QObject(parent) {}

CSignalStop::~CSignalStop() {
    if (!m_installed)
        return;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &m_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_stopping = false;
}

bool CSignalStop::Stopping() {
    return g_stopping;
}

bool CSignalStop::Install(std::string& error) {
    if (m_installed)
        return true;
    if (g_pipe[0] >= 0) {
        error = "another stop-signal watch is installed";
        return false;
    }
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot make the signal pipe: ") + std::strerror(errno);
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CSignalStop::OnReadable);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &m_previous[i]);
    m_installed = true;
    return true;
}

void CSignalStop::OnReadable() {
    unsigned char number = 0;
    int first = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (first == 0)
            first = number;
    }
    if (first == 0 || m_signal != 0)
        return;  // the stop is under way already
    m_signal = first;
    g_stopping = true;
    EndOpenModals();
    QCoreApplication::exit(ExitStatus(0));  // every loop, nested ones included
    emit Stopped(m_signal);
}

int CSignalStop::CloseAfterLoop(QWidget& mainWindow, int rc) {
    if (m_signal == 0)
        return rc;
    std::fprintf(stderr, "vegal-tuner: %s: closing\n", ::strsignal(m_signal));
    mainWindow.close();
    return ExitStatus(rc);
}
