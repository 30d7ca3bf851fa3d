#pragma once
// Key grabs on the root window for global hotkeys. X matches a grab against the exact
// modifier state, locks included, so each combination is grabbed once for every state of
// the lock modifiers (Caps Lock, Num Lock, Scroll Lock): the hotkey then works whatever
// lock is on. A combination is grabbed completely or not at all.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace x11hotkeys {

struct KeyGrab {
    std::vector<xcb_keycode_t> keycodes;  // every key that carries the symbol
    uint16_t modifiers = 0;               // X modifier mask, no lock bits
    uint16_t locks = 0;                   // the lock bits the grab is repeated with

    // True when an event with this key and modifier state belongs to the grab.
    bool matches(xcb_keycode_t keycode, uint16_t state) const;
    bool overlaps(const KeyGrab& other) const;
    bool operator==(const KeyGrab&) const = default;
};

class HotkeysGrabber {
public:
    HotkeysGrabber(xcb_connection_t* connection, xcb_window_t root);
    ~HotkeysGrabber();
    HotkeysGrabber(const HotkeysGrabber&) = delete;
    HotkeysGrabber& operator=(const HotkeysGrabber&) = delete;

    // The X form of a combination (modifier flags of platform/hotkeys.h, virtual-key code);
    // nothing when the modifiers are no combination of the flags or the key is not on the
    // keyboard.
    std::optional<KeyGrab> resolve(int32_t modifiers, int32_t virtualKey);
    // Grabs every lock variant on every key and checks each request with the server;
    // when one is refused (another client holds it) the variants already taken are let go.
    bool grab(const KeyGrab& grab);
    void ungrab(const KeyGrab& grab);
    // Lets go of every variant that a grab of `before` held and none of `after` holds.
    void releaseStale(const std::vector<KeyGrab>& before, const std::vector<KeyGrab>& after);
    // A keyboard mapping change (MappingNotify) makes the keysym table reload. True when
    // the keys or the modifiers changed: a grab is a key number, so every combination must
    // then be resolved and grabbed again.
    bool mappingChanged(xcb_mapping_notify_event_t* event);

private:
    std::vector<xcb_keycode_t> keycodesOf(uint32_t keysym, bool firstLevelOnly = false);
    uint16_t lockModifiers();
    void ungrabVariants(const std::vector<std::pair<xcb_keycode_t, uint16_t>>& variants);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::mutex
        m_mutex;  // the keysym table: lookups on the caller's thread, reloads on the reader's
    xcb_key_symbols_t* m_symbols;
};

}  // namespace x11hotkeys
