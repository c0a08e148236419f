#pragma once

#include <QtCore/QObject>

#include <csignal>
#include <string>

class QSocketNotifier;
class QWidget;

/// Stops the program when the desktop or the terminal asks it to: SIGTERM, SIGHUP (the
/// desktop logging out) and SIGINT (Ctrl+C). The handler touches nothing of Qt: it writes the
/// signal's number into a pipe. On the user-interface thread a socket notifier reads it; from
/// then on modal dialogs and message boxes are no longer shown (the dialog runner and the host
/// give their cancelling answer at once), the ones open are ended, and every event loop is
/// left, so that whatever ran unwinds out of QApplication::exec. The program then closes its
/// main window as the close box does (the screens stop their work first, an automatic tuning
/// job with its last calls served; the documents leave test mode and close their links) and exits
/// with 128 plus the signal's number.
///
/// One instance at a time; its destructor puts the previous handlers back.
class CSignalStop : public QObject {
    Q_OBJECT
public:
    explicit CSignalStop(QObject* parent = nullptr);
    ~CSignalStop() override;

    /// Installs the handlers and the notifier; false with the reason when it could not.
    bool Install(std::string& error);

    /// The signal that asked the program to stop; 0 while none has.
    int Signal() const { return m_signal; }
    /// The program's exit status: 128 plus the signal when one stopped it, else rc.
    int ExitStatus(int rc) const { return m_signal != 0 ? 128 + m_signal : rc; }
    /// After QApplication::exec has returned with rc: when a signal stopped the program,
    /// closes the main window as its close box does (nothing runs under it any more) and says
    /// so on the terminal. Returns the exit status.
    int CloseAfterLoop(QWidget& mainWindow, int rc);
    /// A stop signal has arrived: no modal dialog is shown any more.
    static bool Stopping();

signals:
    /// The first stop signal arrived (later ones are ignored: the stop is under way).
    void Stopped(int signal);

private:
    void OnReadable();

    QSocketNotifier* m_notifier = nullptr;
    int m_signal = 0;
    bool m_installed = false;
    struct sigaction m_previous[3] = {};
};
