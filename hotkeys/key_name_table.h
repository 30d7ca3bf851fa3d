#pragma once
// The names of the keys that can be hotkey keys, as the key boxes of the settings page show
// them. Codes are virtual-key codes in Windows numbering, which the settings file speaks.
#include <cstdint>

#include "text/text_tools.h"

class KeyNameTable {
public:
    // The display name of the key, empty when the key has no name.
    static Text codeToName(int32_t code);
    // The code whose display name or also-accepted name equals the text, ignoring the case
    // of the ASCII letters only; 0 when none does (also for the empty text).
    static int32_t nameToCode(const Text& name);
};
