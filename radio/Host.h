#pragma once

#include <cstdint>
#include <string>

/// Icons a message box can carry.
enum class MsgIcon { None, Stop, Question, Exclamation, Information };

/// Button sets a message box can offer.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };

/// The button the user chose.
enum class MsgResult { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

/// The answer that gives up: the one a box gives when it is closed without a choice (Escape,
/// its close button) or cannot be asked (the program is stopping, its window is gone): Abort,
/// Cancel or No where the box offers one, else Ok.
inline MsgResult CancellingAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::OkCancel:
        case MsgButtons::RetryCancel:
        case MsgButtons::YesNoCancel:
            return MsgResult::Cancel;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::Ok:
            break;
    }
    return MsgResult::Ok;
}

/// The one seam between the plain C++ core and the world around it.
///
/// Every message box, wait cursor, clock read and sleep of the core goes through this
/// interface: the GUI implements it with Qt, the command-line tool with the terminal and
/// the tests with a recorder that answers questions from a script and advances a fake clock.
class IHost {
public:
    virtual ~IHost() = default;

    /// Shows a message and returns the button chosen (Ok for a plain box).
    virtual MsgResult ShowMessage(const std::string& text, MsgIcon icon = MsgIcon::None,
                                  MsgButtons buttons = MsgButtons::Ok) = 0;

    /// Shows the wait cursor; calls nest, each Begin matched by one End.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    /// Milliseconds since an arbitrary start, wrapping at 2^32 (timeGetTime).
    virtual std::uint32_t TimeGetTime() = 0;

    /// Blocks the calling thread for the given milliseconds (a fake clock just advances).
    virtual void Sleep(std::uint32_t ms) = 0;

    /// Folder of the program's executable, without a trailing separator; empty if unknown.
    virtual std::string ExecutableFolder() = 0;

    /// Whether a file exists at this exact path.
    virtual bool FileExists(const std::string& path) = 0;

    /// Progress text of a long operation (the CLI prints it on a terminal); may be ignored.
    virtual void Progress(const std::string& /*text*/) {}
};

/// Shows the wait cursor for the lifetime of the guard.
class CWaitCursor {
public:
    explicit CWaitCursor(IHost& host) : m_host(host) { m_host.BeginWaitCursor(); }
    ~CWaitCursor() { m_host.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    IHost& m_host;
};
