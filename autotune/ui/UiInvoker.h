#pragma once

#include <QtCore/QCoreApplication>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QThread>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

/// Carries calls from a worker thread to the user-interface thread and waits for them, in
/// the manner of a blocking queued invocation that can be called off: once Cancel has been
/// called (on the user-interface thread), every waiting and every later call returns at once
/// without its result, so the user-interface thread may join a worker that was waiting for
/// it. A call runs only while its context object lives and has not been cancelled; the
/// function must capture by value (its result is kept in shared state, never on the waiting
/// thread's stack). Calls made on the user-interface thread run directly, cancelled or not.
class CUiInvoker {
public:
    explicit CUiInvoker(QObject* context);

    /// Runs f on the user-interface thread and returns its result; empty when cancelled.
    template <typename R>
    std::optional<R> Call(std::function<R()> f) {
        auto call = std::make_shared<Pending<R>>();
        std::shared_ptr<Shared> shared = m_shared;
        Run([call, shared, f] {
            R value = f();
            std::lock_guard<std::mutex> lock(shared->mutex);
            call->result = std::move(value);
        });
        std::unique_lock<std::mutex> lock(m_shared->mutex);
        m_shared->cv.wait(lock, [&] { return call->result.has_value() || m_shared->cancelled; });
        return call->result;  // after a cancel, a late result is never read again
    }
    /// The same for a function without a result; false when cancelled.
    bool Call(std::function<void()> f);

    /// Every waiting and later call returns at once; user-interface thread.
    void Cancel();
    bool Cancelled() const;

private:
    struct Shared {
        mutable std::mutex mutex;
        std::condition_variable cv;
        bool cancelled = false;
    };
    template <typename R>
    struct Pending {
        std::optional<R> result;
    };

    bool OnUiThread() const;
    /// Queues f (or runs it now on the user-interface thread) and marks it done afterwards.
    void Run(std::function<void()> f);

    std::shared_ptr<Shared> m_shared;
    QPointer<QObject> m_context;
};
