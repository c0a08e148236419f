#include "TerminalHost.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <iostream>
#include <thread>
#include <utility>
#include <vector>

#include "StopSignal.h"

namespace {

/// How often a wait for an answer looks at the stop.
constexpr int kStopPollMs = 100;

/// The answers a button set offers, each with the letter that picks it.
std::vector<std::pair<char, MsgResult>> Choices(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return {{'o', MsgResult::Ok}};
        case MsgButtons::OkCancel:
            return {{'o', MsgResult::Ok}, {'c', MsgResult::Cancel}};
        case MsgButtons::YesNo:
            return {{'y', MsgResult::Yes}, {'n', MsgResult::No}};
        case MsgButtons::YesNoCancel:
            return {{'y', MsgResult::Yes}, {'n', MsgResult::No}, {'c', MsgResult::Cancel}};
        case MsgButtons::AbortRetryIgnore:
            return {{'a', MsgResult::Abort}, {'r', MsgResult::Retry}, {'i', MsgResult::Ignore}};
        case MsgButtons::RetryCancel:
            return {{'r', MsgResult::Retry}, {'c', MsgResult::Cancel}};
    }
    return {{'o', MsgResult::Ok}};
}

const char* Prompt(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OkCancel:
            return "[O]K / [C]ancel? ";
        case MsgButtons::YesNo:
            return "[Y]es / [N]o? ";
        case MsgButtons::YesNoCancel:
            return "[Y]es / [N]o / [C]ancel? ";
        case MsgButtons::AbortRetryIgnore:
            return "[A]bort / [R]etry / [I]gnore? ";
        case MsgButtons::RetryCancel:
            return "[R]etry / [C]ancel? ";
        case MsgButtons::Ok:
            break;
    }
    return "";
}

}  // namespace

CTerminalHost::CTerminalHost(std::ostream& err, std::istream& in, bool interactive,
                             bool showProgress)
    : m_err(err), m_in(&in), m_interactive(interactive), m_showProgress(showProgress) {}

CTerminalHost::CTerminalHost(std::ostream& err, int inFd, bool interactive, bool showProgress)
    : m_err(err), m_inFd(inFd), m_interactive(interactive), m_showProgress(showProgress) {}

CTerminalHost::CTerminalHost()
    : CTerminalHost(std::cerr, STDIN_FILENO, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO),
                    ::isatty(STDERR_FILENO)) {}

MsgResult CTerminalHost::DefaultAnswer(MsgButtons buttons) {
    return Choices(buttons).front().second;
}

MsgResult CTerminalHost::StopAnswer(MsgButtons buttons) {
    return CancellingAnswer(buttons);
}

bool CTerminalHost::Stopping() const {
    return m_stop != nullptr && m_stop->Requested();
}

CTerminalHost::LineRead CTerminalHost::ReadLine(std::string& line) {
    if (m_in != nullptr)
        return std::getline(*m_in, line) ? LineRead::Line : LineRead::End;
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return LineRead::Line;
        }
        if (Stopping())
            return LineRead::Stopped;
        pollfd p{m_inFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kStopPollMs);
        if (ready < 0 && errno != EINTR)
            return LineRead::End;
        if (ready <= 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(m_inFd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            // The input ended: a last line without its line end still counts.
            line = std::exchange(m_pending, std::string());
            return line.empty() ? LineRead::End : LineRead::Line;
        }
        m_pending.append(buf, static_cast<std::size_t>(n));
    }
}

MsgResult CTerminalHost::ShowMessage(const std::string& text, MsgIcon, MsgButtons buttons) {
    m_err << text << '\n';
    const auto choices = Choices(buttons);
    if (choices.size() > 1 && Stopping()) {
        m_err.flush();
        return StopAnswer(buttons);
    }
    if (choices.size() == 1 || !m_interactive) {
        m_err.flush();
        return choices.front().second;
    }
    for (;;) {
        m_err << Prompt(buttons) << std::flush;
        std::string line;
        const LineRead read = ReadLine(line);
        if (read == LineRead::Stopped) {
            m_err << '\n' << std::flush;
            return StopAnswer(buttons);
        }
        if (read == LineRead::End)
            return choices.front().second;
        for (char c : line) {
            if (std::isspace(static_cast<unsigned char>(c)))
                continue;
            const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (const auto& [key, result] : choices) {
                if (key == lower)
                    return result;
            }
            break;
        }
    }
}

std::uint32_t CTerminalHost::TimeGetTime() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - m_start)
                        .count();
    return static_cast<std::uint32_t>(ms);
}

void CTerminalHost::Sleep(std::uint32_t ms) {
    if (m_stop != nullptr)
        m_stop->WaitRequested(ms);  // ends at once on a stop
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string CTerminalHost::ExecutableFolder() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool CTerminalHost::FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CTerminalHost::Progress(const std::string& text) {
    if (m_showProgress)
        m_err << text << '\n' << std::flush;
}
