#include "platform/qt/screen_settle.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/qt_x11.h"
#include "platform/x11/xcb_reply.h"

namespace {

// The extension's version must be agreed once per connection before its first request.
bool damageReady(xcb_connection_t* c) {
    static bool ready = [c] {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present) return false;
        XcbReply<xcb_damage_query_version_reply_t> version{xcb_damage_query_version_reply(
            c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr)};
        return bool(version);
    }();
    return ready;
}

// The window as the screen shows it: the top-level window that holds it (a window manager's
// frame), or the window itself.
xcb_window_t topLevel(xcb_connection_t* c, xcb_window_t window, xcb_window_t root) {
    for (;;) {
        XcbReply<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
        if (!tree || tree->parent == root || tree->parent == XCB_NONE) return window;
        window = tree->parent;
    }
}

// A window's outer rectangle, its border included, in its parent's coordinates.
QRect outer(const xcb_get_geometry_reply_t& g) {
    return QRect(g.x, g.y, g.width + 2 * g.border_width, g.height + 2 * g.border_width);
}

// What of the top-level window the screen shows: the windows stacked above it hide the rest,
// which will not be drawn again when it goes. Those of seeThrough with an alpha channel hide
// nothing: a compositing manager blends them over what lies beneath.
QRegion shownPart(xcb_connection_t* c, xcb_window_t frame, xcb_window_t root, QRect rect,
                  const QList<xcb_window_t>& seeThrough) {
    QRegion shown(rect);
    XcbReply<xcb_query_tree_reply_t> tree{
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)};
    if (!tree) return shown;
    const xcb_window_t* children = xcb_query_tree_children(tree.value);
    const int count = xcb_query_tree_children_length(tree.value);
    int at = 0;
    while (at < count && children[at] != frame) ++at;
    // Bottom to top: those after the frame lie above it. Asked all at once, then read.
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> above;
    for (int i = at + 1; i < count; ++i)
        above.emplace_back(xcb_get_window_attributes(c, children[i]),
                           xcb_get_geometry(c, children[i]));
    for (int i = at + 1; i < count; ++i) {
        const auto& [attributesCookie, geometryCookie] = above[std::size_t(i - at - 1)];
        XcbReply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, attributesCookie, nullptr)};
        XcbReply<xcb_get_geometry_reply_t> geometry{
            xcb_get_geometry_reply(c, geometryCookie, nullptr)};
        if (attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT &&
            !(geometry->depth == 32 && seeThrough.contains(children[i])))
            shown -= outer(*geometry.value);
    }
    return shown;
}

}  // namespace

ScreenSettle::ScreenSettle(QWindow* window) : m_window(window) {
    m_sinceChange.start();
    watch(window);
}

void ScreenSettle::watch(QWindow* window) {
    xcb_connection_t* c = qtx11::connection();
    if (!c) return;
    int number = 0;
    const xcb_screen_t* screen = qtx11::defaultScreen(c, &number);
    // Nothing on the screen: nothing to wait for.
    m_frameGone = true;
    if (!screen || !window || !window->handle()) return;
    const xcb_window_t root = screen->root;
    const auto own = xcb_window_t(window->winId());
    XcbReply<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, own), nullptr)};
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return;

    m_frame = topLevel(c, own, root);
    XcbReply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, m_frame), nullptr)};
    if (!geometry) return;
    m_frameGone = false;
    m_composited = qtx11::composited(c, number);
    // Under a compositing manager the program's own see-through windows may lie above it: an
    // overlay that went up at once and shows the screen beneath until its snapshot is in.
    QList<xcb_window_t> seeThrough;
    if (m_composited)
        for (QWindow* other : QGuiApplication::topLevelWindows())
            if (other != window && other->handle()) seeThrough.append(xcb_window_t(other->winId()));
    m_place = shownPart(
        c, m_frame, root,
        outer(*geometry.value) & QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels),
        seeThrough);
    // A window manager's frame goes after the window: its unmap is what counts. The window's
    // own unmap reaches us through Qt's selection.
    if (m_frame != own) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, m_frame, XCB_CW_EVENT_MASK, &mask);
        m_selectedOnFrame = true;
    }
    if (damageReady(c)) {
        m_damageEvent = xcb_get_extension_data(c, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
        m_damage = xcb_generate_id(c);
        // Every drawn rectangle is reported, so there is nothing to acknowledge between reports.
        xcb_damage_create(c, m_damage, root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    }
    xcb_flush(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

ScreenSettle::~ScreenSettle() {
    xcb_connection_t* c = qtx11::connection();
    if (!c || (!m_damage && !m_selectedOnFrame)) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_damage) xcb_damage_destroy(c, m_damage);
    if (m_selectedOnFrame) {
        // The frame may be gone already: its error is of no interest.
        const std::uint32_t none = 0;
        const xcb_void_cookie_t cookie =
            xcb_change_window_attributes_checked(c, m_frame, XCB_CW_EVENT_MASK, &none);
        xcb_discard_reply(c, cookie.sequence);
    }
    xcb_flush(c);
}

bool ScreenSettle::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    const bool sent = event->response_type & 0x80;
    if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
        // Both events carry the window that went at the same place.
        const auto* unmap = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
        if (!sent && !m_frameGone && unmap->window == m_frame) {
            m_frameGone = true;
            m_left = m_place;
            m_sinceChange.restart();
        }
        return false;
    }
    if (!m_damage || type != m_damageEvent) return false;
    const auto* damage = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
    if (damage->damage != m_damage) return false;
    // The damage object is the root window's: its rectangles are screen coordinates.
    const QRect drawn(damage->area.x, damage->area.y, damage->area.width, damage->area.height);
    if (m_frameGone) m_left -= drawn;
    // A video elsewhere on the screen must not hold the capture up.
    if (m_place.intersects(drawn)) m_sinceChange.restart();
    return true;
}

bool ScreenSettle::redrawn() const {
    if (!m_frameGone) return false;
    // Without damage reports, or with a compositor that may still be fading the window out,
    // only a screen that stopped changing tells.
    if (!m_damage || m_composited) return m_sinceChange.elapsed() >= kComposedQuietMs;
    return m_left.isEmpty();
}

bool ScreenSettle::waitUntilRedrawn(int limitMs) {
    if (!qtx11::connection()) {
        // The compositor has handled the hide once it answers; what it renders from then on
        // (a screenshot included) lacks the window.
        QGuiApplication::sync();
        return waitFor([this] { return !m_window || !m_window->isExposed(); }, limitMs);
    }
    return waitFor([this] { return redrawn(); }, limitMs);
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
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return done();
}
