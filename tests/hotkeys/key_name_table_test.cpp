#include "hotkeys/key_name_table.h"

#include <gtest/gtest.h>

#include <set>

TEST(KeyNameTable, NamesOfCodes) {
    const struct {
        int32_t code;
        const char* name;
    } cases[] = {
        {3, "Break"},
        {8, "退格键"},
        {13, "回车键"},
        {16, "Shift键"},
        {17, "Ctrl键"},
        {18, "Alt键"},
        {19, "Pause键"},
        {20, "Caps Lock键"},
        {27, "Esc键"},
        {32, "空格键"},
        {33, "PageUp键"},
        {34, "PageDown键"},
        {35, "End键"},
        {36, "Home键"},
        {37, "左光标键"},
        {38, "上光标键"},
        {39, "右光标键"},
        {40, "下光标键"},
        {45, "Ins键"},
        {46, "Del键"},
        {48, "0键"},
        {57, "9键"},
        {65, "A键"},
        {90, "Z键"},
        {91, "Win键"},
        {106, "乘号键"},
        {107, "加号键"},
        {112, "F1键"},
        {116, "F5键"},
        {127, "F16键"},
        {144, "NumLock键"},
        {145, "ScrollLock键"},
        {186, "分号键"},
        {187, "等号键"},
        {188, "逗号键"},
        {189, "减号键"},
        {190, "圆点键"},
        {191, "除号键"},
        {192, "反撇号键"},
        {219, "左中括号键"},
        {220, "斜杠键"},
        {221, "右中括号键"},
        {222, "单引号键"},
        // Keys without a name.
        {0, ""},
        {-1, ""},
        {1, ""},
        {9, ""},
        {47, ""},
        {58, ""},
        {64, ""},
        {92, ""},
        {96, ""},
        {105, ""},
        {108, ""},
        {111, ""},
        {128, ""},
        {146, ""},
        {185, ""},
        {193, ""},
        {223, ""},
        {255, ""},
        {1000, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyNameTable::codeToName(c.code), c.name) << c.code;
}

TEST(KeyNameTable, CodesOfNamesIgnoreAsciiCaseOnly) {
    const struct {
        const char* name;
        int32_t code;
    } cases[] = {
        {"F1键", 112},
        {"f1键", 112},
        {"Break", 3},
        {"break", 3},
        {"BREAK", 3},
        {"break键", 3},
        {"Break键", 3},
        {"BREAK键", 3},
        {"Caps Lock键", 20},
        {"caps lock键", 20},
        {"CAPS LOCK键", 20},
        {"capsLock键", 20},
        {"capslock键", 20},
        {"CAPSLOCK键", 20},
        {"NumLock键", 144},
        {"numlock键", 144},
        {"NUMLOCK键", 144},
        {"Ctrl键", 17},
        {"ctrl键", 17},
        {"cTRL键", 17},
        {"a键", 65},
        {"z键", 90},
        {"pageup键", 33},
        {"scrolllock键", 145},
        {"分号键", 186},
        // No match: 0.
        {"", 0},
        {"F1", 0},
        {"F1 键", 0},
        {" F1键", 0},
        {"F17键", 0},
        {"F0键", 0},
        {"键", 0},
        {"Caps Lock", 0},
        {"CapsLock", 0},
        {"NumLock", 0},
        {"Num Lock键", 0},
        {"Break键键", 0},
        {"Ｆ1键", 0},  // full-width F: not an ASCII letter
        {"F1鍵", 0},   // another character for "key"
        {"AB键", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyNameTable::nameToCode(c.name), c.code) << c.name;
}

// Every display name leads back to its own code in any ASCII case, and exactly 88 codes
// have one.
TEST(KeyNameTable, EveryDisplayNameConvertsBack) {
    int named = 0;
    std::set<std::string> names;
    for (int32_t code = -300; code <= 1000; ++code) {
        const Text name = KeyNameTable::codeToName(code);
        if (name.empty()) continue;
        ++named;
        names.insert(name);
        EXPECT_EQ(KeyNameTable::nameToCode(name), code) << name;
        EXPECT_EQ(KeyNameTable::nameToCode(text::toLowerAscii(name)), code) << name;
        EXPECT_EQ(KeyNameTable::nameToCode(text::toUpperAscii(name)), code) << name;
    }
    EXPECT_EQ(named, 88);
    EXPECT_EQ(names.size(), 88u);
}
