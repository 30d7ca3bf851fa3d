#include "platform/atspi/atspi_session.h"

#include <atspi/atspi.h>
// After atspi.h, which brings the D-Bus types it uses.
#include <atspi/atspi-gmain.h>
#include <dlfcn.h>
#include <unistd.h>

#include <string>

namespace {

// A missing bus is probed again after this long, not on every delivery.
constexpr std::chrono::seconds kRetryPause{10};

// Object events that libatspi subscribes to for a cache that only a running event loop
// would use; unread, they would pile up on the bus for as long as the program runs.
constexpr const char* kUnusedEvents[] = {"ChildrenChanged", "PropertyChange", "StateChanged"};

}  // namespace

// libatspi attaches the connections it opens itself (the bus in atspi_init, and later a
// direct connection to each application that offers one) to GLib's default main context,
// whatever atspi_set_main_context says. The user-interface thread dispatches that
// context, so it would run libatspi's handlers beside the bus thread. libatspi sets up
// every connection through this exported function; this definition takes its place and
// keeps what the bus thread sets up on the bus thread's own context.
extern "C" void atspi_dbus_connection_setup_with_g_main(DBusConnection* connection,
                                                        GMainContext* context) {
    using Setup = void (*)(DBusConnection*, GMainContext*);
    static const Setup library =
        reinterpret_cast<Setup>(dlsym(RTLD_NEXT, "atspi_dbus_connection_setup_with_g_main"));
    if (!library) return;  // libatspi's blocking calls then read their replies themselves
    if (AtspiSession::instance().isBusThread() &&
        (context == nullptr || context == g_main_context_default())) {
        context = g_main_context_get_thread_default();
    }
    library(connection, context);
}

struct AtspiSession::Job {
    std::function<void()> task;
    bool waited = true;  // a waiting caller may give up on it
    bool abandoned = false;
    bool finished = false;
};

AtspiSession& AtspiSession::instance() {
    // Never destroyed: the bus thread may still be inside libatspi when the process ends.
    static AtspiSession* session = new AtspiSession();
    return *session;
}

AtspiSession::AtspiSession() : m_context(g_main_context_new()) {
    std::thread thread([this] { serve(); });
    m_threadId = thread.get_id();
    thread.detach();
}

bool AtspiSession::run(std::function<void()> task, std::chrono::milliseconds wait) {
    auto job = std::make_shared<Job>();
    job->task = std::move(task);
    if (isBusThread()) {
        job->task();
        return true;
    }
    enqueue(job);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_finished.wait_for(lock, wait, [&] { return job->finished; })) job->abandoned = true;
    return job->finished;
}

void AtspiSession::post(std::function<void()> task) {
    auto job = std::make_shared<Job>();
    job->task = std::move(task);
    job->waited = false;
    enqueue(job);
}

void AtspiSession::enqueue(const std::shared_ptr<Job>& job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(job);
    }
    // Ends the bus thread's wait in its main context, or makes its next one return.
    g_main_context_wakeup(m_context);
}

std::shared_ptr<AtspiSession::Job> AtspiSession::nextJob() {
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_jobs.empty()) {
        std::shared_ptr<Job> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        if (!job->abandoned) return job;
    }
    return nullptr;
}

void AtspiSession::serve() {
    // Whatever libatspi or D-Bus attach on this thread goes to this context, which no
    // other thread iterates.
    g_main_context_push_thread_default(m_context);
    for (;;) {
        while (std::shared_ptr<Job> job = nextJob()) {
            job->task();
            job->task = nullptr;  // what it holds is released here, on this thread
            std::lock_guard<std::mutex> lock(m_mutex);
            job->finished = true;
            if (job->waited) m_finished.notify_all();
        }
        // Bus messages that arrive between calls (applications coming and going) are
        // handled here, and the wait ends when a job is queued.
        g_main_context_iteration(m_context, TRUE);
    }
}

bool AtspiSession::isBusThread() const {
    return std::this_thread::get_id() == m_threadId;
}

bool AtspiSession::connected() {
    if (m_connected) return true;
    auto now = std::chrono::steady_clock::now();
    if (now < m_nextAttempt) return false;
    m_nextAttempt = now + kRetryPause;
    // atspi_init commits for good, even when it finds no bus, and later calls would then
    // abort the process; so it runs only once the bus has answered.
    DBusConnection* bus = atspi_get_a11y_bus();
    if (!bus || atspi_init() > 1) return false;
    // Without a start-up grace period: a target that froze right after it started must
    // not hold a delivery for 15 s.
    atspi_set_timeout(kCallTimeoutMs, 0);
    // Where libatspi puts its own idle work.
    atspi_set_main_context(m_context);
    for (const char* member : kUnusedEvents) {
        std::string rule =
            std::string("type='signal',interface='org.a11y.atspi.Event.Object',member='") + member +
            "'";
        dbus_bus_remove_match(bus, rule.c_str(), nullptr);
    }
    m_connected = true;
    return true;
}

bool AtspiSession::isOwnApplication(AtspiAccessible* application) {
    GError* error = nullptr;
    guint pid = atspi_accessible_get_process_id(application, &error);
    if (error) {
        g_error_free(error);
        return false;
    }
    return pid == static_cast<guint>(getpid());
}
