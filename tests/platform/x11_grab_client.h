#pragma once
// Another X client of the test display: it holds key grabs of its own, probes which
// combinations are free and reads the modifier state (locks included) of the keyboard.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <string>

class X11GrabClient {
public:
    explicit X11GrabClient(const std::string& display);
    ~X11GrabClient();
    X11GrabClient(const X11GrabClient&) = delete;
    X11GrabClient& operator=(const X11GrabClient&) = delete;

    // Grabs the key of the symbol with exactly these X modifiers on the root window; true
    // when the server granted it (false when another client holds it).
    bool grab(uint32_t keysym, uint16_t modifiers);
    void ungrab(uint32_t keysym, uint16_t modifiers);
    // True when the combination is free: grabbing it succeeds (and is let go again).
    bool isFree(uint32_t keysym, uint16_t modifiers);
    // The logical modifier state, the lock modifiers included.
    uint16_t modifierState();

private:
    xcb_keycode_t keycodeOf(uint32_t keysym);

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_key_symbols_t* m_symbols = nullptr;
};
