#pragma once
// Virtual-key codes (Windows numbering, as the hotkey settings speak them) to X keysyms.
#include <cstdint>
#include <vector>

namespace x11hotkeys {

// The keysyms that stand for the key, the usual one first: a keyboard map that lacks it
// may carry the key under another symbol (the F13 to F16 keys of most Linux maps launch
// applications). Empty when the code names no key.
std::vector<uint32_t> keysymsOf(int32_t virtualKey);

}  // namespace x11hotkeys
