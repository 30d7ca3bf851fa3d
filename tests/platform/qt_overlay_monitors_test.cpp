// The region selector on two monitors (tests/scripts/two_monitors.sh: LEFT, 1920 x 1080,
// left of the primary RIGHT, 1600 x 900): a window on each, the frozen picture of each, the
// magnifier on the one under the pointer, and a drag that stays on its monitor and gives
// what typing its coordinates captures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>

#include "capture/bmp_image.h"
#include "capture/region_selector.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "platform/x11/x11_screen.h"
#include "support/temp_dir.h"
#include "x11_pattern_window.h"

namespace {

constexpr std::uint32_t kRed = 0xffff0000u;
constexpr std::uint32_t kHintBackground = 0xfff0f0f0u;
// The root window's x of the primary monitor: screen x is root x minus this.
constexpr int kPrimaryX = 1920;

std::function<void()> xdo(const QString& args) {
    return [args] {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args.split(' ')), 0) << "xdotool";
    };
}

void settle(int ms = 150) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The windows covering a whole monitor (not the hint's small one).
std::vector<QWidget*> overlayWindows() {
    std::vector<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed() &&
            w->geometry() == w->screen()->geometry())
            shown.push_back(w);
    return shown;
}

class QtOverlayMonitorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
        const std::vector<platform::Monitor> monitors = screen.monitors();
        ASSERT_EQ(monitors.size(), 2u) << "run under tests/scripts/two_monitors.sh";
        // A pattern on each monitor, given in root coordinates.
        left = std::make_unique<X11PatternWindow>(100, 100, 400, 300);
        right = std::make_unique<X11PatternWindow>(kPrimaryX + 300, 500, 400, 300);
        ASSERT_TRUE(left->show() && right->show());
        xdo("mousemove 1000 900")();
        settle();
    }
    void TearDown() override { QProcess::execute(QStringLiteral("xdotool"), {"mouseup", "1"}); }

    std::optional<RegionSelector::Result> runWith(std::vector<std::function<void()>> steps) {
        QTimer::singleShot(0, [&] {
            QElapsedTimer wait;
            wait.start();
            while (overlayWindows().size() < 2 && wait.elapsed() < 5000) settle(20);
            for (QWidget* w : overlayWindows()) windows.push_back(w->geometry());
            settle(300);
            for (auto& step : steps) {
                step();
                settle();
            }
            overlay.close();
        });
        return selector.run(2);
    }

    // The whole desktop as it shows now, in screen coordinates.
    platform::ScreenImage desktop() {
        platform::ScreenImage image;
        EXPECT_TRUE(BmpImage::decode(screen.capture(-kPrimaryX, 0, 3840, 1080), image));
        return image;
    }
    // The colour at screen point (x, y) of a 400 x 300 pattern at root (rootLeft, top).
    static std::uint32_t patternAt(int rootLeft, int top, int x, int y) {
        return 0xff000000u |
               X11PatternWindow::colourAt(x + kPrimaryX - rootLeft, y - top, 400, 300);
    }

    TempDir dir;
    AppState state{dir.path()};
    X11Screen screen;
    QtOverlay overlay;
    RegionSelector selector{state, screen, overlay};
    std::unique_ptr<X11PatternWindow> left, right;
    std::vector<QRect> windows;
};

TEST_F(QtOverlayMonitorsTest, CoversBothMonitorsWithTheirFrozenPictures) {
    platform::ScreenImage shown;
    runWith({[&] {
                 // The live windows go; the overlay still shows them.
                 left.reset();
                 right.reset();
                 settle(300);
                 shown = desktop();
                 QProcess::execute(
                     "import",
                     {"-window", "root",
                      qEnvironmentVariable("OZMIRA_TEST_ARTIFACTS", "/tmp") + "/two-monitors.png"});
             },
             xdo("key Escape")});
    std::vector<QRect> expected;
    for (QScreen* s : QApplication::screens()) expected.push_back(s->geometry());
    std::sort(windows.begin(), windows.end(), [](auto& a, auto& b) { return a.x() < b.x(); });
    std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.x() < b.x(); });
    EXPECT_EQ(windows, expected);
    ASSERT_FALSE(shown.empty());
    for (int y = 0; y < 300; y += 7) {
        for (int x = 0; x < 400; x += 5) {
            ASSERT_EQ(shown.at(100 + x, 100 + y), patternAt(100, 100, -1820 + x, 100 + y))
                << x << "," << y;
            ASSERT_EQ(shown.at(kPrimaryX + 300 + x, 500 + y),
                      patternAt(kPrimaryX + 300, 500, 300 + x, 500 + y));
        }
    }
    // The hint is centred on the primary monitor only.
    const int hint = kPrimaryX + RegionSelector::hintLeft(1600);
    EXPECT_EQ(shown.at(hint + 1, 9), kHintBackground);
    EXPECT_NE(shown.at(hint + 1 - kPrimaryX, 9), kHintBackground);
}

TEST_F(QtOverlayMonitorsTest, DragOnTheLeftMonitorGivesWhatItsTypedCoordinatesCapture) {
    platform::ScreenImage during;
    const auto result =
        runWith({xdo("mousemove 300 200"), xdo("mousedown 1"), xdo("mousemove 420 330"),
                 xdo("mousemove 450 350"), [&] { during = desktop(); }, xdo("mouseup 1")});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rect, (CaptureRect{-1620, 200, -1470, 350}));
    EXPECT_EQ(result->bmp, screen.capture(-1620, 200, 150, 150));
    // The magnifier beside the pointer on the left monitor (pointer at 450, 350 of it,
    // rightward drag): view at 480, 220 with the red crosshair through its middle.
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during.at(480 + 50, 220 + 20), kRed);
    EXPECT_EQ(during.at(480 + 20, 220 + 50), kRed);
    // Its source square in the left monitor's bottom-left corner.
    EXPECT_EQ(during.at(10, 1080 - 21 + 3), kRed);
}

TEST_F(QtOverlayMonitorsTest, DragStopsAtTheEdgeOfItsMonitor) {
    const auto result =
        runWith({xdo("mousemove 1800 500"), xdo("mousedown 1"), xdo("mousemove 2100 600"),
                 xdo("mousemove 2200 650"), xdo("mouseup 1")});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rect, (CaptureRect{-120, 500, 0, 650}));
    EXPECT_EQ(result->bmp, screen.capture(-120, 500, 120, 150));
}

// The screen itself: both monitors, the desktop's picture from the left one's corner, and
// black where the root window reaches beyond the smaller primary monitor.
TEST_F(QtOverlayMonitorsTest, ScreenListsTheMonitorsAndBlackensWhatNoneHolds) {
    const std::vector<platform::Monitor> expected = {{"RIGHT", 0, 0, 1600, 900, true},
                                                     {"LEFT", -1920, 0, 1920, 1080, false}};
    EXPECT_EQ(screen.monitors(), expected);
    EXPECT_EQ(screen.size(), (platform::ScreenSize{1600, 900}));
    X11PatternWindow corner(kPrimaryX + 1500, 800, 400, 300);
    ASSERT_TRUE(corner.show());
    const platform::ScreenImage all = screen.snapshot();
    EXPECT_EQ(all.left, -1920);
    EXPECT_EQ(all.top, 0);
    EXPECT_EQ(all.width, 3520);
    EXPECT_EQ(all.height, 1080);
    platform::ScreenImage cut;
    ASSERT_TRUE(BmpImage::decode(screen.capture(1500, 800, 400, 300), cut));
    const struct {
        int x, y;
        bool onMonitor;
    } points[] = {
        {0, 0, true}, {99, 99, true}, {100, 0, false}, {0, 100, false}, {399, 299, false}};
    for (const auto& p : points) {
        const std::uint32_t want =
            p.onMonitor ? 0xff000000u | corner.colourAt(p.x, p.y) : 0xff000000u;
        EXPECT_EQ(cut.at(p.x, p.y), want) << p.x << "," << p.y;
        if (1500 + p.x < 1600) {
            EXPECT_EQ(all.at(1920 + 1500 + p.x, 800 + p.y), want) << p.x << "," << p.y;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
#ifdef OZMIRA_TEST_SCALE_FACTOR
    qputenv("QT_SCALE_FACTOR", OZMIRA_TEST_SCALE_FACTOR);
#endif
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
