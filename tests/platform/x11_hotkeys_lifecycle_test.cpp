// Every named key as a hotkey, the hotkey manager over the X11 backend, and shutdown.
#include <algorithm>

#include "app/control_names.h"
#include "hotkeys/hotkey_manager.h"
#include "hotkeys/key_name_table.h"
#include "platform/x11_hotkeys_fixture.h"
#include "support/fake_form.h"

namespace {

struct KeyPress {
    int32_t code;
    std::string keys;  // what xdotool presses
    int presses = 1;
};

// Each named key with the key that produces it. Lock keys are pressed twice: the second
// press comes with the lock on, and the lock ends off again.
std::vector<KeyPress> namedKeys() {
    std::vector<KeyPress> keys = {
        {3, "ctrl+Pause"},  // Break is the Pause key's second level, reached with Control
        {8, "BackSpace"},
        {13, "Return"},
        {16, "Shift_L"},
        {17, "Control_L"},
        {18, "Alt_L"},
        {19, "Pause"},
        {20, "Caps_Lock", 2},
        {27, "Escape"},
        {32, "space"},
        {33, "Prior"},
        {34, "Next"},
        {35, "End"},
        {36, "Home"},
        {37, "Left"},
        {38, "Up"},
        {39, "Right"},
        {40, "Down"},
        {45, "Insert"},
        {46, "Delete"},
        {91, "Super_L"},
        {106, "KP_Multiply"},
        {107, "KP_Add"},
        {144, "Num_Lock", 2},
        {145, "Scroll_Lock", 2},
        {186, "semicolon"},
        {187, "equal"},
        {188, "comma"},
        {189, "minus"},
        {190, "period"},
        {191, "slash"},
        {192, "grave"},
        {219, "bracketleft"},
        {220, "backslash"},
        {221, "bracketright"},
        {222, "apostrophe"},
        // The usual Linux map gives the F13 to F16 keys launcher symbols.
        {124, "XF86Tools"},
        {125, "XF86Launch5"},
        {126, "XF86Launch6"},
        {127, "XF86Launch7"},
    };
    for (char c = '0'; c <= '9'; ++c) keys.push_back({c, std::string(1, c)});
    for (char c = 'A'; c <= 'Z'; ++c)
        keys.push_back({c, std::string(1, static_cast<char>(c + 32))});
    for (int f = 1; f <= 12; ++f) keys.push_back({111 + f, "F" + std::to_string(f)});
    return keys;
}

TEST_F(X11HotkeysTest, EveryNamedKeyCanBeAHotkey) {
    const std::vector<KeyPress> keys = namedKeys();
    size_t named = 0;
    for (int32_t code = 0; code < 256; ++code) {
        if (KeyNameTable::codeToName(code).empty()) continue;
        ++named;
        EXPECT_TRUE(std::any_of(keys.begin(), keys.end(),
                                [&](const KeyPress& k) { return k.code == code; }))
            << "no key pressed for " << KeyNameTable::codeToName(code);
    }
    EXPECT_EQ(named, keys.size());

    for (const KeyPress& k : keys) {
        ASSERT_TRUE(hotkeys->registerHotkey(kWindow, k.code, 0, k.code)) << k.keys;
        fired.clear();
        for (int i = 0; i < k.presses; ++i) ASSERT_TRUE(press(k.keys));
        EXPECT_TRUE(waitFired(k.presses)) << k.keys;
        EXPECT_EQ(fired, std::vector<int64_t>(k.presses, k.code)) << k.keys;
        hotkeys->unregisterHotkey(kWindow, k.code);
    }
    EXPECT_EQ(other->modifierState() & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);
}

TEST_F(X11HotkeysTest, HotkeyManagerRunsTheCommandOfThePressedHotkey) {
    AppState state("");
    state.hotkeyCount = 5;
    FakeForm form;
    StatusLine status(form);
    std::vector<int32_t> commands;
    auto manager =
        std::make_unique<HotkeyManager>(state, form, status, *hotkeys, kWindow, [&](int32_t id) {
            commands.push_back(id);
            return 0;
        });
    form.setSelectedIndex(ctl::组合框3, 2);
    form.setText(ctl::编辑框3, "F3键");
    form.setSelectedIndex(ctl::组合框5, 1);
    form.setText(ctl::编辑框5, "F3键");
    manager->registerAll();
    EXPECT_EQ(form.text(ctl::按钮正面截图), "正面截图识别\r\n(快捷键:Ctrl键+F3键)");
    EXPECT_EQ(form.text(ctl::按钮坐标截图证), "多个坐标识别\r\n(快捷键:Alt键+F3键)");

    ASSERT_TRUE(press("alt+F3"));
    ASSERT_TRUE(press("ctrl+F3"));
    EXPECT_TRUE(ui.runUntil([&] { return commands.size() >= 2; }));
    EXPECT_EQ(commands, (std::vector<int32_t>{5, 3}));
    EXPECT_TRUE(fired.empty()) << "hotkeys must not reach the handling the manager replaced";
    hotkeys.reset();  // before the manager whose handler it holds
}

TEST_F(X11HotkeysTest, HotkeyPostedBeforeShutdownDoesNothingAfterIt) {
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 1, platform::kModAlt, 112));
    ASSERT_TRUE(press("alt+F1"));
    ASSERT_TRUE(ui.waitPosted());
    hotkeys.reset();
    ui.runPosted();
    EXPECT_TRUE(fired.empty());
}

TEST_F(X11HotkeysTest, LostServerNeitherCrashesNorHangs) {
    X11PrivateServer doomed;
    std::unique_ptr<HotkeysX11> lost = makeHotkeys(doomed.display());
    ASSERT_TRUE(lost->connected());
    ASSERT_TRUE(lost->registerHotkey(kWindow, 1, platform::kModAlt, 112));
    doomed.kill();
    EXPECT_FALSE(lost->registerHotkey(kWindow, 2, platform::kModAlt, 113));
    lost->unregisterHotkey(kWindow, 1);
    lost.reset();
    ui.runPosted();
    EXPECT_TRUE(fired.empty());
}

TEST_F(X11HotkeysTest, WithoutADisplayEveryRegistrationFails) {
    HotkeysX11 none([](std::function<void()>) {}, ":4711");
    EXPECT_FALSE(none.connected());
    EXPECT_FALSE(none.registerHotkey(kWindow, 1, platform::kModAlt, 112));
    const platform::WindowHandler old = none.setWindowHandler(kWindow, nullptr);
    ASSERT_TRUE(old);
    EXPECT_EQ(old(kWindow, {platform::kHotkeyEvent, 1}), 0);
}

}  // namespace
