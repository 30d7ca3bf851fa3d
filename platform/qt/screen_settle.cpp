#include "platform/qt/screen_settle.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>
#include <string>

namespace {

xcb_connection_t* x11Connection() {
    auto* app = qGuiApp;
    if (!app) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_screen_t* defaultScreen(xcb_connection_t* c, int* number = nullptr) {
    // Qt opens the display's default screen; its number is in $DISPLAY after the dot.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const std::string d = display;
        const auto colon = d.rfind(':');
        const auto dot = d.find('.', colon == std::string::npos ? 0 : colon);
        if (dot != std::string::npos) screen = std::atoi(d.c_str() + dot + 1);
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return nullptr;
    if (number) *number = screen;
    return it.data;
}

// The extension's version must be agreed once per connection before its first request.
bool damageReady(xcb_connection_t* c) {
    static bool ready = [c] {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present) return false;
        auto* version = xcb_damage_query_version_reply(
            c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr);
        std::free(version);
        return version != nullptr;
    }();
    return ready;
}

}  // namespace

ScreenSettle::ScreenSettle() {
    xcb_connection_t* c = x11Connection();
    if (!c || !damageReady(c)) return;
    const xcb_screen_t* screen = defaultScreen(c);
    if (!screen) return;
    m_damageEvent = xcb_get_extension_data(c, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
    m_damage = xcb_generate_id(c);
    // Every drawn rectangle is reported, so there is nothing to acknowledge between reports.
    xcb_damage_create(c, m_damage, screen->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(c);
    m_sinceChange.start();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

ScreenSettle::~ScreenSettle() {
    if (!m_damage) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_t* c = x11Connection()) {
        xcb_damage_destroy(c, m_damage);
        xcb_flush(c);
    }
}

bool ScreenSettle::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_damageEvent) return false;
    const auto* damage = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
    if (damage->damage != m_damage) return false;
    ++m_changes;
    m_sinceChange.restart();
    return true;
}

void ScreenSettle::waitUntilQuiet(int quietMs, int limitMs) {
    if (!m_damage) return;
    waitFor([&] { return m_sinceChange.elapsed() >= quietMs; }, limitMs);
}

bool ScreenSettle::waitFor(const std::function<bool()>& done, int limitMs) {
    if (done()) return true;
    QElapsedTimer total;
    total.start();
    QEventLoop loop;
    QTimer tick;
    // A short tick only while a capture waits; the events themselves wake the loop too.
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || total.elapsed() >= limitMs) loop.quit();
    });
    tick.start();
    loop.exec();
    return done();
}

bool ScreenSettle::windowManagerPresent() {
    xcb_connection_t* c = x11Connection();
    int number = 0;
    if (!c || !defaultScreen(c, &number)) return true;
    // Every window manager that follows the ICCCM owns this selection while it runs.
    const std::string name = "WM_S" + std::to_string(number);
    auto* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
    if (!atom) return true;
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    std::free(atom);
    const bool present = !owner || owner->owner != XCB_NONE;
    std::free(owner);
    return present;
}
