#include "platform/x11/hotkeys_keysyms.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <map>

namespace x11hotkeys {

namespace {

std::vector<KeySymbols> one(uint32_t keysym) {
    return {KeySymbols{{keysym}}};
}

const std::map<int32_t, std::vector<KeySymbols>>& table() {
    static const std::map<int32_t, std::vector<KeySymbols>> keys = [] {
        std::map<int32_t, std::vector<KeySymbols>> k = {
            // Break has a key of its own on few keyboards. The usual map gives it as the
            // Pause key's second level, which Control reaches (Ctrl+Pause, as on Windows):
            // grabbing that key plainly would take Pause away from its own row.
            {3, {{{XK_Break}, true}, {{XK_Pause}, false, true}}},
            {8, one(XK_BackSpace)},
            {13, one(XK_Return)},
            // Either side of a modifier key shows the same name in a key box; so does AltGr,
            // the right Alt of many layouts.
            {16, {{{XK_Shift_L, XK_Shift_R}}}},
            {17, {{{XK_Control_L, XK_Control_R}}}},
            {18, {{{XK_Alt_L, XK_Alt_R, XK_ISO_Level3_Shift}}}},
            {19, one(XK_Pause)},
            {20, one(XK_Caps_Lock)},
            {27, one(XK_Escape)},
            {32, one(XK_space)},
            {33, one(XK_Prior)},
            {34, one(XK_Next)},
            {35, one(XK_End)},
            {36, one(XK_Home)},
            {37, one(XK_Left)},
            {38, one(XK_Up)},
            {39, one(XK_Right)},
            {40, one(XK_Down)},
            {45, one(XK_Insert)},
            {46, one(XK_Delete)},
            {91, one(XK_Super_L)},
            {106, one(XK_KP_Multiply)},
            {107, one(XK_KP_Add)},
            {144, one(XK_Num_Lock)},
            {145, one(XK_Scroll_Lock)},
            // Punctuation as on the US layout, which these codes are named after.
            {186, one(XK_semicolon)},
            {187, one(XK_equal)},
            {188, one(XK_comma)},
            {189, one(XK_minus)},
            {190, one(XK_period)},
            {191, one(XK_slash)},
            {192, one(XK_grave)},
            {219, one(XK_bracketleft)},
            {220, one(XK_backslash)},
            {221, one(XK_bracketright)},
            {222, one(XK_apostrophe)},
        };
        for (uint32_t i = 0; i <= 9; ++i) k[48 + i] = one(XK_0 + i);
        // Letters by their lower-case symbol, the one on the key's first level.
        for (uint32_t i = 0; i < 26; ++i) k[65 + i] = one(XK_a + i);
        for (uint32_t i = 0; i < 16; ++i) k[112 + i] = one(XK_F1 + i);
        k[124].push_back({{XF86XK_Tools}});
        k[125].push_back({{XF86XK_Launch5}});
        k[126].push_back({{XF86XK_Launch6}});
        k[127].push_back({{XF86XK_Launch7}});
        return k;
    }();
    return keys;
}

}  // namespace

std::vector<KeySymbols> keysymsOf(int32_t virtualKey) {
    const auto it = table().find(virtualKey);
    return it == table().end() ? std::vector<KeySymbols>() : it->second;
}

}  // namespace x11hotkeys
