#include "hotkeys/hotkey_manager.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "app/control_names.h"
#include "support/fake_form.h"
#include "support/fake_hotkeys.h"

namespace {

using Combination = FakeHotkeys::Combination;
constexpr platform::WindowHandle kWindow = 0x5a17;

const std::array<const char*, 5> kModifierBoxes = {ctl::组合框1, ctl::组合框2, ctl::组合框3,
                                                   ctl::组合框4, ctl::组合框5};
const std::array<const char*, 5> kKeyBoxes = {ctl::编辑框1, ctl::编辑框2, ctl::编辑框3,
                                              ctl::编辑框4, ctl::编辑框5};
const std::array<const char*, 5> kButtons = {ctl::按钮截图, ctl::按钮坐标截图, ctl::按钮正面截图,
                                             ctl::按钮副面截图, ctl::按钮坐标截图证};

// Modifier box indexes.
enum { None = 0, Alt = 1, Ctrl = 2, Shift = 3, Win = 4 };

struct Row {
    int modifierIndex;  // -1: nothing selected
    const char* key;
};

// The settings page on a fake window, the manager on a fake platform; every capture
// command records its id and answers 100 + id.
struct Harness {
    AppState state{""};
    FakeForm form;
    StatusLine status{form};
    FakeHotkeys hotkeys;
    std::vector<int32_t> commands;
    HotkeyManager manager{state, form, status, hotkeys, kWindow, [this](int32_t id) {
                              commands.push_back(id);
                              return 100 + id;
                          }};

    Harness() { state.hotkeyCount = 5; }

    void setRow(int n, const Row& row) {
        form.setSelectedIndex(kModifierBoxes[n - 1], row.modifierIndex);
        form.setText(kKeyBoxes[n - 1], row.key);
    }
    // Five distinct, valid rows.
    void setValidRows() {
        setRow(1, {Alt, "F1键"});
        setRow(2, {None, "F2键"});
        setRow(3, {Ctrl, "F3键"});
        setRow(4, {Shift, "a键"});
        setRow(5, {Win, "Break"});
    }
    std::string caption(int n) { return form.text(kButtons[n - 1]); }
};

TEST(HotkeyManager, RegisterAllRegistersEveryRowAndShowsItOnTheButton) {
    Harness h;
    h.setValidRows();
    const std::string statusBefore = h.status.text();
    h.manager.registerAll();

    const struct {
        int id;
        Combination combination;
        const char* caption;
    } expected[] = {
        {1, {1, 112}, "截图识别\r\n(快捷键:Alt键+F1键)"},
        {2, {0, 113}, "坐标截图识别\r\n(快捷键:无+F2键)"},
        {3, {2, 114}, "正面截图识别\r\n(快捷键:Ctrl键+F3键)"},
        {4, {4, 65}, "副面截图识别\r\n(快捷键:Shift键+a键)"},
        {5, {8, 3}, "多个坐标识别\r\n(快捷键:Win键+Break)"},
    };
    for (const auto& e : expected) {
        const FakeHotkeys::Registration* r = h.hotkeys.holder(e.combination);
        ASSERT_NE(r, nullptr) << e.id;
        EXPECT_EQ(r->id, e.id);
        EXPECT_EQ(r->window, kWindow);
        EXPECT_EQ(h.caption(e.id), e.caption);
    }
    EXPECT_EQ(h.hotkeys.registrations.size(), 5u);
    EXPECT_EQ(h.status.text(), statusBefore);
}

// A row that cannot register reports it in the status line, and its button no longer names
// the combination it held before.
TEST(HotkeyManager, FailedRowReportsAndItsButtonGoesBackToItsLayoutCaption) {
    const struct {
        const char* what;
        Row row3;
        std::vector<Combination> takenByOthers;
    } cases[] = {
        {"unlisted key", {Ctrl, "F17键"}, {}},
        {"no modifier chosen", {-1, "F3键"}, {}},
        {"same combination as row 1", {Alt, "F1键"}, {}},
        {"held by another program", {Ctrl, "F9键"}, {{2, 120}}},
    };
    for (const auto& c : cases) {
        Harness h;
        h.setValidRows();
        h.manager.registerAll();
        ASSERT_EQ(h.caption(3), "正面截图识别\r\n(快捷键:Ctrl键+F3键)");

        h.hotkeys.takenByOthers = c.takenByOthers;
        h.setRow(3, c.row3);
        const std::string statusBefore = h.status.text();
        h.manager.registerAll();

        EXPECT_EQ(h.status.text(), statusBefore + "正面截图识别:快捷键注册失败。") << c.what;
        EXPECT_EQ(h.caption(3), "正面截图并识别") << c.what;
        EXPECT_EQ(h.hotkeys.holder({2, 114}), nullptr) << c.what << ": old combination released";
        EXPECT_EQ(h.caption(1), "截图识别\r\n(快捷键:Alt键+F1键)") << c.what;
        EXPECT_EQ(h.caption(4), "副面截图识别\r\n(快捷键:Shift键+a键)") << c.what;
    }
}

// A row whose key box is empty holds no hotkey: the old one is released and nothing is
// reported, since the user has not asked for one.
TEST(HotkeyManager, EmptyKeyBoxClearsTheRowWithoutAFailure) {
    {
        Harness fresh;  // a settings page nobody has filled in reports nothing
        fresh.manager.registerAll();
        EXPECT_EQ(fresh.status.text(), "");
        EXPECT_TRUE(fresh.manager.entries().empty());
    }
    Harness h;
    h.setValidRows();
    h.manager.registerAll();
    h.setRow(3, {Ctrl, ""});
    const std::string statusBefore = h.status.text();
    h.manager.registerAll();
    EXPECT_EQ(h.status.text(), statusBefore);
    EXPECT_EQ(h.caption(3), "正面截图并识别");
    EXPECT_EQ(h.hotkeys.holder({2, 114}), nullptr);
    EXPECT_EQ(h.caption(1), "截图识别\r\n(快捷键:Alt键+F1键)");
    EXPECT_EQ(h.hotkeys.registrations.size(), 4u);
    for (const auto& r : h.hotkeys.registrations) EXPECT_NE(r.id, 3);
}

TEST(HotkeyManager, TwoRowsWithOneCombinationLeaveTheSecondUnregistered) {
    Harness h;
    h.setValidRows();
    h.setRow(2, {Alt, "F1键"});
    const std::string statusBefore = h.status.text();
    h.manager.registerAll();

    EXPECT_EQ(h.hotkeys.holder({1, 112})->id, 1);
    EXPECT_EQ(h.caption(1), "截图识别\r\n(快捷键:Alt键+F1键)");
    EXPECT_EQ(h.caption(2), "坐标截图识别");
    EXPECT_EQ(h.status.text(), statusBefore + "坐标截图识别:快捷键注册失败。");
    EXPECT_EQ(h.hotkeys.press({1, 112}), 101);
    EXPECT_EQ(h.commands, std::vector<int32_t>{1});
}

TEST(HotkeyManager, FailuresAccumulateInRowOrder) {
    Harness h;  // rows naming keys that have no code fail; row 4 is valid
    for (int row : {1, 2, 3, 5}) h.setRow(row, {Alt, "F17键"});
    h.setRow(4, {Alt, "F4键"});
    const std::string statusBefore = h.status.text();
    h.manager.registerAll();

    EXPECT_EQ(h.status.text(), statusBefore +
                                   "截图识别:快捷键注册失败。坐标截图识别:快捷键注册失败。"
                                   "正面截图识别:快捷键注册失败。多个坐标识别:快捷键注册失败。");
    EXPECT_EQ(h.caption(4), "副面截图识别\r\n(快捷键:Alt键+F4键)");
    EXPECT_EQ(h.manager.entries().size(), 1u);
}

TEST(HotkeyManager, HotkeyEventRunsTheCommandOfItsId) {
    Harness h;
    h.setValidRows();
    h.manager.registerAll();
    const struct {
        Combination pressed;
        int32_t id;
    } cases[] = {{{2, 114}, 3}, {{1, 112}, 1}, {{0, 113}, 2}, {{4, 65}, 4}, {{8, 3}, 5}};
    for (const auto& c : cases) {
        h.commands.clear();
        EXPECT_EQ(h.hotkeys.press(c.pressed), 100 + c.id);
        EXPECT_EQ(h.commands, std::vector<int32_t>{c.id});
    }
    EXPECT_TRUE(h.hotkeys.defaultSeen.empty()) << "hotkeys must not reach the previous handling";
}

TEST(HotkeyManager, OtherEventsReachThePreviousHandlingUnchanged) {
    Harness h;
    h.setValidRows();
    h.manager.registerAll();
    const struct {
        platform::WindowEvent event;
        int64_t result;
    } cases[] = {
        {{0x0100, 3}, 7},
        {{platform::kHotkeyEvent + 1, 3}, -2},
        {{15, -7}, 0},
        {{platform::kHotkeyEvent, 9}, 31},  // an id without an entry
        {{platform::kHotkeyEvent, 0}, 32},
        {{platform::kHotkeyEvent, 0x100000003}, 33},  // not a 32-bit id
    };
    for (const auto& c : cases) {
        h.hotkeys.defaultSeen.clear();
        h.hotkeys.defaultResult = c.result;
        EXPECT_EQ(h.hotkeys.send(kWindow, c.event), c.result) << c.event.type;
        ASSERT_EQ(h.hotkeys.defaultSeen.size(), 1u) << c.event.type;
        EXPECT_EQ(h.hotkeys.defaultSeen[0].window, kWindow);
        EXPECT_EQ(h.hotkeys.defaultSeen[0].event, c.event);
    }
    EXPECT_TRUE(h.commands.empty());
}

TEST(HotkeyManager, RepeatedSavesGrowTheEntryListButDispatchStaysTheSame) {
    Harness h;
    h.setValidRows();
    const std::string statusBefore = h.status.text();
    for (int save = 1; save <= 3; ++save) {
        h.manager.registerAll();
        EXPECT_EQ(h.manager.entries().size(), 5u * save);
        EXPECT_EQ(h.hotkeys.registrations.size(), 5u) << "each id was released first";
        EXPECT_EQ(h.manager.findEntry(3), 3);
        EXPECT_EQ(h.caption(3), "正面截图识别\r\n(快捷键:Ctrl键+F3键)");
        h.commands.clear();
        EXPECT_EQ(h.hotkeys.press({2, 114}), 103);
        EXPECT_EQ(h.commands, std::vector<int32_t>{3});
    }
    EXPECT_EQ(h.status.text(), statusBefore);
    EXPECT_EQ(h.hotkeys.handlerReplacements, 1) << "the window's handling is replaced once";
    EXPECT_EQ(h.manager.findEntry(6), 0);
}

TEST(HotkeyManager, ChangedCombinationReplacesTheOldOne) {
    Harness h;
    h.setValidRows();
    h.manager.registerAll();
    h.setRow(1, {Ctrl, "F6键"});
    h.setRow(2, {Alt, "F1键"});  // free again once row 1 has moved
    h.manager.registerAll();

    EXPECT_EQ(h.hotkeys.holder({2, 117})->id, 1);
    EXPECT_EQ(h.hotkeys.holder({1, 112})->id, 2);
    EXPECT_EQ(h.hotkeys.holder({0, 113}), nullptr);
    EXPECT_EQ(h.caption(1), "截图识别\r\n(快捷键:Ctrl键+F6键)");
    EXPECT_EQ(h.caption(2), "坐标截图识别\r\n(快捷键:Alt键+F1键)");
    EXPECT_EQ(h.hotkeys.press({1, 112}), 102);
}

TEST(HotkeyManager, RegisterHotkeyRefusesIdZeroAndKeepsTheListOnFailure) {
    Harness h;
    EXPECT_FALSE(h.manager.registerHotkey(
        kWindow, 1, 112, [] { return 0; }, 0));
    EXPECT_EQ(h.hotkeys.registerCalls, 0);
    h.hotkeys.takenByOthers = {{1, 112}};
    EXPECT_FALSE(h.manager.registerHotkey(
        kWindow, 1, 112, [] { return 0; }, 4));
    EXPECT_TRUE(h.manager.entries().empty());
    EXPECT_EQ(h.hotkeys.handlerReplacements, 0);
    EXPECT_EQ(h.manager.findEntry(4), 0);

    EXPECT_TRUE(h.manager.registerHotkey(
        kWindow, 2, 112, [] { return 55; }, 4));
    EXPECT_EQ(h.manager.findEntry(4), 1);
    EXPECT_EQ(h.hotkeys.press({2, 112}), 55);
}

TEST(HotkeyManager, KeyReleaseInAKeyBoxShowsTheKeyName) {
    const struct {
        int box;
        std::vector<int32_t> released;
        const char* text;
    } cases[] = {
        {1, {116}, "F5键"},
        {1, {96}, ""},  // numeric-pad 0 has no name
        {1, {16}, "Shift键"},
        {1, {112, 18}, "Alt键"},  // Alt+F1 with F1 released first: the last
                                  // release wins
        {3, {220}, "斜杠键"},
        {5, {65}, "A键"},
        {5, {0}, ""},
    };
    for (const auto& c : cases) {
        Harness h;
        for (const char* box : kKeyBoxes) h.form.setText(box, "x");
        for (int32_t code : c.released) h.manager.onKeyBoxKeyUp(c.box, code);
        for (int n = 1; n <= 5; ++n) {
            EXPECT_EQ(h.form.text(kKeyBoxes[n - 1]), n == c.box ? c.text : "x")
                << c.box << " " << n;
        }
    }
}

}  // namespace

namespace {

// A desktop that binds the rows as one set refuses some only at the end: those rows fail as
// any other, and every failure reads in row order.
TEST(HotkeyManager, RowsRefusedAtTheEndOfTheBatchFailInRowOrder) {
    Harness h;
    h.setValidRows();
    h.setRow(4, {Ctrl, "F17键"});  // refused at once
    h.hotkeys.refusedAtBatchEnd = {5, 2};
    h.manager.registerAll();
    EXPECT_EQ(h.hotkeys.batches, 1);
    EXPECT_EQ(h.status.text(),
              "坐标截图识别:快捷键注册失败。副面截图识别:快捷键注册失败。"
              "多个坐标识别:快捷键注册失败。");
    EXPECT_EQ(h.caption(1), "截图识别\r\n(快捷键:Alt键+F1键)");
    EXPECT_EQ(h.caption(2), "坐标截图识别");
    EXPECT_EQ(h.caption(3), "正面截图识别\r\n(快捷键:Ctrl键+F3键)");
    EXPECT_EQ(h.caption(5), "证件坐标截图识别");
}

// Where the desktop binds `ozmira --command N` itself, nothing registers; a save (and a start
// with keys in the rows) says where the keys go instead.
TEST(HotkeyManager, DesktopBoundKeysAreExplainedOnSave) {
    const std::string notice =
        "此桌面不让程序注册全局快捷键：请在桌面的键盘设置里把快捷键绑定到命令“ozmira --command N”";
    for (const bool keysSet : {false, true}) {
        Harness h;
        h.manager.setKeysBoundByDesktop(true);
        if (keysSet) h.setValidRows();
        h.manager.registerAll();  // the startup's run
        EXPECT_EQ(h.status.text().find(notice) == 0, keysSet) << h.status.text();
        h.status.setText("状态：识别完毕");
        h.manager.registerAll();  // a save
        EXPECT_EQ(h.status.text().find("状态：识别完毕" + notice), 0u) << keysSet;
        EXPECT_EQ(h.hotkeys.registerCalls, 0);
        EXPECT_EQ(h.caption(1), "截图识别");
    }
}

}  // namespace
