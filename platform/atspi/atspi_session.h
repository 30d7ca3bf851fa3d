#pragma once
// The process's one connection to the accessibility bus. libatspi keeps global state, is
// not thread-safe and dispatches its D-Bus connections from a GLib main context, so one
// thread of its own makes every libatspi call and alone iterates libatspi's main context;
// other threads hand it their work and wait for it, for a bounded time.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <glib.h>

typedef struct _AtspiAccessible AtspiAccessible;

// The end of the time one operation may spend on the bus.
struct Deadline {
    explicit Deadline(std::chrono::milliseconds budget)
        : end(std::chrono::steady_clock::now() + budget) {}
    bool passed() const { return std::chrono::steady_clock::now() >= end; }
    std::chrono::steady_clock::time_point end;
};

class AtspiSession {
public:
    // Time limit of one call to another application.
    static constexpr int kCallTimeoutMs = 1000;

    // Starts the bus thread on first use. The session lives until the process ends, and
    // its thread never holds up the end of the process.
    static AtspiSession& instance();

    // Runs the task on the bus thread and waits at most `wait` for it. False when it did
    // not finish in time; a task that has not started by then is dropped, one that has
    // keeps running and must own everything it touches.
    bool run(std::function<void()> task, std::chrono::milliseconds wait);
    // The task's result, or fallback when it did not finish in time.
    template <class R>
    R call(std::function<R()> task, std::chrono::milliseconds wait, R fallback);
    // Runs the task on the bus thread some time later, without waiting for it.
    void post(std::function<void()> task);

    // On the bus thread: connects on first use; false while no accessibility bus can be
    // reached (tried again after a pause).
    bool connected();
    // On the bus thread: true for this program's own accessible application.
    bool isOwnApplication(AtspiAccessible* application);
    // True on the bus thread.
    bool isBusThread() const;

private:
    struct Job;

    AtspiSession();
    void serve();
    std::shared_ptr<Job> nextJob();
    void enqueue(const std::shared_ptr<Job>& job);

    GMainContext* m_context;
    std::thread::id m_threadId;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_connected = false;
    std::chrono::steady_clock::time_point m_nextAttempt{};
};

template <class R>
R AtspiSession::call(std::function<R()> task, std::chrono::milliseconds wait, R fallback) {
    // Shared with the task, which may outlive this call when it overruns the wait.
    auto result = std::make_shared<R>(fallback);
    bool finished = run([task = std::move(task), result] { *result = task(); }, wait);
    return finished ? *result : fallback;
}
