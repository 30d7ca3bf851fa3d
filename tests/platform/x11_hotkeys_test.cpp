// The X11 hotkeys backend against a real X server, keys pressed with xdotool.
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <span>

#include "platform/x11_hotkeys_fixture.h"

namespace {

using platform::kModAlt;
using platform::kModControl;
using platform::kModShift;
using platform::kModWin;

constexpr uint16_t kAlt = XCB_MOD_MASK_1;
constexpr uint16_t kCaps = XCB_MOD_MASK_LOCK;
constexpr uint16_t kNum = XCB_MOD_MASK_2;  // where the default keyboard map puts Num Lock
// The lock variants of Alt.
constexpr uint16_t kAltVariants[] = {kAlt, kAlt | kCaps, kAlt | kNum, kAlt | kCaps | kNum};

TEST_F(X11HotkeysTest, PressedHotkeyReachesTheWindowWhateverLockIsOn) {
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 1, kModAlt, 112));
    const struct {
        const char* toggle;
        uint16_t locks;
    } cases[] = {
        {"", 0},
        {"Num_Lock", kNum},
        {"Caps_Lock", kCaps},
        {"Num_Lock Caps_Lock", kNum | kCaps},
    };
    for (const auto& c : cases) {
        clearLocks();
        if (*c.toggle) {
            ASSERT_TRUE(press(c.toggle));
        }
        ASSERT_EQ(other->modifierState() & (kCaps | kNum), c.locks) << c.toggle;
        fired.clear();
        ASSERT_TRUE(press("alt+F1"));
        EXPECT_TRUE(waitFired(1)) << c.toggle;
        EXPECT_EQ(fired, std::vector<int64_t>{1}) << c.toggle;
    }
    EXPECT_TRUE(allOnUiThread);
}

TEST_F(X11HotkeysTest, EachModifierFlagMeetsItsKey) {
    const struct {
        int32_t modifiers;
        const char* keys;
    } cases[] = {
        {0, "F5"},
        {kModAlt, "alt+F6"},
        {kModControl, "ctrl+F7"},
        {kModShift, "shift+F8"},
        {kModWin, "super+F9"},
        {kModControl | kModShift, "ctrl+shift+F10"},  // ctrl+alt+Fn switch consoles
    };
    int id = 1;
    for (const auto& c : cases) {
        ASSERT_TRUE(hotkeys->registerHotkey(kWindow, id, c.modifiers, 116 + id - 1)) << c.keys;
        ++id;
    }
    // A combination with other modifiers than registered is another combination.
    ASSERT_TRUE(press("ctrl+F6"));
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(press(cases[i].keys));
        EXPECT_TRUE(waitFired(i + 1)) << cases[i].keys;
    }
    EXPECT_EQ(fired, (std::vector<int64_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(X11HotkeysTest, CombinationHeldByAnotherClientFailsAndLeavesNoVariantGrabbed) {
    for (uint16_t held : kAltVariants) {
        ASSERT_TRUE(other->grab(XK_F2, held));
        EXPECT_FALSE(hotkeys->registerHotkey(kWindow, 2, kModAlt, 113)) << held;
        other->ungrab(XK_F2, held);
        for (uint16_t v : kAltVariants) {
            EXPECT_TRUE(other->isFree(XK_F2, v)) << "held " << held << ", still grabbed " << v;
        }
    }
    // The connection survived the refusals.
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 2, kModAlt, 113));
    ASSERT_TRUE(press("alt+F2"));
    EXPECT_TRUE(waitFired(1));
    EXPECT_EQ(fired, std::vector<int64_t>{2});
}

TEST_F(X11HotkeysTest, InvalidCombinationsAreRefusedWithoutGrabbingAnything) {
    const struct {
        int32_t modifiers;
        int32_t keyCode;
    } cases[] = {
        {-1, 112},     // no modifier chosen
        {kModAlt, 0},  // empty or unknown key box
        {0, 0},
        {-1, 0},
        {16, 112},  // not a modifier flag
        {kModAlt | 64, 112},
        {kModAlt, 96},  // a key without a name (numeric-pad 0)
        {kModAlt, 200},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(hotkeys->registerHotkey(kWindow, 1, c.modifiers, c.keyCode))
            << c.modifiers << " " << c.keyCode;
        // Passed on, key 0 is X's AnyKey and -1 holds AnyModifier: each would take these.
        EXPECT_TRUE(other->isFree(XK_F1, 0));
        EXPECT_TRUE(other->isFree(XK_F1, kAlt));
        EXPECT_TRUE(other->isFree(XK_a, kAlt));
        EXPECT_TRUE(other->isFree(XK_b, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT));
    }
}

TEST_F(X11HotkeysTest, OneCombinationServesOneRegistration) {
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 1, kModControl, 115));
    EXPECT_FALSE(hotkeys->registerHotkey(kWindow, 2, kModControl, 115));
    EXPECT_FALSE(hotkeys->registerHotkey(kWindow + 1, 1, kModControl, 115));
    EXPECT_TRUE(hotkeys->registerHotkey(kWindow, 2, kModShift, 115));
    ASSERT_TRUE(press("ctrl+F4"));
    ASSERT_TRUE(press("shift+F4"));
    EXPECT_TRUE(waitFired(2));
    EXPECT_EQ(fired, (std::vector<int64_t>{1, 2}));
}

TEST_F(X11HotkeysTest, UnregisteredCombinationNoLongerFiresAndANewOneDoes) {
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 1, kModAlt, 112));
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 2, kModAlt, 114));
    hotkeys->unregisterHotkey(kWindow, 1);
    for (uint16_t v : kAltVariants) {
        EXPECT_TRUE(other->isFree(XK_F1, v)) << v;
    }
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 4, kModControl, 113));
    // Events keep their order: had alt+F1 fired, it would come first.
    ASSERT_TRUE(press("alt+F1"));
    ASSERT_TRUE(press("ctrl+F2"));
    ASSERT_TRUE(press("alt+F3"));
    EXPECT_TRUE(waitFired(2));
    EXPECT_EQ(fired, (std::vector<int64_t>{4, 2}));
    // The old combination is free for a new registration.
    EXPECT_TRUE(hotkeys->registerHotkey(kWindow, 5, kModAlt, 112));
}

TEST_F(X11HotkeysTest, ReplacedHandlingIsHandedBack) {
    // Before the fixture's handler, the window had the default handling.
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous(kWindow, {platform::kHotkeyEvent, 1}), 0);
    std::vector<int64_t> seen;
    platform::WindowHandler fixtureHandler = hotkeys->setWindowHandler(
        kWindow, [&](platform::WindowHandle, const platform::WindowEvent& event) {
            seen.push_back(event.id);
            return 9;
        });
    ASSERT_TRUE(fixtureHandler);
    fixtureHandler(kWindow, {platform::kHotkeyEvent, 42});
    EXPECT_EQ(fired, std::vector<int64_t>{42});

    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 3, kModAlt, 114));
    ASSERT_TRUE(press("alt+F3"));
    EXPECT_TRUE(ui.runUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, std::vector<int64_t>{3});
    EXPECT_EQ(fired, std::vector<int64_t>{42});
}

// Break is Ctrl+Pause, so Break and Pause are two rows; either side of Shift, Ctrl and Alt is
// the key whose name the key box shows.
TEST_F(X11HotkeysTest, BreakPauseAndBothSidesOfTheModifierKeys) {
    const struct {
        int32_t modifiers;
        int32_t keyCode;
        const char* keys;
    } cases[] = {
        {0, 3, "ctrl+Pause"},       {0, 19, "Pause"},   {kModAlt, 3, "alt+ctrl+Pause"},
        {kModAlt, 19, "alt+Pause"}, {0, 16, "Shift_R"}, {0, 16, "Shift_L"},
        {0, 17, "Control_R"},       {0, 18, "Alt_R"},   {kModShift, 17, "shift+Control_R"},
    };
    // Break and Pause held at once by two rows.
    for (int id = 0; id < 4; ++id) {
        EXPECT_TRUE(
            hotkeys->registerHotkey(kWindow, id + 1, cases[id].modifiers, cases[id].keyCode))
            << cases[id].keys;
    }
    for (int id = 0; id < 4; ++id) ASSERT_TRUE(press(cases[id].keys));
    EXPECT_TRUE(waitFired(4));
    EXPECT_EQ(fired, (std::vector<int64_t>{1, 2, 3, 4}));
    for (int id = 1; id <= 4; ++id) hotkeys->unregisterHotkey(kWindow, id);
    // A modifier key as the hotkey takes the keyboard while held, so one at a time.
    for (const auto& c : std::span(cases).subspan(4)) {
        ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 9, c.modifiers, c.keyCode)) << c.keys;
        fired.clear();
        ASSERT_TRUE(press(c.keys));
        EXPECT_TRUE(waitFired(1)) << c.keys;
        hotkeys->unregisterHotkey(kWindow, 9);
    }
}

// After a layout switch the hotkey stays on its symbol: "Z键" follows z from the US key to
// the German one, and the key that now gives y no longer fires it.
TEST_F(X11HotkeysTest, LayoutSwitchMovesTheGrabWithTheSymbol) {
    const auto layout = [&](const char* name) {
        const std::string command =
            "DISPLAY=" + server().display() + " setxkbmap " + name + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    };
    struct Restore {
        std::function<bool(const char*)> layout;
        ~Restore() { layout("us"); }
    } restore{layout};
    ASSERT_TRUE(hotkeys->registerHotkey(kWindow, 1, kModAlt, 'Z'));
    ASSERT_TRUE(layout("de"));
    // The new map reaches the backend a moment later: press until it fires.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (fired.empty() && std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(press("alt+z"));
        ui.runUntil([&] { return !fired.empty(); }, std::chrono::milliseconds(200));
    }
    ASSERT_EQ(fired, std::vector<int64_t>{1});
    ASSERT_TRUE(press("alt+y"));
    ASSERT_TRUE(press("alt+z"));
    EXPECT_TRUE(waitFired(2));
    EXPECT_EQ(fired, (std::vector<int64_t>{1, 1}));
}

}  // namespace
