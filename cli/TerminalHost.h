#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "radio/Host.h"

/// IHost for the command-line tool: messages go to the error stream with their exact texts,
/// questions are answered from the input when it is a terminal (otherwise the default button
/// is taken), the clock and sleep are real, and progress shows only on a terminal.
class CTerminalHost : public IHost {
public:
    /// err receives messages and progress; in answers questions when interactive is set.
    CTerminalHost(std::ostream& err, std::istream& in, bool interactive, bool showProgress);
    /// Standard error and input; interactive and progress follow whether they are terminals.
    CTerminalHost();

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

private:
    std::ostream& m_err;
    std::istream& m_in;
    bool m_interactive;
    bool m_showProgress;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};
