#pragma once
// Virtual-key codes (Windows numbering, as the hotkey settings speak them) to X keysyms.
#include <cstdint>
#include <vector>

namespace x11hotkeys {

// One way a keyboard map may carry a key.
struct KeySymbols {
    // Every key that carries one of these symbols is the key: the left and the right Shift
    // both release as "Shift键" in a key box, so both fire the hotkey.
    std::vector<uint32_t> keysyms;
    // Only a key that carries the symbol on its first level counts (not one that reaches it
    // through a modifier).
    bool firstLevelOnly = false;
    // The key gives the symbol while Control is held, so the grab adds Control.
    bool withControl = false;
};

// The ways to find the key, the usual one first: a keyboard map that lacks it may carry the
// key under another symbol (the F13 to F16 keys of most Linux maps launch applications).
// Empty when the code names no key.
std::vector<KeySymbols> keysymsOf(int32_t virtualKey);

}  // namespace x11hotkeys
