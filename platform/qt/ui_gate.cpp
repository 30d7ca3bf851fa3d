#include "platform/qt/ui_gate.h"

#include <QCoreApplication>
#include <QThread>

UiGate::UiGate() : m_shared(std::make_shared<Shared>()) {
    // After the event loop has ended nothing would run a queued call.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &UiGate::close);
}

UiGate::~UiGate() {
    close();
}

bool UiGate::onUiThread() const {
    return QThread::currentThread() == thread();
}

bool UiGate::isClosed() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->closed;
}

void UiGate::close() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->closed = true;
    }
    m_shared->wake.notify_all();
}

bool UiGate::run(const std::function<void()>& call) {
    if (onUiThread()) {
        if (isClosed()) return false;
        call();
        return true;
    }
    // Keep the shared state alive on this side even if the gate goes away while we wait.
    std::shared_ptr<Shared> shared = m_shared;
    auto job = std::make_shared<Job>();
    job->call = call;
    std::unique_lock lock(shared->mutex);
    if (shared->closed) return false;
    // Posting under the lock: the gate cannot be destroyed in between, since close() takes it.
    QMetaObject::invokeMethod(
        this, [shared, job] { execute(shared, job); }, Qt::QueuedConnection);
    shared->wake.wait(lock, [&] { return job->finished || (shared->closed && !job->started); });
    if (job->finished) return true;
    job->abandoned = true;
    return false;
}

void UiGate::post(std::function<void()> call) {
    std::shared_ptr<Shared> shared = m_shared;
    std::lock_guard lock(shared->mutex);
    if (shared->closed) return;
    // Under the lock, as in run(): the gate cannot be destroyed in between.
    QMetaObject::invokeMethod(
        this,
        [shared, call = std::move(call)] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->closed) return;
            }
            call();
        },
        Qt::QueuedConnection);
}

void UiGate::execute(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Job>& job) {
    {
        std::lock_guard lock(shared->mutex);
        if (shared->closed || job->abandoned) return;
        job->started = true;
    }
    job->call();
    {
        std::lock_guard lock(shared->mutex);
        job->finished = true;
        // The caller's locals are gone once it returns; drop our reference to them.
        job->call = nullptr;
    }
    shared->wake.notify_all();
}
