#include "platform/x11/hotkeys_grabber.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

#include "platform/hotkeys.h"
#include "platform/x11/hotkeys_keysyms.h"
#include "platform/x11/xcb_reply.h"

namespace x11hotkeys {

namespace {

// The eight core modifiers; higher bits of an event state are pointer buttons.
constexpr uint16_t kModifierBits = 0xff;

// Every combination of the lock bits, none first.
std::vector<uint16_t> lockVariants(uint16_t locks) {
    std::vector<uint16_t> variants;
    uint16_t subset = 0;
    do {
        variants.push_back(subset);
        subset = static_cast<uint16_t>((subset - locks) & locks);
    } while (subset != 0);
    return variants;
}

using Variant = std::pair<xcb_keycode_t, uint16_t>;

std::vector<Variant> variantsOf(const KeyGrab& grab) {
    std::vector<Variant> variants;
    for (xcb_keycode_t keycode : grab.keycodes) {
        for (uint16_t locks : lockVariants(grab.locks)) {
            variants.emplace_back(keycode, static_cast<uint16_t>(grab.modifiers | locks));
        }
    }
    return variants;
}

}  // namespace

bool KeyGrab::matches(xcb_keycode_t keycode, uint16_t state) const {
    if (std::find(keycodes.begin(), keycodes.end(), keycode) == keycodes.end()) return false;
    return (state & kModifierBits & ~locks) == modifiers;
}

bool KeyGrab::overlaps(const KeyGrab& other) const {
    if (modifiers != other.modifiers) return false;
    return std::any_of(keycodes.begin(), keycodes.end(), [&](xcb_keycode_t k) {
        return std::find(other.keycodes.begin(), other.keycodes.end(), k) != other.keycodes.end();
    });
}

HotkeysGrabber::HotkeysGrabber(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root), m_symbols(xcb_key_symbols_alloc(connection)) {}

HotkeysGrabber::~HotkeysGrabber() {
    if (m_symbols) xcb_key_symbols_free(m_symbols);
}

std::optional<KeyGrab> HotkeysGrabber::resolve(int32_t modifiers, int32_t virtualKey) {
    constexpr int32_t kAllFlags =
        platform::kModAlt | platform::kModControl | platform::kModShift | platform::kModWin;
    // -1 (no choice made) falls out here too; key code 0 would be X's AnyKey.
    if (modifiers < 0 || (modifiers & ~kAllFlags) != 0 || virtualKey == 0) return std::nullopt;

    KeyGrab grab;
    for (const KeySymbols& way : keysymsOf(virtualKey)) {
        for (uint32_t keysym : way.keysyms) {
            for (xcb_keycode_t k : keycodesOf(keysym, way.firstLevelOnly)) {
                if (std::find(grab.keycodes.begin(), grab.keycodes.end(), k) ==
                    grab.keycodes.end()) {
                    grab.keycodes.push_back(k);
                }
            }
        }
        if (!grab.keycodes.empty()) {
            if (way.withControl) grab.modifiers |= XCB_MOD_MASK_CONTROL;
            break;
        }
    }
    if (grab.keycodes.empty()) return std::nullopt;

    if (modifiers & platform::kModAlt) grab.modifiers |= XCB_MOD_MASK_1;
    if (modifiers & platform::kModControl) grab.modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & platform::kModShift) grab.modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & platform::kModWin) grab.modifiers |= XCB_MOD_MASK_4;
    grab.locks = static_cast<uint16_t>(lockModifiers() & ~grab.modifiers);
    return grab;
}

bool HotkeysGrabber::grab(const KeyGrab& grab) {
    const std::vector<Variant> variants = variantsOf(grab);
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(variants.size());
    for (const auto& [keycode, modifiers] : variants) {
        cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    // Every request is checked, so the ones the server granted are known even after a
    // refusal in the middle.
    std::vector<Variant> taken;
    bool refused = false;
    for (size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookies[i])) {
            refused = true;
            std::free(error);
        } else {
            taken.push_back(variants[i]);
        }
    }
    // A lost connection answers no request, which reads as success.
    if (xcb_connection_has_error(m_connection)) refused = true;
    if (refused) ungrabVariants(taken);
    return !refused;
}

void HotkeysGrabber::ungrab(const KeyGrab& grab) {
    if (grab.keycodes.empty()) return;
    ungrabVariants(variantsOf(grab));
}

void HotkeysGrabber::releaseStale(const std::vector<KeyGrab>& before,
                                  const std::vector<KeyGrab>& after) {
    std::vector<Variant> kept;
    for (const KeyGrab& grab : after) {
        for (const Variant& v : variantsOf(grab)) kept.push_back(v);
    }
    std::vector<Variant> stale;
    for (const KeyGrab& grab : before) {
        for (const Variant& v : variantsOf(grab)) {
            if (std::find(kept.begin(), kept.end(), v) == kept.end()) stale.push_back(v);
        }
    }
    if (!stale.empty()) ungrabVariants(stale);
}

void HotkeysGrabber::ungrabVariants(const std::vector<Variant>& variants) {
    for (const auto& [keycode, modifiers] : variants) {
        xcb_ungrab_key(m_connection, keycode, m_root, modifiers);
    }
    // A round trip: the server handles different clients' requests in no set order, so
    // the keys are free for others only once it has answered after the ungrabs.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

bool HotkeysGrabber::mappingChanged(xcb_mapping_notify_event_t* event) {
    if (event->request == XCB_MAPPING_POINTER) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_symbols) xcb_refresh_keyboard_mapping(m_symbols, event);
    return true;
}

std::vector<xcb_keycode_t> HotkeysGrabber::keycodesOf(uint32_t keysym, bool firstLevelOnly) {
    std::vector<xcb_keycode_t> keycodes;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_symbols) return keycodes;
    if (firstLevelOnly) {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        for (int k = setup->min_keycode; k <= setup->max_keycode; ++k) {
            const auto keycode = static_cast<xcb_keycode_t>(k);
            if (xcb_key_symbols_get_keysym(m_symbols, keycode, 0) == keysym) {
                keycodes.push_back(keycode);
            }
        }
        return keycodes;
    }
    const XcbReply<xcb_keycode_t> found{xcb_key_symbols_get_keycode(m_symbols, keysym)};
    if (!found) return keycodes;
    for (const xcb_keycode_t* k = found.value; *k != XCB_NO_SYMBOL; ++k) {
        if (std::find(keycodes.begin(), keycodes.end(), *k) == keycodes.end()) {
            keycodes.push_back(*k);
        }
    }
    return keycodes;
}

// Caps Lock is always the Lock modifier; Num Lock and Scroll Lock sit on whichever
// modifier the keyboard map gives them, or on none.
uint16_t HotkeysGrabber::lockModifiers() {
    uint16_t locks = XCB_MOD_MASK_LOCK;
    std::vector<xcb_keycode_t> lockKeys = keycodesOf(XK_Num_Lock);
    for (xcb_keycode_t k : keycodesOf(XK_Scroll_Lock)) lockKeys.push_back(k);
    if (lockKeys.empty()) return locks;

    const XcbReply<xcb_get_modifier_mapping_reply_t> reply{xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr)};
    if (!reply) return locks;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.value);
    const int perModifier = reply->keycodes_per_modifier;
    // Shift and Control (bits 0 and 2) never count as locks, whatever key sits on them.
    for (int modifier = 3; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code != 0 && std::find(lockKeys.begin(), lockKeys.end(), code) != lockKeys.end()) {
                locks |= static_cast<uint16_t>(1u << modifier);
            }
        }
    }
    return locks;
}

}  // namespace x11hotkeys
