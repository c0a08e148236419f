#include "autotune/ui/UiInvoker.h"

CUiInvoker::CUiInvoker(QObject* context)
    : m_shared(std::make_shared<Shared>()), m_context(context) {}

bool CUiInvoker::OnUiThread() const {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void CUiInvoker::Run(std::function<void()> f) {
    std::shared_ptr<Shared> shared = m_shared;
    if (OnUiThread()) {
        f();  // nobody waits: a call of the user-interface thread always runs
        return;
    }
    QObject* context = m_context.data();
    if (!context) {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->cancelled = true;
        return;
    }
    // Dropped by Qt when the context object goes first; the waiter then needs Cancel.
    QMetaObject::invokeMethod(
        context,
        [shared, f] {
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (shared->cancelled)
                    return;
            }
            f();
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->cv.notify_all();
        },
        Qt::QueuedConnection);
}

bool CUiInvoker::Call(std::function<void()> f) {
    return Call<bool>([f] {
               f();
               return true;
           })
        .value_or(false);
}

void CUiInvoker::Cancel() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->cancelled = true;
    m_shared->cv.notify_all();
}

bool CUiInvoker::Cancelled() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->cancelled;
}
