#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

/// A stop that the technician asked for with a signal (Ctrl+C, a closed terminal, kill).
///
/// The first signal asks the work under way to stop: every registered handler is called
/// (from the thread that raises it, never from a signal handler), and the commands see
/// Requested() at their next step, leave the radio dekeyed and out of test mode, close the
/// links, write what they know and exit with ExitCode(). A second signal asks them to hurry:
/// the process ends as soon as the radio is safe (MarkRadioSafe), without reports.
class CStopSignal {
public:
    /// Records a signal (SIGINT, SIGTERM or SIGHUP) and calls the handlers with the count of
    /// signals so far (1 for the first).
    void Raise(int signo);
    /// A stop was asked for.
    bool Requested() const { return m_count.load() > 0; }
    /// Signals raised so far.
    int Count() const { return m_count.load(); }
    /// The first signal's number; 0 when none came.
    int Signal() const { return m_signo.load(); }
    /// The exit status for the first signal: 128 + its number (130 SIGINT, 143 SIGTERM,
    /// 129 SIGHUP); 0 when none came.
    int ExitCode() const;
    /// Waits until a stop is asked for or ms have passed; true when one was asked for.
    bool WaitRequested(std::uint32_t ms);

    /// Registers a handler; the id removes it again. Handlers run on the raising thread and
    /// must only set flags (they may not wait).
    int AddHandler(std::function<void(int count)> handler);
    void RemoveHandler(int id);
    /// Some work listens for a stop (a handler is registered).
    bool Listened();

    /// The radio is dekeyed and out of test mode (or there is no radio): after a second
    /// signal nothing more needs to be done.
    void MarkRadioSafe();
    bool RadioSafe() const { return m_radioSafe.load(); }
    /// A report is about to be saved: the process does not end for a second signal until
    /// ReleaseExit, so that no half-saved file or temporary file is left behind. False (and
    /// nothing held) when a second signal came already: then nothing more is to be saved.
    bool HoldExit();
    void ReleaseExit();
    /// Waits until the radio is safe and no save holds the exit, or ms have passed; true when
    /// the process may end.
    bool WaitSafeToExit(int ms);

private:
    std::atomic<int> m_count{0};
    std::atomic<int> m_signo{0};
    std::atomic<bool> m_radioSafe{false};
    int m_holds = 0;  ///< saves under way (under m_mutex)
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<int, std::function<void(int)>> m_handlers;
    int m_nextId = 1;
};

/// Registers a handler on a stop signal for the life of a scope (nothing when stop is null).
class CStopScope {
public:
    CStopScope(CStopSignal* stop, std::function<void(int count)> handler);
    ~CStopScope();
    CStopScope(const CStopScope&) = delete;
    CStopScope& operator=(const CStopScope&) = delete;

private:
    CStopSignal* m_stop;
    int m_id = 0;
};

/// Turns SIGINT, SIGTERM and SIGHUP into raises of a stop signal, on a thread of its own
/// that waits for them (sigwait), so nothing runs inside a signal handler. Install blocks
/// the three signals in the calling thread and every thread it starts later: call it first
/// in main. A signal that no work listens for ends the process at once, as by default; after a
/// second signal the process exits (128 + the first signal's number) as
/// soon as the radio is safe and no report is being saved, or after hurryMs at the latest.
namespace SignalWatch {

void Install(CStopSignal& stop, int hurryMs = 8000);

/// "SIGINT", "SIGTERM", "SIGHUP" or "signal N".
std::string Name(int signo);

}  // namespace SignalWatch
