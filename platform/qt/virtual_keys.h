#pragma once
// Qt key codes to virtual-key codes in Windows numbering, which the hotkey settings store
// and the key-name table speaks. Punctuation follows the US layout, as those codes do.
#include <Qt>

class QKeyEvent;

namespace vkeys {

// The virtual-key code of a key, 0 when it has none. Keypad keys carry Qt::KeypadModifier
// and map to their own codes (keypad 5 is 101, not the digit key 53).
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
int virtualKeyCode(const QKeyEvent& event);

}  // namespace vkeys
