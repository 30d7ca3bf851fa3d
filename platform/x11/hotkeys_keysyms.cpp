#include "platform/x11/hotkeys_keysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <map>

namespace x11hotkeys {

namespace {

const std::map<int32_t, std::vector<uint32_t>>& table() {
    static const std::map<int32_t, std::vector<uint32_t>> keys = [] {
        std::map<int32_t, std::vector<uint32_t>> k = {
            // Break is the second symbol of the Pause key: the grab takes that key.
            {3, {XK_Break}},
            {8, {XK_BackSpace}},
            {13, {XK_Return}},
            {16, {XK_Shift_L}},
            {17, {XK_Control_L}},
            {18, {XK_Alt_L}},
            {19, {XK_Pause}},
            {20, {XK_Caps_Lock}},
            {27, {XK_Escape}},
            {32, {XK_space}},
            {33, {XK_Prior}},
            {34, {XK_Next}},
            {35, {XK_End}},
            {36, {XK_Home}},
            {37, {XK_Left}},
            {38, {XK_Up}},
            {39, {XK_Right}},
            {40, {XK_Down}},
            {45, {XK_Insert}},
            {46, {XK_Delete}},
            {91, {XK_Super_L}},
            {106, {XK_KP_Multiply}},
            {107, {XK_KP_Add}},
            {144, {XK_Num_Lock}},
            {145, {XK_Scroll_Lock}},
            // Punctuation as on the US layout, which these codes are named after.
            {186, {XK_semicolon}},
            {187, {XK_equal}},
            {188, {XK_comma}},
            {189, {XK_minus}},
            {190, {XK_period}},
            {191, {XK_slash}},
            {192, {XK_grave}},
            {219, {XK_bracketleft}},
            {220, {XK_backslash}},
            {221, {XK_bracketright}},
            {222, {XK_apostrophe}},
        };
        for (int i = 0; i <= 9; ++i) k[48 + i] = {static_cast<uint32_t>(XK_0 + i)};
        // Letters by their lower-case symbol, the one on the key's first level.
        for (int i = 0; i < 26; ++i) k[65 + i] = {static_cast<uint32_t>(XK_a + i)};
        for (int i = 0; i < 16; ++i) k[112 + i] = {static_cast<uint32_t>(XK_F1 + i)};
        k[124].push_back(XF86XK_Tools);
        k[125].push_back(XF86XK_Launch5);
        k[126].push_back(XF86XK_Launch6);
        k[127].push_back(XF86XK_Launch7);
        return k;
    }();
    return keys;
}

}  // namespace

std::vector<uint32_t> keysymsOf(int32_t virtualKey) {
    const auto it = table().find(virtualKey);
    return it == table().end() ? std::vector<uint32_t>() : it->second;
}

}  // namespace x11hotkeys
