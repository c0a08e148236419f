#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "radio/Host.h"

/// Host for tests: records every message, answers questions from a script and keeps a fake
/// clock that Sleep advances, so a 2000 ms wait costs no real time.
class CRecordingHost : public IHost {
public:
    struct Message {
        std::string text;
        MsgIcon icon;
        MsgButtons buttons;
    };

    MsgResult ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override {
        if (onMessage)
            onMessage(text);  // while the box would be up
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({text, icon, buttons});
        if (!m_answers.empty()) {
            MsgResult r = m_answers.front();
            m_answers.pop_front();
            return r;
        }
        switch (buttons) {
            case MsgButtons::YesNo:
            case MsgButtons::YesNoCancel:
                return MsgResult::Yes;
            case MsgButtons::AbortRetryIgnore:
                return MsgResult::Abort;
            case MsgButtons::RetryCancel:
                return MsgResult::Cancel;
            default:
                return MsgResult::Ok;
        }
    }
    void BeginWaitCursor() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_waitDepth;
        ++m_waitCursorShown;
    }
    void EndWaitCursor() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_waitDepth;
    }
    std::uint32_t TimeGetTime() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_now;
    }
    void Sleep(std::uint32_t ms) override {
        if (onSleep)
            onSleep(ms);  // while the wait would last
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sleeps.push_back(ms);
        m_now += ms;
    }
    std::string ExecutableFolder() override { return m_exeFolder; }
    bool FileExists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    void Progress(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress.push_back(text);
    }

    /// Queues the answer to the next question.
    void Answer(MsgResult r) { m_answers.push_back(r); }
    /// Texts of all messages shown so far.
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& m : m_messages) t.push_back(m.text);
        return t;
    }
    int Count(const std::string& text) const {
        int n = 0;
        for (const auto& m : m_messages) n += (m.text == text);
        return n;
    }
    void Clear() { m_messages.clear(); }

    /// Called as each message is shown and as each sleep begins (outside the lock).
    std::function<void(const std::string&)> onMessage;
    std::function<void(std::uint32_t)> onSleep;

    std::vector<Message> m_messages;
    std::deque<MsgResult> m_answers;
    std::vector<std::uint32_t> m_sleeps;
    std::vector<std::string> m_progress;
    std::uint32_t m_now = 1000;
    int m_waitDepth = 0;
    int m_waitCursorShown = 0;
    std::string m_exeFolder;

private:
    std::mutex m_mutex;
};
