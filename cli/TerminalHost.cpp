#include "TerminalHost.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <iostream>
#include <thread>
#include <utility>
#include <vector>

namespace {

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
    : m_err(err), m_in(in), m_interactive(interactive), m_showProgress(showProgress) {}

CTerminalHost::CTerminalHost()
    : CTerminalHost(std::cerr, std::cin, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO),
                    ::isatty(STDERR_FILENO)) {}

MsgResult CTerminalHost::DefaultAnswer(MsgButtons buttons) {
    return Choices(buttons).front().second;
}

MsgResult CTerminalHost::ShowMessage(const std::string& text, MsgIcon, MsgButtons buttons) {
    m_err << text << '\n';
    const auto choices = Choices(buttons);
    if (choices.size() == 1 || !m_interactive) {
        m_err.flush();
        return choices.front().second;
    }
    for (;;) {
        m_err << Prompt(buttons) << std::flush;
        std::string line;
        if (!std::getline(m_in, line))
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
