#pragma once

#include <condition_variable>
#include <mutex>

/// An auto-reset event: Set wakes one waiter, or the next one to wait when nobody waits yet,
/// so a signal given before the wait begins is never lost. Wait lets exactly one waiter
/// through per Set and resets the event.
class CAutoResetEvent {
public:
    void Set();
    void Wait();
    /// Clears a signal nobody took.
    void Reset();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signalled = false;
};
