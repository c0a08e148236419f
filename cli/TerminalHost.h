#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "radio/Host.h"

class CStopSignal;

/// IHost for the command-line tool: messages go to the error stream with their exact texts,
/// questions are answered from the input when it is a terminal (otherwise the default button
/// is taken), the clock and sleep are real, and progress shows only on a terminal. Once a
/// stop was asked for (SetStop), sleeps end at once and questions take the answer that gives
/// up (StopAnswer), also one that is waiting for its line.
class CTerminalHost : public IHost {
public:
    /// err receives messages and progress; in answers questions when interactive is set.
    CTerminalHost(std::ostream& err, std::istream& in, bool interactive, bool showProgress);
    /// The same with the answers read from a file descriptor (a terminal), so that the wait
    /// for an answer can end on a stop.
    CTerminalHost(std::ostream& err, int inFd, bool interactive, bool showProgress);
    /// Standard error and input; interactive and progress follow whether they are terminals.
    CTerminalHost();

    /// The stop that cuts sleeps and questions short (null: none).
    void SetStop(CStopSignal* stop) { m_stop = stop; }

    MsgResult ShowMessage(const std::string& text, MsgIcon icon = MsgIcon::None,
                          MsgButtons buttons = MsgButtons::Ok) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::uint32_t TimeGetTime() override;
    void Sleep(std::uint32_t ms) override;
    std::string ExecutableFolder() override;
    bool FileExists(const std::string& path) override;
    void Progress(const std::string& text) override;

    /// The button a message box takes when nobody answers: its first one.
    static MsgResult DefaultAnswer(MsgButtons buttons);
    /// The button a message box takes after a stop: the one that gives up (Abort, Cancel, No).
    static MsgResult StopAnswer(MsgButtons buttons);

private:
    enum class LineRead { Line, End, Stopped };
    LineRead ReadLine(std::string& line);
    bool Stopping() const;

    std::ostream& m_err;
    std::istream* m_in = nullptr;
    int m_inFd = -1;
    std::string m_pending;  ///< input read from m_inFd after the last line
    bool m_interactive;
    bool m_showProgress;
    CStopSignal* m_stop = nullptr;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};
