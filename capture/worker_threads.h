#pragma once
// Threads that stay for the next task. A sleeping thread wakes within microseconds, while a
// thread made afresh waits its turn behind the machine's other work (milliseconds on a busy
// machine), and every capture's recognition starts on one. A task never waits for another:
// when every thread is busy (a stopped run may still wait for its network reply) a new one
// is made. At most one thread stays idle; the others end after their task.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class WorkerThreads {
public:
    WorkerThreads();
    // The idle thread ends; busy ones end after their task, without being waited for, and a
    // task not yet begun never runs.
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Runs the task on an idle thread, or on a new one when none is idle; returns at once.
    void run(std::function<void()> task);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void()>> tasks;
        int idle = 0;
        bool closed = false;
    };
    static void serve(const std::shared_ptr<Shared>& shared, std::function<void()> task);

    std::shared_ptr<Shared> m_shared;
};
