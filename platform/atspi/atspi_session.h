#pragma once
// The process's one connection to the accessibility bus. libatspi keeps global state and
// is not thread-safe, so every use goes through hold(); its calls are bounded by a
// method-call time limit, and it never runs on another thread's main loop.
#include <chrono>
#include <mutex>

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

    static AtspiSession& instance();

    // Serializes the bus among threads; hold it for every libatspi call.
    std::unique_lock<std::mutex> hold();

    // With the lock held: connects on first use; false while no accessibility bus can be
    // reached (tried again after a pause).
    bool connected();
    // With the lock held: keeps the direct connections that libatspi opens to
    // applications off the default main loop, which the user-interface thread runs.
    void adoptConnections();
    // With the lock held: true for this program's own accessible application.
    bool isOwnApplication(AtspiAccessible* application);

private:
    AtspiSession() = default;

    std::mutex m_mutex;
    bool m_connected = false;
    std::chrono::steady_clock::time_point m_nextAttempt{};
    GMainContext* m_context = nullptr;
};
