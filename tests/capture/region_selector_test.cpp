#include "capture/region_selector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "capture/bmp_image.h"
#include "capture/magnifier.h"
#include "support/fake_overlay.h"
#include "support/fake_screen.h"
#include "support/temp_dir.h"

namespace {

constexpr int kW = 640;
constexpr int kH = 480;

using Steps = std::vector<FakeOverlay::Step>;
using P = FakeOverlay::Point;

class RegionSelectorTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeScreen screen{kW, kH};
    FakeOverlay overlay;
    RegionSelector selector{state, screen, overlay};

    std::optional<RegionSelector::Result> play(Steps steps, int kind = 2) {
        overlay.script = std::move(steps);
        return selector.run(kind);
    }
    size_t count(const std::string& entry) const {
        return size_t(std::count(overlay.log.begin(), overlay.log.end(), entry));
    }
};

// --- Pure geometry -------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    int x, y, width, height;
    bool selecting;
    int x1;
    MagnifierPoint expected;
};

TEST(MagnifierTest, PlacementKeepsTheViewBesideThePointerAndOnTheScreen) {
    const PlacementCase cases[] = {
        {"up-left of the pointer", 500, 500, 1920, 1080, false, 0, {370, 370}},
        {"near the top-left corner", 5, 5, 1920, 1080, false, 0, {35, 35}},
        {"near the right edge", 1920 - 50, 300, 1920, 1080, false, 0, {1920 - 180, 170}},
        {"rightward drag", 400, 300, 1920, 1080, true, 100, {430, 170}},
        {"leftward drag", 400, 300, 1920, 1080, true, 600, {270, 170}},
        {"pointer on the drag's start column", 400, 300, 1920, 1080, true, 400, {270, 170}},
        {"rightward drag at the right edge", 1850, 300, 1920, 1080, true, 100, {1720, 170}},
        {"right edge on a narrow screen", 100, 300, 200, 1080, false, 0, {130, 170}},
        {"bottom rule wins on a short screen", 500, 100, 1920, 150, false, 0, {370, -30}},
        {"exactly fitting on the right", 1810, 300, 1920, 1080, true, 100, {1840, 170}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Magnifier::placement(c.x, c.y, c.width, c.height, c.selecting, c.x1), c.expected)
            << c.name;
    }
}

TEST(MagnifierTest, SourceBlockStartsTenAndAHalfPixelsBeforeThePointerTruncatedTowardZero) {
    const struct {
        int x, y;
        MagnifierPoint expected;
    } cases[] = {
        {5, 5, {-5, -5}}, {0, 0, {-10, -10}},    {10, 10, {0, 0}},
        {11, 11, {0, 0}}, {100, 200, {89, 189}}, {3, 640, {-7, 629}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Magnifier::sourceOrigin(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(MagnifierTest, SourceSquareHopsBetweenTheBottomCorners) {
    EXPECT_EQ(Magnifier::hopSourceLeft(0, 1920), 1899);
    EXPECT_EQ(Magnifier::hopSourceLeft(1899, 1920), 0);
}

TEST(RegionSelectorGeometryTest, HintIsCentredWithRealDivisionTruncated) {
    const struct {
        int width, left;
    } cases[] = {{1920, 746}, {1366, 469}, {1025, 298}, {800, 186}, {427, 0}};
    for (const auto& c : cases) EXPECT_EQ(RegionSelector::hintLeft(c.width), c.left) << c.width;
}

// --- The drag ----------------------------------------------------------------------

TEST_F(RegionSelectorTest, DragInAnyDirectionGivesTheSameRectangleCutFromTheSnapshot) {
    const struct {
        const char* name;
        int fromX, fromY, toX, toY;
    } cases[] = {
        {"up and left", 500, 400, 300, 200},
        {"down and right", 300, 200, 500, 400},
        {"up and right", 300, 400, 500, 200},
        {"down and left", 500, 200, 300, 400},
    };
    const CaptureRect expected{300, 200, 500, 400};
    for (const auto& c : cases) {
        EXPECT_EQ(RegionSelector::normalize(c.fromX, c.fromY, c.toX, c.toY), expected) << c.name;

        const auto result =
            play({FakeOverlay::move(c.fromX, c.fromY), FakeOverlay::press(c.fromX, c.fromY),
                  FakeOverlay::move(400, 300), FakeOverlay::move(c.toX, c.toY),
                  FakeOverlay::release(c.toX, c.toY)});
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->rect, expected) << c.name;
        platform::ScreenImage image;
        ASSERT_TRUE(BmpImage::decode(result->bmp, image)) << c.name;
        ASSERT_EQ(image.width, 200);
        ASSERT_EQ(image.height, 200);
        for (int y = 0; y < 200; y += 13)
            for (int x = 0; x < 200; x += 17)
                ASSERT_EQ(image.at(x, y), FakeScreen::colourAt(300 + x, 200 + y)) << c.name;
        EXPECT_EQ(image.at(199, 199), FakeScreen::colourAt(499, 399)) << c.name;
        // The live screen is never read for it.
        EXPECT_TRUE(screen.captures.empty());
        EXPECT_EQ(state.selection.x1 + state.selection.x2 + state.selection.y1, 0) << c.name;
        EXPECT_EQ(state.selection.y2, 0) << c.name;
        EXPECT_FALSE(state.selecting) << c.name;
        EXPECT_FALSE(selector.isOpen()) << c.name;
    }
}

TEST_F(RegionSelectorTest, StateDuringTheDragAndAtTheRelease) {
    Selection atRelease;
    bool selectingAtRelease = true;
    overlay.afterStep = [&] {
        if (!overlay.open) {
            atRelease = state.selection;
            selectingAtRelease = state.selecting;
        }
    };
    const auto result = play(
        {FakeOverlay::press(500, 400), FakeOverlay::move(450, 350), FakeOverlay::release(300, 200)},
        8);
    ASSERT_TRUE(result);
    EXPECT_EQ(state.pendingKind, 8);
    EXPECT_EQ(atRelease.x1, 300);
    EXPECT_EQ(atRelease.y1, 200);
    EXPECT_EQ(atRelease.x2, 500);
    EXPECT_EQ(atRelease.y2, 400);
    EXPECT_FALSE(selectingAtRelease);
    // The outline is gone before the crop: the image is the snapshot alone.
    EXPECT_FALSE(overlay.outline);
}

TEST_F(RegionSelectorTest, EachMoveOfADragRedrawsTheOutlineFromTheStart) {
    std::vector<FakeOverlay::Outline> outlines;
    overlay.afterStep = [&] {
        if (overlay.open && overlay.outline) outlines.push_back(*overlay.outline);
    };
    play({FakeOverlay::press(100, 120), FakeOverlay::move(150, 160), FakeOverlay::move(90, 60),
          FakeOverlay::escape()});
    const std::vector<FakeOverlay::Outline> expected = {{100, 120, 150, 160}, {100, 120, 90, 60}};
    EXPECT_EQ(outlines, expected);
    // Every outline replaces the previous one.
    for (size_t i = 1; i < overlay.log.size(); ++i) {
        if (overlay.log[i] == "outline") {
            EXPECT_EQ(overlay.log[i - 1], "clear");
        }
    }
}

TEST_F(RegionSelectorTest, MagnifierFollowsThePointerAndMovesAsideDuringARightwardDrag) {
    std::vector<std::pair<P, P>> seen;  // view, source
    overlay.afterStep = [&] {
        if (overlay.view) seen.emplace_back(*overlay.view, *overlay.source);
    };
    play({FakeOverlay::move(5, 5), FakeOverlay::move(kW - 50, 300), FakeOverlay::press(100, 300),
          FakeOverlay::move(400, 300), FakeOverlay::escape()});
    const std::vector<std::pair<P, P>> expected = {
        {{35, 35}, {-5, -5}},
        {{kW - 180, 170}, {kW - 61, 289}},
        {{kW - 180, 170}, {kW - 61, 289}},  // the press does not move it
        {{430, 170}, {389, 289}},
        {{430, 170}, {389, 289}},  // Esc leaves it
    };
    EXPECT_EQ(seen, expected);
}

// --- Cancelling and empty captures ---------------------------------------------------

TEST_F(RegionSelectorTest, RightButtonOrEscCloseWithoutACapture) {
    const struct {
        const char* name;
        Steps steps;
    } cases[] = {
        {"right press before a drag", {FakeOverlay::move(50, 50), FakeOverlay::rightPress(50, 50)}},
        {"right press during a drag",
         {FakeOverlay::press(50, 50), FakeOverlay::move(80, 90), FakeOverlay::rightPress(80, 90)}},
        {"Esc during a drag", {FakeOverlay::press(50, 50), FakeOverlay::escape()}},
        {"Esc before a drag", {FakeOverlay::escape()}},
    };
    for (const auto& c : cases) {
        overlay.log.clear();
        // A release after the close must not count.
        Steps steps = c.steps;
        steps.push_back(FakeOverlay::release(200, 200));
        EXPECT_FALSE(play(steps, 3)) << c.name;
        EXPECT_EQ(count("close"), 1u) << c.name;
        EXPECT_EQ(state.pendingKind, 3) << c.name;
        EXPECT_EQ(state.selection.x1, 0) << c.name;
        EXPECT_EQ(state.selection.y1, 0) << c.name;
        EXPECT_FALSE(state.selecting) << c.name;
        EXPECT_FALSE(selector.isOpen()) << c.name;
    }
}

TEST_F(RegionSelectorTest, WindowSystemClosingTheOverlayIsACancel) {
    EXPECT_FALSE(play({FakeOverlay::press(10, 10), FakeOverlay::move(40, 40)}));
    EXPECT_FALSE(state.selecting);
    EXPECT_EQ(state.selection.x1, 0);
}

TEST_F(RegionSelectorTest, ClickWithoutDraggingIsACancel) {
    const struct {
        const char* name;
        int x, y;
    } cases[] = {{"same point", 200, 150}, {"same row", 260, 150}, {"same column", 200, 90}};
    for (const auto& c : cases) {
        overlay.log.clear();
        EXPECT_FALSE(play({FakeOverlay::press(200, 150), FakeOverlay::release(c.x, c.y)}))
            << c.name;
        EXPECT_EQ(count("close"), 1u) << c.name;
        EXPECT_FALSE(state.selecting) << c.name;
    }
}

TEST_F(RegionSelectorTest, ReleaseWithoutPressIsIgnored) {
    EXPECT_FALSE(play({FakeOverlay::move(30, 30), FakeOverlay::release(30, 30)}));
    EXPECT_EQ(count("close"), 0u);
}

TEST(RegionSelectorUnreadableTest, UnreadableScreenGivesAnEmptyCaptureWithoutAnOverlay) {
    struct UnreadableScreen : FakeScreen {
        platform::ScreenImage snapshot() override { return {}; }
    } screen;
    TempDir dir;
    AppState state{dir.path()};
    FakeOverlay overlay;
    overlay.script = {FakeOverlay::press(1, 1), FakeOverlay::release(50, 50)};
    RegionSelector selector{state, screen, overlay};
    const auto result = selector.run(1);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->rect.valid());
    EXPECT_TRUE(result->bmp.empty());
    EXPECT_EQ(overlay.runs, 0);
    // The cover put up before the snapshot does not stay over the screen.
    EXPECT_FALSE(overlay.covered);
    EXPECT_FALSE(selector.isOpen());
}

TEST_F(RegionSelectorTest, DragBeyondTheScreenStopsAtItsEdge) {
    std::vector<FakeOverlay::Outline> outlines;
    overlay.afterStep = [&] {
        if (overlay.outline) outlines.push_back(*overlay.outline);
    };
    const auto result = play({FakeOverlay::press(kW - 10, 20), FakeOverlay::move(kW + 10, 45),
                              FakeOverlay::release(kW + 10, kH + 40)});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rect, (CaptureRect{kW - 10, 20, kW, kH}));
    EXPECT_EQ(outlines, (std::vector<FakeOverlay::Outline>{{kW - 10, 20, kW, 45}}));
    EXPECT_EQ(result->bmp, BmpImage::encode(screen.snapshot(), kW - 10, 20, 10, kH - 20));
}

// --- The overlay's furniture ---------------------------------------------------------

TEST_F(RegionSelectorTest, OpensOverAFreshSnapshotWithTheHintAndNoMagnifier) {
    play({FakeOverlay::escape()});
    play({FakeOverlay::escape()});
    EXPECT_EQ(screen.snapshots, 2);
    EXPECT_EQ(overlay.snapshotSize, (P{kW, kH}));
    // The hint was shown at opening; nothing hid it before Esc.
    ASSERT_TRUE(overlay.hint);
    EXPECT_EQ(overlay.hint->text, "按住鼠标左键不放，拉动鼠标到合适的位置即可");
    EXPECT_EQ(overlay.hint->left, kW / 2 - 214);
    EXPECT_EQ(overlay.hint->top, 8);
    EXPECT_EQ(overlay.hint->width, 428);
    EXPECT_EQ(overlay.hint->height, 32);
    EXPECT_FALSE(overlay.magnifierVisible);
    EXPECT_EQ(overlay.sourceSquare, (P{0, kH - 21}));
}

TEST(RegionSelectorFrozenTest, OnAFrozenScreenTheHintGoesUpBeforeTheSnapshotAndIsNotInIt) {
    // A screen that shows the hint once the overlay put it up, as a frozen X screen does, or
    // one whose monitor is renamed after the cover went up ahead.
    struct HintedScreen : FakeScreen {
        using FakeScreen::FakeScreen;
        std::optional<FakeOverlay::Hint> drawn;
        bool renamed = false;
        std::vector<platform::Monitor> monitors() override {
            std::vector<platform::Monitor> all = FakeScreen::monitors();
            if (renamed) all[0].name = "HDMI-1";
            return all;
        }
        platform::ScreenImage snapshot() override {
            platform::ScreenImage image = FakeScreen::snapshot();
            for (int y = 0; drawn && y < drawn->height; ++y)
                for (int x = 0; x < drawn->width; ++x)
                    image.pixels[size_t(drawn->top + y) * image.width + drawn->left + x] = ~0u;
            return image;
        }
    };
    const struct {
        const char* name;
        bool freezes, ahead, renamed;
        int snapshotsAtHint;
        std::vector<std::string> covers;
    } cases[] = {
        {"plain", false, false, false, 1, {"cover"}},
        {"frozen", true, false, false, 0, {"cover"}},
        {"live screen, covered ahead", false, true, false, 0, {"coverAhead"}},
        {"covered ahead, then the monitors changed", true, true, true, 0,
         {"coverAhead", "close", "cover"}},
    };
    for (const auto& c : cases) {
        HintedScreen screen(kW, kH);
        TempDir dir;
        AppState state{dir.path()};
        FakeOverlay overlay;
        overlay.freezes = c.freezes;
        overlay.coversAhead = c.ahead;
        int snapshotsAtHint = -1;
        overlay.onShowHint = [&] {
            if (snapshotsAtHint < 0) snapshotsAtHint = screen.snapshots;
            screen.drawn = overlay.hint;
        };
        overlay.script = {FakeOverlay::press(90, 2), FakeOverlay::release(560, 60)};
        RegionSelector selector{state, screen, overlay};
        if (c.ahead) selector.coverAhead();
        screen.renamed = c.renamed;
        const auto result = selector.run(1);
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(snapshotsAtHint, c.snapshotsAtHint) << c.name;
        // How the cover went up, up to the release's first step.
        std::vector<std::string> covers;
        for (auto call = overlay.log.begin(); call != overlay.log.end() && *call != "clear"; ++call)
            if (*call == "cover" || *call == "coverAhead" || *call == "close")
                covers.push_back(*call);
        EXPECT_EQ(covers, c.covers) << c.name;
        // The pixels beneath the label are those the screen held before it went up.
        EXPECT_TRUE(result->bmp ==
                    BmpImage::encode(FakeScreen{kW, kH}.snapshot(), 90, 2, 470, 58))
            << c.name;
        EXPECT_FALSE(overlay.hint) << c.name;
    }
}

TEST_F(RegionSelectorTest, HintHidesOnPressOrWhenThePointerReachesIt) {
    const int left = kW / 2 - 214;
    const struct {
        const char* name;
        Steps steps;
        bool hidden;
        bool magnified;
    } cases[] = {
        {"move elsewhere", {FakeOverlay::move(left - 1, 20)}, false, true},
        {"move below it", {FakeOverlay::move(left + 5, 40)}, false, true},
        {"move onto it", {FakeOverlay::move(left, 8)}, true, false},
        {"move onto its far corner", {FakeOverlay::move(left + 427, 39)}, true, false},
        {"press elsewhere", {FakeOverlay::press(10, 300)}, true, false},
    };
    for (const auto& c : cases) {
        Steps steps = c.steps;
        bool hintAtEnd = false;
        bool magnifiedAtEnd = false;
        overlay.afterStep = [&] {
            hintAtEnd = overlay.hint.has_value();
            magnifiedAtEnd = overlay.magnifierVisible;
        };
        play(steps);
        EXPECT_EQ(!hintAtEnd, c.hidden) << c.name;
        // A move that the label takes does not reach the canvas.
        EXPECT_EQ(magnifiedAtEnd, c.magnified) << c.name;
        overlay = FakeOverlay{};
    }
}

TEST_F(RegionSelectorTest, MagnifierAppearsAtTheFirstMoveOutsideADrag) {
    const FakeOverlay::Step nothing = [](platform::OverlayEvents&) {};
    const struct {
        const char* name;
        Steps steps;
        std::vector<bool> visible;
    } cases[] = {
        {"moves",
         {nothing, FakeOverlay::move(300, 300), FakeOverlay::move(310, 300)},
         {false, true, true}},
        {"drag without a move first",
         {FakeOverlay::press(300, 300), FakeOverlay::move(310, 300)},
         {false, false}},
    };
    for (const auto& c : cases) {
        std::vector<bool> visible;
        overlay.afterStep = [&] { visible.push_back(overlay.magnifierVisible); };
        Steps steps = c.steps;
        play(steps);
        EXPECT_EQ(visible, c.visible) << c.name;
        EXPECT_LE(count("showMagnifier"), 1u) << c.name;
        overlay = FakeOverlay{};
    }
}

TEST_F(RegionSelectorTest, SourceSquareHopsToTheOtherCornerWhenThePointerReachesIt) {
    std::vector<P> corners;
    overlay.afterStep = [&] { corners.push_back(*overlay.sourceSquare); };
    play({
        FakeOverlay::move(5, kH - 5),        // first move: the square was hidden, it only shows
        FakeOverlay::move(6, kH - 6),        // now the pointer is on it
        FakeOverlay::move(kW - 30, kH - 5),  // beside it
        FakeOverlay::move(kW - 21, kH - 21),
        FakeOverlay::move(20, kH - 1),
        FakeOverlay::press(kW - 5, kH - 5),  // during a drag the canvas keeps the pointer
        FakeOverlay::move(kW - 10, kH - 10),
        FakeOverlay::escape(),
    });
    const int bottom = kH - 21;
    const std::vector<P> expected = {{0, bottom},       {kW - 21, bottom}, {kW - 21, bottom},
                                     {0, bottom},       {kW - 21, bottom}, {kW - 21, bottom},
                                     {kW - 21, bottom}, {kW - 21, bottom}};
    EXPECT_EQ(corners, expected);
}

// --- One overlay at a time -----------------------------------------------------------

TEST_F(RegionSelectorTest, CaptureStartedWhileOpenIsIgnored) {
    bool openInside = false;
    std::optional<RegionSelector::Result> nested{RegionSelector::Result{}};
    const auto result = play({FakeOverlay::press(10, 10),
                              [&](platform::OverlayEvents&) {
                                  openInside = selector.isOpen();
                                  nested = selector.run(4);
                              },
                              FakeOverlay::release(30, 40)},
                             2);
    EXPECT_TRUE(openInside);
    EXPECT_FALSE(nested);
    EXPECT_EQ(overlay.runs, 1);
    EXPECT_EQ(state.pendingKind, 2);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rect, (CaptureRect{10, 10, 30, 40}));
    EXPECT_FALSE(selector.isOpen());
}

}  // namespace
