#include "hotkeys/key_name_table.h"

#include <map>
#include <vector>

namespace {

struct KeyName {
    int32_t code;
    Text display;
    Text alsoAccepted;  // empty: none
};

std::vector<KeyName> buildNames() {
    std::vector<KeyName> names = {
        {3, "Break", "break键"},   {8, "退格键", ""},
        {13, "回车键", ""},        {16, "Shift键", ""},
        {17, "Ctrl键", ""},        {18, "Alt键", ""},
        {19, "Pause键", ""},       {20, "Caps Lock键", "capsLock键"},
        {27, "Esc键", ""},         {32, "空格键", ""},
        {33, "PageUp键", ""},      {34, "PageDown键", ""},
        {35, "End键", ""},         {36, "Home键", ""},
        {37, "左光标键", ""},      {38, "上光标键", ""},
        {39, "右光标键", ""},      {40, "下光标键", ""},
        {45, "Ins键", ""},         {46, "Del键", ""},
        {91, "Win键", ""},         {106, "乘号键", ""},
        {107, "加号键", ""},       {144, "NumLock键", ""},
        {145, "ScrollLock键", ""}, {186, "分号键", ""},
        {187, "等号键", ""},       {188, "逗号键", ""},
        {189, "减号键", ""},       {190, "圆点键", ""},
        {191, "除号键", ""},       {192, "反撇号键", ""},
        {219, "左中括号键", ""},   {220, "斜杠键", ""},
        {221, "右中括号键", ""},   {222, "单引号键", ""},
    };
    // The digit and letter keys have the codes of their characters.
    for (char c = '0'; c <= '9'; ++c) names.push_back({c, Text(1, c) + "键", ""});
    for (char c = 'A'; c <= 'Z'; ++c) names.push_back({c, Text(1, c) + "键", ""});
    for (int f = 1; f <= 16; ++f) names.push_back({111 + f, "F" + text::fromInt(f) + "键", ""});
    return names;
}

struct Tables {
    std::map<int32_t, Text> byCode;
    std::map<Text, int32_t> byFoldedName;
};

const Tables& tables() {
    static const Tables t = [] {
        Tables built;
        for (const KeyName& k : buildNames()) {
            built.byCode[k.code] = k.display;
            built.byFoldedName[text::toLowerAscii(k.display)] = k.code;
            if (!k.alsoAccepted.empty())
                built.byFoldedName[text::toLowerAscii(k.alsoAccepted)] = k.code;
        }
        return built;
    }();
    return t;
}

}  // namespace

Text KeyNameTable::codeToName(int32_t code) {
    const auto& byCode = tables().byCode;
    const auto it = byCode.find(code);
    return it == byCode.end() ? Text() : it->second;
}

int32_t KeyNameTable::nameToCode(const Text& name) {
    if (name.empty()) return 0;
    const auto& byName = tables().byFoldedName;
    const auto it = byName.find(text::toLowerAscii(name));
    return it == byName.end() ? 0 : it->second;
}
