#include "StopSignal.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

void CStopSignal::Raise(int signo) {
    int expected = 0;
    m_signo.compare_exchange_strong(expected, signo);
    const int count = ++m_count;
    std::vector<std::function<void(int)>> handlers;
    {
        // Under the lock, so that a waiter cannot miss the new count.
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& [id, handler] : m_handlers) handlers.push_back(handler);
    }
    m_cv.notify_all();
    for (const auto& handler : handlers) handler(count);
}

bool CStopSignal::WaitRequested(std::uint32_t ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Requested(); });
}

int CStopSignal::ExitCode() const {
    const int signo = m_signo.load();
    return signo > 0 ? 128 + signo : 0;
}

int CStopSignal::AddHandler(std::function<void(int)> handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int id = m_nextId++;
    m_handlers.emplace(id, std::move(handler));
    return id;
}

void CStopSignal::RemoveHandler(int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handlers.erase(id);
}

bool CStopSignal::Listened() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_handlers.empty();
}

void CStopSignal::MarkRadioSafe() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_radioSafe = true;
    }
    m_cv.notify_all();
}

bool CStopSignal::HoldExit() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_count.load() > 1)
        return false;
    ++m_holds;
    return true;
}

void CStopSignal::ReleaseExit() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_holds;
    }
    m_cv.notify_all();
}

bool CStopSignal::WaitSafeToExit(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms),
                         [this] { return m_radioSafe.load() && m_holds == 0; });
}

CStopScope::CStopScope(CStopSignal* stop, std::function<void(int)> handler) : m_stop(stop) {
    if (m_stop)
        m_id = m_stop->AddHandler(std::move(handler));
}

CStopScope::~CStopScope() {
    if (m_stop)
        m_stop->RemoveHandler(m_id);
}

namespace SignalWatch {

void Install(CStopSignal& stop, int hurryMs) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([&stop, set, hurryMs] {
        for (;;) {
            int signo = 0;
            if (sigwait(&set, &signo) != 0)
                continue;
            if (!stop.Listened())
                ::_exit(128 + signo);  // nothing to wind down
            stop.Raise(signo);
            if (stop.Count() < 2)
                continue;
            // Asked twice: end as soon as the radio is safe and no report is half saved.
            stop.WaitSafeToExit(hurryMs);
            ::_exit(stop.ExitCode());
        }
    }).detach();
}

std::string Name(int signo) {
    switch (signo) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signo);
    }
}

}  // namespace SignalWatch
