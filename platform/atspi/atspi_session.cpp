#include "platform/atspi/atspi_session.h"

#include <atspi/atspi.h>
// After atspi.h, which brings the D-Bus types it uses.
#include <atspi/atspi-gmain.h>
#include <unistd.h>

#include <string>

namespace {

// A missing bus is probed again after this long, not on every delivery.
constexpr std::chrono::seconds kRetryPause{10};

// Object events that libatspi subscribes to for a cache that only a running event loop
// would use; unread, they would pile up on the bus for as long as the program runs.
constexpr const char* kUnusedEvents[] = {"ChildrenChanged", "PropertyChange", "StateChanged"};

}  // namespace

AtspiSession& AtspiSession::instance() {
    static AtspiSession session;
    return session;
}

std::unique_lock<std::mutex> AtspiSession::hold() {
    return std::unique_lock<std::mutex>(m_mutex);
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
    // A context of our own that nobody iterates: replies are read by the blocking calls
    // themselves, under our lock, and the user-interface thread's main loop (the default
    // context) never enters libatspi.
    m_context = g_main_context_new();
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

void AtspiSession::adoptConnections() {
    if (!m_connected) return;
    DBusConnection* bus = atspi_get_a11y_bus();
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop) return;
    // libatspi attaches a direct connection to an application to the default main loop.
    if (desktop->children) {
        for (guint i = 0; i < desktop->children->len; ++i) {
            auto* child = static_cast<AtspiAccessible*>(g_ptr_array_index(desktop->children, i));
            AtspiApplication* app = child ? child->parent.app : nullptr;
            if (app && app->bus && app->bus != bus) {
                atspi_dbus_connection_setup_with_g_main(app->bus, m_context);
            }
        }
    }
    g_object_unref(desktop);
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
