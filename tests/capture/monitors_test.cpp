// The region selector over two monitors: the primary one and a taller one left of and above
// it, so that it has negative coordinates and black lies below and above the primary one.
#include <gtest/gtest.h>

#include "capture/bmp_image.h"
#include "capture/monitor_layout.h"
#include "capture/region_selector.h"
#include "support/fake_overlay.h"
#include "support/fake_screen.h"
#include "support/temp_dir.h"

namespace {

using P = FakeOverlay::Point;
const platform::Monitor kPrimary{"P", 0, 0, 640, 480, true};
const platform::Monitor kLeft{"L", -800, -100, 800, 600, false};

TEST(MonitorLayoutTest, PointBelongsToTheMonitorUnderItOrTheNearestOne) {
    const MonitorLayout layout({kLeft, kPrimary}, {});
    EXPECT_EQ(layout.primary(), kPrimary);
    const struct {
        int x, y;
        std::size_t monitor;
    } cases[] = {{0, 0, 1},     {-1, 0, 0},    {639, 479, 1}, {-800, -100, 0},
                 {300, -50, 1}, {100, 495, 1}, {-5, 490, 0},  {5000, 5000, 1}};
    for (const auto& c : cases) EXPECT_EQ(layout.at(c.x, c.y), c.monitor) << c.x << "," << c.y;
    EXPECT_EQ(MonitorLayout::clamp(kLeft, 300, -200), (MonitorPoint{0, -100}));
    EXPECT_EQ(MonitorLayout::clamp(kLeft, -900, 700), (MonitorPoint{-800, 500}));
    // No monitors known: the snapshot is the one monitor.
    platform::ScreenImage image;
    image.width = 30;
    image.height = 20;
    EXPECT_EQ(MonitorLayout({}, image).primary(), (platform::Monitor{"", 0, 0, 30, 20, true}));
}

class MonitorsSelectorTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeScreen screen{{kLeft, kPrimary}};
    FakeOverlay overlay;
    RegionSelector selector{state, screen, overlay};

    std::optional<RegionSelector::Result> play(std::vector<FakeOverlay::Step> steps) {
        overlay.script = std::move(steps);
        return selector.run(1);
    }
};

TEST_F(MonitorsSelectorTest, DragStaysOnItsMonitorAndCutsWhatTypedCoordinatesCapture) {
    const struct {
        const char* name;
        int fromX, fromY, toX, toY;
        CaptureRect expected;
    } cases[] = {
        {"on the left monitor", -700, -50, -500, 200, {-700, -50, -500, 200}},
        {"from the left monitor onto the primary", -100, 300, 200, 400, {-100, 300, 0, 400}},
        {"from the primary onto the left monitor", 100, 100, -300, -90, {0, 0, 100, 100}},
        {"beyond the left monitor's bottom", -10, 450, -30, 900, {-30, 450, -10, 500}},
    };
    for (const auto& c : cases) {
        const auto result =
            play({FakeOverlay::press(c.fromX, c.fromY), FakeOverlay::move(c.toX, c.toY),
                  FakeOverlay::release(c.toX, c.toY)});
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->rect, c.expected) << c.name;
        const CaptureRect r = c.expected;
        EXPECT_EQ(result->bmp, screen.capture(r.left, r.top, r.width(), r.height())) << c.name;
        ASSERT_TRUE(overlay.view) << c.name;
    }
    platform::ScreenImage image;
    ASSERT_TRUE(BmpImage::decode(
        play({FakeOverlay::press(-700, -50), FakeOverlay::release(-600, 0)})->bmp, image));
    EXPECT_EQ(image.at(0, 0), FakeScreen::colourAt(-700, -50));
    EXPECT_EQ(image.at(99, 49), FakeScreen::colourAt(-601, -1));
}

TEST_F(MonitorsSelectorTest, OverlayCoversBothMonitorsWithTheHintOnThePrimary) {
    play({FakeOverlay::escape()});
    EXPECT_EQ(overlay.monitors, (std::vector<platform::Monitor>{kLeft, kPrimary}));
    EXPECT_EQ(overlay.snapshotSize, (P{1440, 600}));
    ASSERT_TRUE(overlay.hint);
    EXPECT_EQ(overlay.hint->left, RegionSelector::hintLeft(640));
    EXPECT_EQ(overlay.hint->top, 8);
    EXPECT_EQ(overlay.sourceSquare, (P{0, 480 - 21}));
}

TEST_F(MonitorsSelectorTest, MagnifierStaysOnTheMonitorUnderThePointer) {
    struct Seen {
        P view, source, square;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    overlay.afterStep = [&] {
        seen.push_back({overlay.view.value_or(P{}), overlay.source.value_or(P{}),
                        overlay.sourceSquare.value_or(P{})});
    };
    play({FakeOverlay::move(-795, -95), FakeOverlay::move(-50, 300), FakeOverlay::move(-795, 490),
          FakeOverlay::move(590, 300), FakeOverlay::press(-400, 200), FakeOverlay::move(30, 300),
          FakeOverlay::escape()});
    const std::vector<Seen> expected = {
        // Near the left monitor's top-left corner: below and right of the pointer.
        {{-765, -65}, {-805, -105}, {-800, 479}},
        // Near its right edge, where the primary monitor begins: kept on the left monitor.
        {{-180, 170}, {-61, 289}, {-800, 479}},
        // Onto the source square in its bottom-left corner: it hops to the other corner.
        {{-180, 170}, {-61, 289}, {-21, 479}},
        // On the primary monitor: the square comes along to its bottom-left corner.
        {{460, 170}, {579, 289}, {0, 459}},
        // A drag on the left monitor holds the pointer there.
        {{460, 170}, {579, 289}, {-800, 479}},
        {{-130, 170}, {-11, 289}, {-800, 479}},
        {{-130, 170}, {-11, 289}, {-800, 479}},
    };
    EXPECT_EQ(seen, expected);
}

}  // namespace
