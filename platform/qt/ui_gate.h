#pragma once
// Carries calls from any thread out on the user-interface thread and makes the caller wait,
// in the order each thread issues them. Once closed, calls return at once without running,
// and a caller that is still waiting for a call that has not started is released, so a
// worker blocked in a call can never hold up the end of the program.
#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class UiGate : public QObject {
    Q_OBJECT
public:
    // Must be created on the user-interface thread.
    UiGate();
    ~UiGate() override;

    // Runs the call on the user-interface thread (directly when already there) and returns
    // true when it ran. The call may use the caller's locals: it either runs to its end
    // before run returns, or not at all.
    bool run(const std::function<void()>& call);
    // Queues the call for the user-interface thread and returns at once, from any thread.
    // It runs in the order posted, unless the gate is closed by then.
    void post(std::function<void()> call);

    // From here on nothing runs; waiting callers are released. Idempotent.
    void close();
    bool isClosed() const;
    bool onUiThread() const;

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;
        bool closed = false;
    };
    struct Job {
        std::function<void()> call;
        bool started = false;
        bool finished = false;
        bool abandoned = false;
    };

    static void execute(const std::shared_ptr<Shared>& shared, const std::shared_ptr<Job>& job);

    std::shared_ptr<Shared> m_shared;
};
