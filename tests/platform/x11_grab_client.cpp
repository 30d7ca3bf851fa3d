#include "platform/x11_grab_client.h"

#include <cstdlib>
#include <stdexcept>

X11GrabClient::X11GrabClient(const std::string& display)
    : m_connection(xcb_connect(display.c_str(), nullptr)) {
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        throw std::runtime_error("cannot connect to " + display);
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_symbols = xcb_key_symbols_alloc(m_connection);
}

X11GrabClient::~X11GrabClient() {
    xcb_key_symbols_free(m_symbols);
    xcb_disconnect(m_connection);
}

xcb_keycode_t X11GrabClient::keycodeOf(uint32_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
    if (!codes) throw std::runtime_error("no key for keysym " + std::to_string(keysym));
    const xcb_keycode_t first = codes[0];
    std::free(codes);
    return first;
}

bool X11GrabClient::grab(uint32_t keysym, uint16_t modifiers) {
    const xcb_void_cookie_t cookie =
        xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycodeOf(keysym),
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
    const bool granted = error == nullptr;
    std::free(error);
    return granted;
}

void X11GrabClient::ungrab(uint32_t keysym, uint16_t modifiers) {
    const xcb_void_cookie_t cookie =
        xcb_ungrab_key_checked(m_connection, keycodeOf(keysym), m_root, modifiers);
    std::free(xcb_request_check(m_connection, cookie));
}

bool X11GrabClient::isFree(uint32_t keysym, uint16_t modifiers) {
    if (!grab(keysym, modifiers)) return false;
    ungrab(keysym, modifiers);
    return true;
}

uint16_t X11GrabClient::modifierState() {
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    if (!reply) throw std::runtime_error("the display is gone");
    const uint16_t state = reply->mask & 0xff;
    std::free(reply);
    return state;
}
