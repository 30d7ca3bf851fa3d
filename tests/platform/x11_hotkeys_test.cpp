// The X11 hotkeys backend against a real X server, keys pressed with xdotool.
#include <X11/keysym.h>

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

}  // namespace
