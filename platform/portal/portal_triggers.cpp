#include "platform/portal/portal_triggers.h"

#include <map>

#include "platform/hotkeys.h"

namespace portal_triggers {

namespace {

std::string keyName(int32_t code) {
    static const std::map<int32_t, std::string> names = {
        {3, "Break"},         {8, "BackSpace"},     {13, "Return"},        {16, "Shift_L"},
        {17, "Control_L"},    {18, "Alt_L"},        {19, "Pause"},         {20, "Caps_Lock"},
        {27, "Escape"},       {32, "space"},        {33, "Prior"},         {34, "Next"},
        {35, "End"},          {36, "Home"},         {37, "Left"},          {38, "Up"},
        {39, "Right"},        {40, "Down"},         {45, "Insert"},        {46, "Delete"},
        {91, "Super_L"},      {106, "KP_Multiply"}, {107, "KP_Add"},       {144, "Num_Lock"},
        {145, "Scroll_Lock"}, {186, "semicolon"},   {187, "equal"},        {188, "comma"},
        {189, "minus"},       {190, "period"},      {191, "slash"},        {192, "grave"},
        {219, "bracketleft"}, {220, "backslash"},   {221, "bracketright"}, {222, "apostrophe"},
    };
    if (code >= '0' && code <= '9') return std::string(1, static_cast<char>(code));
    // Letters by their lower-case symbol, the one on the key's first level.
    if (code >= 'A' && code <= 'Z') return std::string(1, static_cast<char>(code - 'A' + 'a'));
    if (code >= 112 && code <= 127) return "F" + std::to_string(code - 111);
    const auto it = names.find(code);
    return it == names.end() ? std::string() : it->second;
}

}  // namespace

std::string trigger(int32_t modifiers, int32_t keyCode) {
    constexpr int32_t all =
        platform::kModAlt | platform::kModControl | platform::kModShift | platform::kModWin;
    if (modifiers < 0 || (modifiers & ~all) != 0) return {};
    const std::string key = keyName(keyCode);
    if (key.empty()) return {};
    std::string out;
    if (modifiers & platform::kModControl) out += "CTRL+";
    if (modifiers & platform::kModAlt) out += "ALT+";
    if (modifiers & platform::kModShift) out += "SHIFT+";
    if (modifiers & platform::kModWin) out += "LOGO+";
    return out + key;
}

}  // namespace portal_triggers
