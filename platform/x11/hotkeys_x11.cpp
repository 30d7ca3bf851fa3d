#include "platform/x11/hotkeys_x11.h"

#include <algorithm>
#include <cstdlib>

using x11hotkeys::KeyGrab;

namespace {

int64_t ignoreEvent(platform::WindowHandle, const platform::WindowEvent&) {
    return 0;
}

}  // namespace

HotkeysX11::HotkeysX11(PostToUi postToUi, const char* display) : m_postToUi(std::move(postToUi)) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screen.rem > 0; ++i) xcb_screen_next(&screen);
    if (screen.rem == 0) {
        xcb_disconnect(connection);
        return;
    }
    m_root = screen.data->root;

    // An unmapped window of our own: an event sent to it with an empty mask comes back to
    // this connection, which wakes the reader thread at shutdown.
    m_wakeWindow = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_wakeWindow, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection);

    m_connection = connection;
    m_grabber = std::make_unique<x11hotkeys::HotkeysGrabber>(connection, m_root);
    m_reader = std::thread([this] { readEvents(); });
}

HotkeysX11::~HotkeysX11() {
    if (m_connection) {
        m_stopping = true;
        xcb_client_message_event_t wake = {};
        wake.response_type = XCB_CLIENT_MESSAGE;
        wake.format = 32;
        wake.window = m_wakeWindow;
        wake.type = XCB_ATOM_STRING;
        xcb_send_event(m_connection, 0, m_wakeWindow, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&wake));
        xcb_flush(m_connection);
        // A lost connection ends the reader's wait as well, so this never hangs.
        m_reader.join();
        // The server drops a closed connection's grabs only when it gets round to it; let
        // them go now, so whoever registers the same keys next is not refused.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Registration& r : m_registrations) m_grabber->ungrab(r.grab);
            m_registrations.clear();
        }
        m_grabber.reset();
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
    // Handlers may hold whoever installed them; they go now, not with the last posted function.
    std::lock_guard<std::mutex> lock(m_handlers->mutex);
    m_handlers->byWindow.clear();
}

bool HotkeysX11::registerHotkey(platform::WindowHandle window, int32_t id, int32_t modifiers,
                                int32_t keyCode) {
    if (!m_connection) return false;
    std::optional<KeyGrab> grab = m_grabber->resolve(modifiers, keyCode);
    if (!grab) return false;

    std::lock_guard<std::mutex> lock(m_mutex);
    // X lets a client grab what it already holds, so a combination held by another of our
    // own registrations is refused here, as another program's would be by the server.
    for (const Registration& r : m_registrations) {
        if (r.grab.overlaps(*grab)) return false;
    }
    if (!m_grabber->grab(*grab)) return false;
    m_registrations.push_back({window, id, modifiers, keyCode, std::move(*grab)});
    return true;
}

void HotkeysX11::unregisterHotkey(platform::WindowHandle window, int32_t id) {
    if (!m_connection) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Registration& r : m_registrations) {
        if (r.window == window && r.id == id) m_grabber->ungrab(r.grab);
    }
    std::erase_if(m_registrations,
                  [&](const Registration& r) { return r.window == window && r.id == id; });
}

platform::WindowHandler HotkeysX11::setWindowHandler(platform::WindowHandle window,
                                                     platform::WindowHandler handler) {
    std::lock_guard<std::mutex> lock(m_handlers->mutex);
    auto [slot, added] = m_handlers->byWindow.try_emplace(window, ignoreEvent);
    platform::WindowHandler previous = std::move(slot->second);
    slot->second = std::move(handler);
    return previous ? previous : platform::WindowHandler(ignoreEvent);
}

void HotkeysX11::readEvents() {
    while (xcb_generic_event_t* event = xcb_wait_for_event(m_connection)) {
        bool stop = false;
        switch (event->response_type & 0x7f) {
            case XCB_KEY_PRESS:
                onKeyPress(*reinterpret_cast<xcb_key_press_event_t*>(event));
                break;
            case XCB_MAPPING_NOTIFY:
                if (m_grabber->mappingChanged(
                        reinterpret_cast<xcb_mapping_notify_event_t*>(event))) {
                    grabAgain();
                }
                break;
            case XCB_CLIENT_MESSAGE:
                stop = m_stopping &&
                       reinterpret_cast<xcb_client_message_event_t*>(event)->window == m_wakeWindow;
                break;
            default:
                break;  // key releases, errors of unchecked requests
        }
        std::free(event);
        if (stop) return;
    }
}

// A layout switch moves symbols to other keys (z and y trade places between the US and the
// German maps) and may move Num Lock to another modifier: a grab is a key number, so each
// registration resolves its combination again. One that now lies elsewhere is grabbed there
// before the old keys are let go; one that the new map cannot carry, or that another client
// holds meanwhile, rests without keys until the next change. The server also announces a map
// change whenever input switches between keyboards with the same map: nothing moves then,
// and no grab is let go even for a moment, so no press is lost.
void HotkeysX11::grabAgain() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<KeyGrab> before;
    for (const Registration& r : m_registrations) before.push_back(r.grab);
    for (auto r = m_registrations.begin(); r != m_registrations.end(); ++r) {
        std::optional<KeyGrab> grab = m_grabber->resolve(r->modifiers, r->keyCode);
        r->grab = {};
        if (!grab) continue;
        // Two combinations that the new map puts on one key: the earlier one keeps it.
        const bool taken = std::any_of(m_registrations.begin(), r, [&](const Registration& o) {
            return o.grab.overlaps(*grab);
        });
        const bool unchanged = *grab == before[r - m_registrations.begin()];
        if (!taken && (unchanged || m_grabber->grab(*grab))) r->grab = std::move(*grab);
    }
    std::vector<KeyGrab> after;
    for (const Registration& r : m_registrations) after.push_back(r.grab);
    m_grabber->releaseStale(before, after);
}

void HotkeysX11::onKeyPress(const xcb_key_press_event_t& event) {
    platform::WindowHandle window = 0;
    int32_t id = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = std::find_if(
            m_registrations.begin(), m_registrations.end(),
            [&](const Registration& r) { return r.grab.matches(event.detail, event.state); });
        // While a grabbed key is held the keyboard belongs to us: other keys arrive too.
        if (it == m_registrations.end()) return;
        window = it->window;
        id = it->id;
    }
    if (!m_postToUi) return;
    std::weak_ptr<Handlers> handlers = m_handlers;
    m_postToUi([handlers, window, id] { deliver(handlers, window, id); });
}

void HotkeysX11::deliver(const std::weak_ptr<Handlers>& handlers, platform::WindowHandle window,
                         int32_t id) {
    const std::shared_ptr<Handlers> alive = handlers.lock();
    if (!alive) return;
    platform::WindowHandler handler;
    {
        std::lock_guard<std::mutex> lock(alive->mutex);
        const auto it = alive->byWindow.find(window);
        if (it == alive->byWindow.end()) return;
        handler = it->second;
    }
    // Called unlocked: the handler may install another handler or register hotkeys.
    if (handler) handler(window, {platform::kHotkeyEvent, id});
}
