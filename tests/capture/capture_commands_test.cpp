#include "capture/capture_commands.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/control_names.h"
#include "app/status_line.h"
#include "support/fake_form.h"
#include "support/fake_screen.h"
#include "support/temp_dir.h"

namespace {

// An overlay that plays a scripted drag (or a right click) as soon as it runs.
class ScriptedOverlay : public platform::Overlay {
public:
    std::function<void(platform::OverlayEvents&)> script;
    int runs = 0;
    void run(const platform::ScreenImage&, const std::vector<platform::Monitor>&,
             platform::OverlayEvents& events) override {
        ++runs;
        closed = false;
        if (script) script(events);
    }
    void close() override { closed = true; }
    bool coverAhead(const std::vector<platform::Monitor>&, int, int, int, int) override {
        if (onCoverAhead) onCoverAhead();
        return false;
    }
    void clearFigures() override {}
    void drawOutline(int, int, int, int) override {}
    void showHint(const std::string&, int, int, int, int) override {}
    void hideHint() override {}
    void setMagnifierVisible(bool) override {}
    void updateMagnifier(int, int, int, int) override {}
    void moveSource(int, int) override {}

    bool closed = false;
    std::function<void()> onCoverAhead;
};

class CaptureCommandsTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeForm form;
    FakeScreen screen;
    ScriptedOverlay overlay;
    RegionSelector selector{state, screen, overlay};
    std::vector<std::string> recognition;
    CaptureCommands commands{state, form, screen, selector,
                             {[this](int kind) { recognition.push_back("start" + std::to_string(kind)); },
                              [this] { recognition.push_back("stop"); }}};

    void SetUp() override {
        form.setSelectedIndex(ctl::组合框识别, 0);
        form.setSelectedIndex(ctl::组合框证件, 0);
    }
    void drag(int x1, int y1, int x2, int y2) {
        overlay.script = [=](platform::OverlayEvents& e) {
            e.onMove(x1, y1);
            e.onLeftPress(x1, y1);
            e.onMove((x1 + x2) / 2, (y1 + y2) / 2);
            e.onLeftRelease(x2, y2);
        };
    }
};

TEST_F(CaptureCommandsTest, CoordinateTextsThatAreRefused) {
    // The last two are rectangles wider or taller than any 32-bit width.
    for (const char* text : {"100|100|1000", "100|100|1000|200|5", "1000|100|100|200", "100|100|1000|100",
                             "a|b|c|d", "|||", "-2147483648|0|2147483647|1",
                             "0|-2000000000|1|2000000000"}) {
        form.messages.clear();
        form.setWindowState(platform::WindowState::Normal);
        commands.StartCapture(1, text);
        ASSERT_EQ(form.messages.size(), 1u) << text;
        EXPECT_EQ(form.messages[0].text, "坐标值有误请检查");
        EXPECT_EQ(form.messages[0].title, "错误");
        EXPECT_EQ(form.windowState(), platform::WindowState::Normal) << text;
    }
    EXPECT_TRUE(screen.captures.empty());
    EXPECT_TRUE(recognition.empty());
    EXPECT_FALSE(state.capturedImage);
}

TEST_F(CaptureCommandsTest, CoordinateCaptureOfTheNamedBlock) {
    struct Case {
        const char* text;
        FakeScreen::Rect rect;
    };
    for (const Case& c : {Case{"100|100|1000|200", {100, 100, 900, 100}},
                          Case{"１００|１００|１０００|２００", {100, 100, 900, 100}},
                          Case{"0|0|1|1", {0, 0, 1, 1}}}) {
        screen.captures.clear();
        commands.StartCapture(2, c.text);
        ASSERT_EQ(screen.captures.size(), 1u);
        EXPECT_EQ(screen.captures[0], c.rect) << c.text;
    }
    ASSERT_TRUE(state.capturedImage);
    EXPECT_EQ(state.capturedImage->size(), 54u + 4u);
    EXPECT_EQ(form.picture, *state.capturedImage);
    EXPECT_TRUE(form.visible(ctl::图片框1));
    EXPECT_EQ(recognition, (std::vector<std::string>{"start2", "start2", "start2"}));
    EXPECT_EQ(form.windowState(), platform::WindowState::Normal);
    EXPECT_GT(form.raised, 0);
    EXPECT_TRUE(form.messages.empty());
}

// A capture's recognition starts before the capture it replaces is freed (megabytes, whose
// freeing can take milliseconds); a dragged one lets it go before the cut, after the start.
TEST_F(CaptureCommandsTest, TheCaptureBeforeIsFreedOnlyAfterTheRecognitionStarted) {
    std::weak_ptr<const Bytes> before;
    std::vector<bool> heldAtStart;
    CaptureCommands commands{state,
                             form,
                             screen,
                             selector,
                             {[&](int) { heldAtStart.push_back(!before.expired()); }, [] {}}};
    for (const char* coordinates : {"10|10|50|50", ""}) {
        state.capturedImage = std::make_shared<const Bytes>("old");
        before = state.capturedImage;
        drag(500, 400, 300, 200);
        commands.StartCapture(1, coordinates);
        EXPECT_TRUE(before.expired()) << coordinates;
    }
    EXPECT_EQ(heldAtStart, (std::vector<bool>{true, true}));
}

TEST_F(CaptureCommandsTest, AWindowThatWasMinimizedStaysMinimized) {
    form.setWindowState(platform::WindowState::Minimized);
    commands.StartCapture(1, "1|1|5|5");
    EXPECT_FALSE(state.minimizedForCapture);
    EXPECT_EQ(form.windowState(), platform::WindowState::Minimized);
}

TEST_F(CaptureCommandsTest, KindsAndCoordinateTextsOfTheFiveCommands) {
    form.setText(ctl::编辑框坐标, "1|1|10|10");
    form.setText(ctl::编辑框坐标正, "2|2|20|20");
    drag(10, 10, 20, 20);
    struct Case {
        int command, recognitionIndex, cardIndex;
        const char* started;
    };
    for (const Case& c : {Case{1, 2, 0, "start3"}, Case{2, 3, 0, "start4"}, Case{3, 0, 0, "start8"},
                          Case{4, 0, 0, "start9"}, Case{5, 0, 0, "start8"}, Case{3, 0, 1, "start6"},
                          Case{4, 0, 1, "start7"}, Case{5, 0, 1, "start6"}}) {
        form.setSelectedIndex(ctl::组合框识别, c.recognitionIndex);
        form.setSelectedIndex(ctl::组合框证件, c.cardIndex);
        recognition.clear();
        screen.captures.clear();
        commands.runCommand(c.command);
        ASSERT_FALSE(recognition.empty()) << c.command;
        EXPECT_EQ(recognition.back(), c.started) << c.command << " card " << c.cardIndex;
        const bool fixed = c.command == 2 || c.command == 5;
        EXPECT_EQ(screen.captures.size(), fixed ? 1u : 0u) << c.command;
    }
}

TEST_F(CaptureCommandsTest, CardCoordinateCommandClearsTheContentColumnFirst) {
    ResultsTable table(form);
    table.resetLayout();
    table.insertColumn("内容", 2);
    table.setCell(1, 2, "old");
    form.setText(ctl::编辑框坐标正, "2|2|20|20");
    commands.runCommand(5);
    EXPECT_EQ(form.cell(ctl::高级表格1, 1, 2), "");
}

TEST_F(CaptureCommandsTest, InteractiveCaptureCropsTheSnapshotAndSyncsTheCoordinates) {
    form.setChecked(ctl::选择框坐标同步, true);
    drag(500, 400, 300, 200);
    commands.StartCapture(1, "");
    EXPECT_EQ(overlay.runs, 1);
    EXPECT_EQ(recognition, (std::vector<std::string>{"stop", "start1"}));
    EXPECT_EQ(form.text(ctl::编辑框坐标), "300|200|500|400");
    ASSERT_TRUE(state.capturedImage);
    platform::ScreenImage image;
    ASSERT_TRUE(BmpImage::decode(*state.capturedImage, image));
    EXPECT_EQ(image.width, 200);
    EXPECT_EQ(image.height, 200);
    EXPECT_EQ(image.at(0, 0), FakeScreen::colourAt(300, 200));
    EXPECT_EQ(image.at(199, 199), FakeScreen::colourAt(499, 399));
    EXPECT_TRUE(screen.captures.empty());  // from the frozen snapshot, not the live screen
    EXPECT_EQ(form.windowState(), platform::WindowState::Normal);
    EXPECT_FALSE(state.selecting);
}

// Where the overlay can show the live screen, it is offered the screen while the window is
// still on it; a capture by coordinates has no overlay to put up.
TEST_F(CaptureCommandsTest, TheOverlayMayGoUpBeforeTheWindowLeavesOnlyForADrag) {
    std::vector<platform::WindowState> statesAtCover;
    overlay.onCoverAhead = [&] { statesAtCover.push_back(form.windowState()); };
    drag(500, 400, 300, 200);
    commands.StartCapture(1, "");
    commands.StartCapture(1, "0|0|10|10");
    EXPECT_EQ(statesAtCover, (std::vector<platform::WindowState>{platform::WindowState::Normal}));
    EXPECT_EQ(overlay.runs, 1);
}

// The recognition of a dragged rectangle starts the moment the button is released, while
// the overlay and the minimized window are still as they were; the rest follows.
TEST_F(CaptureCommandsTest, ADraggedCapturesRecognitionStartsOnRelease) {
    std::vector<std::string> seen;
    SnapshotArea area;
    auto note = [&](const std::string& what) {
        seen.push_back(
            what + (overlay.closed ? " closed" : " open") +
            (form.windowState() == platform::WindowState::Minimized ? " minimized" : ""));
    };
    CaptureCommands early{state,
                          form,
                          screen,
                          selector,
                          {[&](int) {
                               note("start");
                               area = state.capturedArea;
                           },
                           [&] { note("stop"); }}};
    drag(500, 400, 300, 200);
    // The capture before is let go by then, so the cut can reuse its memory.
    state.capturedImage = std::make_shared<const Bytes>("old");
    const std::weak_ptr<const Bytes> before = state.capturedImage;
    bool beforeKeptAtClose = true;
    overlay.script = [&, play = overlay.script](platform::OverlayEvents& e) {
        play(e);
        beforeKeptAtClose = !before.expired();
    };
    early.StartCapture(1, "");
    EXPECT_EQ(seen, (std::vector<std::string>{"stop open minimized", "start open minimized"}));
    EXPECT_FALSE(beforeKeptAtClose);
    EXPECT_EQ(form.windowState(), platform::WindowState::Normal);
    EXPECT_TRUE(overlay.closed);
    ASSERT_TRUE(state.capturedImage);
    EXPECT_EQ(state.capturedImage->size(), 54u + 200 * 200 * 4);
    // The recognition had the rectangle's pixels in the snapshot; they are not kept after.
    ASSERT_TRUE(area.pixels);
    EXPECT_EQ(area.width, 200);
    EXPECT_EQ(area.height, 200);
    EXPECT_EQ(area.pixels->at(area.left, area.top), FakeScreen::colourAt(300, 200));
    EXPECT_EQ(area.pixels->at(area.left + 199, area.top + 199), FakeScreen::colourAt(499, 399));
    EXPECT_FALSE(state.capturedArea.pixels);
}

TEST_F(CaptureCommandsTest, CoordinateSyncGoesToTheBoxOfTheKind) {
    struct Case {
        int kind;
        const char* check;
        const char* box;
    };
    for (const Case& c : {Case{1, ctl::选择框坐标同步, ctl::编辑框坐标}, Case{4, ctl::选择框坐标同步, ctl::编辑框坐标},
                          Case{6, ctl::选择框坐标同步正, ctl::编辑框坐标正},
                          Case{8, ctl::选择框坐标同步正, ctl::编辑框坐标正},
                          Case{7, ctl::选择框坐标同步副, ctl::编辑框坐标副},
                          Case{9, ctl::选择框坐标同步副, ctl::编辑框坐标副}}) {
        for (const char* b : {ctl::编辑框坐标, ctl::编辑框坐标正, ctl::编辑框坐标副}) form.setText(b, "");
        for (bool checked : {false, true}) {
            form.setChecked(c.check, checked);
            drag(1, 2, 11, 12);
            commands.StartCapture(c.kind, "");
            EXPECT_EQ(form.text(c.box), checked ? "1|2|11|12" : "") << c.kind;
        }
        form.setChecked(c.check, false);
    }
}

TEST_F(CaptureCommandsTest, RightClickCancelsWithoutACapture) {
    state.capturedImage = std::make_shared<const Bytes>("old");
    overlay.script = [](platform::OverlayEvents& e) { e.onRightPress(5, 5); };
    commands.StartCapture(1, "");
    EXPECT_TRUE(recognition.empty());
    EXPECT_EQ(*state.capturedImage, "old");
    EXPECT_EQ(form.windowState(), platform::WindowState::Normal);
    EXPECT_FALSE(form.visible(ctl::图片框1));
}

TEST_F(CaptureCommandsTest, EmptySelectionWritesNothingAnywhere) {
    const struct {
        const char* name;
        int x, y;  // the release; the press is at (200, 150)
        bool selected;
    } cases[] = {{"plain click", 200, 150, false},
                 {"same row", 260, 150, false},
                 {"same column", 200, 90, false},
                 {"drag", 260, 90, true}};
    form.setChecked(ctl::选择框坐标同步, true);
    for (const auto& c : cases) {
        form.setText(ctl::编辑框坐标, "1|2|3|4");
        form.setVisible(ctl::图片框1, false);
        state.capturedImage = std::make_shared<const Bytes>("old");
        recognition.clear();
        drag(200, 150, c.x, c.y);
        commands.StartCapture(1, "");
        EXPECT_EQ(form.text(ctl::编辑框坐标), c.selected ? "200|90|260|150" : "1|2|3|4") << c.name;
        const std::vector<std::string> started{"stop", "start1"};
        EXPECT_EQ(recognition, c.selected ? started : std::vector<std::string>()) << c.name;
        EXPECT_EQ(*state.capturedImage != "old", c.selected) << c.name;
        EXPECT_EQ(form.visible(ctl::图片框1), c.selected) << c.name;
        EXPECT_EQ(form.windowState(), platform::WindowState::Normal) << c.name;
    }
}

TEST_F(CaptureCommandsTest, UnreadableScreenKeepsTheStoredCoordinates) {
    struct UnreadableScreen : FakeScreen {
        platform::ScreenImage snapshot() override { return {}; }
    } unreadable;
    RegionSelector blindSelector{state, unreadable, overlay};
    CaptureCommands blind{
        state,
        form,
        unreadable,
        blindSelector,
        {[this](int kind) { recognition.push_back("start" + std::to_string(kind)); },
         [this] { recognition.push_back("stop"); }}};
    form.setChecked(ctl::选择框坐标同步, true);
    form.setText(ctl::编辑框坐标, "1|2|3|4");
    blind.StartCapture(1, "");
    EXPECT_EQ(form.text(ctl::编辑框坐标), "1|2|3|4");
    // The recognition still reports the empty capture.
    EXPECT_EQ(recognition, (std::vector<std::string>{"stop", "start1"}));
}

TEST_F(CaptureCommandsTest, ADesktopThatRefusesThePictureEndsTheCaptureWithItsReason) {
    struct RefusingScreen : FakeScreen {
        std::string capture(int, int, int, int) override { return {}; }
        platform::ScreenImage snapshot() override { return {}; }
        std::string lastFailure() override { return "状态：截图失败：截图请求被拒绝"; }
    } refusing;
    RegionSelector refusedSelector{state, refusing, overlay};
    CaptureCommands refused{
        state, form, refusing, refusedSelector,
        {[this](int kind) { recognition.push_back("start" + std::to_string(kind)); },
         [this] { recognition.push_back("stop"); }}};
    const auto before = std::make_shared<const Bytes>("BM-earlier");
    state.capturedImage = before;
    form.setChecked(ctl::选择框坐标同步, true);
    for (const char* coordinates : {"1|2|30|40", ""}) {
        form.setText(ctl::编辑框坐标, "1|2|30|40");
        StatusLine(form).setText("");
        form.setWindowState(platform::WindowState::Normal);
        refused.StartCapture(1, coordinates);
        EXPECT_EQ(StatusLine(form).text(), "状态：截图失败：截图请求被拒绝") << coordinates;
        EXPECT_TRUE(recognition.empty()) << coordinates;
        EXPECT_EQ(state.capturedImage, before) << coordinates;
        EXPECT_FALSE(form.visible(ctl::图片框1)) << coordinates;
        EXPECT_EQ(form.text(ctl::编辑框坐标), "1|2|30|40") << coordinates;
        EXPECT_EQ(form.windowState(), platform::WindowState::Normal) << coordinates;
    }
    EXPECT_EQ(overlay.runs, 0);
}

TEST_F(CaptureCommandsTest, CommandsAreIgnoredWhileTheSelectorIsOpen) {
    overlay.script = [this](platform::OverlayEvents& e) {
        commands.runCommand(2);  // a hotkey while the overlay is up
        e.onRightPress(1, 1);
    };
    form.setText(ctl::编辑框坐标, "1|1|10|10");
    commands.runCommand(1);
    EXPECT_EQ(overlay.runs, 1);
    EXPECT_TRUE(screen.captures.empty());
}

}  // namespace
