#include "capture/worker_threads.h"

#include <thread>

namespace {
constexpr int kMaxIdle = 1;
}  // namespace

WorkerThreads::WorkerThreads() : m_shared(std::make_shared<Shared>()) {}

WorkerThreads::~WorkerThreads() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->closed = true;
        m_shared->tasks.clear();
    }
    m_shared->wake.notify_all();
}

void WorkerThreads::run(std::function<void()> task) {
    {
        std::lock_guard lock(m_shared->mutex);
        // Every idle thread not yet claimed by a queued task takes the next one.
        if (m_shared->idle > static_cast<int>(m_shared->tasks.size())) {
            m_shared->tasks.push_back(std::move(task));
            m_shared->wake.notify_one();
            return;
        }
    }
    std::thread(serve, m_shared, std::move(task)).detach();
}

void WorkerThreads::serve(const std::shared_ptr<Shared>& shared, std::function<void()> task) {
    for (;;) {
        task();
        // What the task holds (a capture's pixels) goes now, not when the next one comes.
        task = nullptr;
        std::unique_lock lock(shared->mutex);
        if (shared->closed || shared->idle >= kMaxIdle) return;
        ++shared->idle;
        shared->wake.wait(lock, [&] { return shared->closed || !shared->tasks.empty(); });
        --shared->idle;
        if (shared->closed) return;
        task = std::move(shared->tasks.front());
        shared->tasks.pop_front();
    }
}
