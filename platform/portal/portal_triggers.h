#pragma once
// A hotkey row's combination in the form the desktop portal takes as a preferred trigger:
// modifiers and an XKB key name joined by "+", as in "CTRL+ALT+F1".
#include <cstdint>
#include <string>

namespace portal_triggers {

// Empty when the modifiers are not a combination of the kMod flags or the virtual-key code
// (Windows numbering) names no key.
std::string trigger(int32_t modifiers, int32_t keyCode);

}  // namespace portal_triggers
