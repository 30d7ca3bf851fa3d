// The region selector on the real overlay and the real screen: a pattern window on the X
// server, the pointer driven by xdotool, the screen read back while the overlay shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "capture/bmp_image.h"
#include "capture/region_selector.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "platform/x11/x11_screen.h"
#include "support/temp_dir.h"
#include "x11_pattern_window.h"

namespace {

#ifdef OZMIRA_TEST_SCALE_FACTOR
constexpr qreal kScale = OZMIRA_TEST_SCALE_FACTOR[0] - '0';
#else
constexpr qreal kScale = 1;
#endif
constexpr std::uint32_t kGreen = 0xff00ff00u;
constexpr std::uint32_t kRed = 0xffff0000u;
constexpr std::uint32_t kHintBackground = 0xfff0f0f0u;

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
}

// A step that runs xdotool with the words of args.
std::function<void()> xdo(const char* args) {
    return [list = QString::fromLatin1(args).split(' ')] { xdotool(list); };
}

void settle(int ms = 150) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// With OZMIRA_TEST_ARTIFACTS naming a folder, a picture of the screen goes there to be
// looked at.
void keepScreenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("OZMIRA_TEST_ARTIFACTS");
    if (folder.isEmpty()) return;
    QProcess::execute(QStringLiteral("import"), {"-window", "root", folder + "/" + name});
}

// The full-screen overlay window once the server shows it, or null.
QWidget* overlayWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed() &&
            w->geometry() == w->screen()->geometry())
            return w;
    return nullptr;
}

class QtOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
        // Under the drag below: its quadrants meet at (400, 300), inside the rectangle.
        pattern = std::make_unique<X11PatternWindow>(250, 150, 300, 300);
        if (!pattern->show()) GTEST_SKIP() << "needs a 24-bit X server";
        xdotool({"mousemove", "900", "700"});
        settle();
    }
    void TearDown() override {
        // A step list may end while the left button is still down.
        if (pattern) QProcess::execute(QStringLiteral("xdotool"), {"mouseup", "1"});
    }

    // Runs the selector; once the overlay is up, plays the steps (each followed by a short
    // pause for the events to arrive) and returns what the selector gave back. The overlay
    // has to close on its own by the end of the steps.
    std::optional<RegionSelector::Result> runWith(std::vector<std::function<void()>> steps) {
        bool closedOnItsOwn = false;
        QTimer::singleShot(0, [&] {
            QElapsedTimer wait;
            wait.start();
            while (!overlayWindow() && wait.elapsed() < 5000) settle(20);
            QWidget* window = overlayWindow();
            if (window) {
                geometry = window->geometry();
                cursor = window->cursor().shape();
                ratio = window->devicePixelRatioF();
            }
            settle(300);
            for (auto& step : steps) {
                if (!window || !window->isVisible()) break;
                step();
                settle();
            }
            closedOnItsOwn = window && !window->isVisible();
            // Either way the run must end.
            overlay.close();
        });
        auto result = selector.run(2);
        EXPECT_TRUE(closedOnItsOwn) << "the overlay did not close";
        EXPECT_FALSE(selector.isOpen());
        EXPECT_EQ(overlayWindow(), nullptr);
        return result;
    }

    // The live screen, decoded.
    platform::ScreenImage liveScreen() {
        platform::ScreenImage image;
        EXPECT_TRUE(BmpImage::decode(
            screen.capture(0, 0, screen.size().width, screen.size().height), image));
        return image;
    }

    std::uint32_t patternAt(int x, int y) const {
        return 0xff000000u | pattern->colourAt(x - pattern->left(), y - pattern->top());
    }

    TempDir dir;
    AppState state{dir.path()};
    X11Screen screen;
    QtOverlay overlay;
    RegionSelector selector{state, screen, overlay};
    std::unique_ptr<X11PatternWindow> pattern;
    QRect geometry;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    qreal ratio = 0;
};

// The scaled build runs the same cases under a name of its own.
#ifdef OZMIRA_TEST_SCALE_FACTOR
using QtOverlayScaledTest = QtOverlayTest;
#define OVERLAY_SUITE QtOverlayScaledTest
#else
#define OVERLAY_SUITE QtOverlayTest
#endif

TEST_F(OVERLAY_SUITE, DragGivesTheNormalizedRectangleCutFromTheSnapshot) {
    platform::ScreenImage during;
    const auto result = runWith({
        xdo("mousemove 500 400"),
        xdo("mousedown 1"),
        xdo("mousemove 400 300"),
        xdo("mousemove 300 200"),
        [&] {
            during = liveScreen();
            keepScreenshot("overlay-drag.png");
        },
        xdo("mouseup 1"),
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rect, (CaptureRect{300, 200, 500, 400}));
    platform::ScreenImage cut;
    ASSERT_TRUE(BmpImage::decode(result->bmp, cut));
    ASSERT_EQ(cut.width, 200);
    ASSERT_EQ(cut.height, 200);
    // The pattern and nothing else: no outline, no magnifier, no hint in the image.
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(cut.at(x, y), patternAt(300 + x, 200 + y)) << x << "," << y;

    ASSERT_FALSE(during.empty());
    // The green outline runs along the rectangle's edges, the inside shows the snapshot.
    auto greenNear = [&](int x, int y, bool vertical) {
        for (int d = -1; d <= 1; ++d) {
            const std::uint32_t c = vertical ? during.at(x + d, y) : during.at(x, y + d);
            if (c == kGreen) return true;
        }
        return false;
    };
    EXPECT_TRUE(greenNear(450, 200, false)) << "top edge";
    EXPECT_TRUE(greenNear(450, 400, false)) << "bottom edge";
    EXPECT_TRUE(greenNear(300, 350, true)) << "left edge";
    EXPECT_TRUE(greenNear(500, 350, true)) << "right edge";
    EXPECT_EQ(during.at(450, 380), patternAt(450, 380));
    EXPECT_EQ(during.at(320, 390), patternAt(320, 390));

    // The magnifier for the pointer at (300, 200) during a leftward drag: view at (170, 70),
    // a red crosshair through its middle, the snapshot around it magnified, the outline in
    // it too.
    const int vx = 170, vy = 70;
    EXPECT_EQ(during.at(vx + 20, vy + 50), kRed);
    EXPECT_EQ(during.at(vx + 80, vy + 50), kRed);
    EXPECT_EQ(during.at(vx + 50, vy + 20), kRed);
    EXPECT_EQ(during.at(vx + 50, vy + 80), kRed);
    // Source pixel (0, 0) is screen pixel (289, 189), a block of about 5 x 5 in the view.
    EXPECT_EQ(during.at(vx + 1, vy + 1), patternAt(289, 189));
    EXPECT_EQ(during.at(vx + 98, vy + 98), patternAt(309, 209));
    int green = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) green += during.at(vx + x, vy + y) == kGreen;
    EXPECT_GT(green, 100) << "the outline shows in the magnifier";
    // Beside the view the snapshot is untouched.
    EXPECT_EQ(during.at(vx + 90, vy + 105), patternAt(vx + 90, vy + 105));
    // The source square sits in the bottom-left corner with the same crosshair.
    const int h = during.height;
    EXPECT_EQ(during.at(10, h - 21 + 3), kRed);
    EXPECT_EQ(during.at(3, h - 21 + 10), kRed);

    // Closed: the pattern is on the screen again.
    settle();
    const platform::ScreenImage after = liveScreen();
    EXPECT_EQ(after.at(450, 200), patternAt(450, 200));
    EXPECT_EQ(state.selection.x1 + state.selection.y1 + state.selection.x2, 0);
    EXPECT_FALSE(state.selecting);
}

// Every pixel of the screen can be a corner, also on a scaled display, where a device pixel
// is half a logical one: odd corners and a one-pixel drag keep their device positions.
TEST_F(OVERLAY_SUITE, CornersKeepTheirDevicePixels) {
    const struct {
        int fromX, fromY, toX, toY;
        CaptureRect rect;
    } cases[] = {
        {501, 401, 301, 201, {301, 201, 501, 401}},
        {333, 211, 334, 212, {333, 211, 334, 212}},
        {300, 200, 451, 347, {300, 200, 451, 347}},
    };
    for (const auto& c : cases) {
        const auto at = [](int x, int y) {
            return "mousemove " + std::to_string(x) + " " + std::to_string(y);
        };
        const std::string from = at(c.fromX, c.fromY), to = at(c.toX, c.toY);
        const auto result =
            runWith({xdo(from.c_str()), xdo("mousedown 1"), xdo(to.c_str()), xdo("mouseup 1")});
        ASSERT_TRUE(result) << from << " to " << to;
        EXPECT_EQ(result->rect, c.rect) << from << " to " << to;
        platform::ScreenImage cut;
        ASSERT_TRUE(BmpImage::decode(result->bmp, cut));
        ASSERT_EQ(cut.width, c.rect.width());
        ASSERT_EQ(cut.height, c.rect.height());
        EXPECT_EQ(cut.at(0, 0), patternAt(c.rect.left, c.rect.top)) << from << " to " << to;
        EXPECT_EQ(cut.at(cut.width - 1, cut.height - 1),
                  patternAt(c.rect.right - 1, c.rect.bottom - 1));
    }
}

TEST_F(OVERLAY_SUITE, CoversTheScreenWithTheSnapshotTheHintAndACrossPointer) {
    platform::ScreenImage before = liveScreen();
    platform::ScreenImage shown;
    const auto result = runWith({
        [&] {
            shown = liveScreen();
            keepScreenshot("overlay-open.png");
        },
        xdo("key Escape"),
    });
    EXPECT_FALSE(result) << "Esc cancels";
    EXPECT_EQ(geometry, QApplication::primaryScreen()->geometry());
    EXPECT_EQ(cursor, Qt::CrossCursor);
    EXPECT_EQ(ratio, kScale);
    ASSERT_FALSE(shown.empty());
    // The snapshot, one pixel for one pixel.
    for (int y = 150; y < 450; y += 7)
        for (int x = 250; x < 550; x += 3)
            ASSERT_EQ(shown.at(x, y), patternAt(x, y)) << x << "," << y;
    // The hint, centred at the top with its text; everywhere else the desktop as it was.
    const int hintLeft = shown.width / 2 - 214;
    EXPECT_EQ(shown.at(hintLeft + 1, 9), kHintBackground);
    EXPECT_EQ(shown.at(hintLeft + 426, 38), kHintBackground);
    int ink = 0;
    for (int x = hintLeft; x < hintLeft + 428; ++x) ink += (shown.at(x, 24) & 0xffffff) < 0x808080;
    EXPECT_GT(ink, 40) << "the hint's text";
    EXPECT_EQ(shown.at(hintLeft - 1, 20), before.at(hintLeft - 1, 20));
    EXPECT_EQ(shown.at(hintLeft + 20, 41), before.at(hintLeft + 20, 41));
}

TEST_F(OVERLAY_SUITE, RightClickClosesWithoutACapture) {
    const auto result = runWith({
        xdo("mousemove 600 500"),
        xdo("mousedown 1"),
        xdo("mousemove 700 650"),
        xdo("click 3"),
        xdo("mouseup 1"),
    });
    EXPECT_FALSE(result);
    EXPECT_FALSE(state.selecting);
    EXPECT_EQ(state.selection.x1, 0);
}

TEST_F(OVERLAY_SUITE, PointerOverTheHintHidesIt) {
    platform::ScreenImage shown;
    const auto result = runWith({
        xdo("mousemove 900 20"),
        [&] { shown = liveScreen(); },
        xdo("click 3"),
    });
    EXPECT_FALSE(result);
    ASSERT_FALSE(shown.empty());
    const int hintLeft = shown.width / 2 - 214;
    EXPECT_NE(shown.at(hintLeft + 1, 9), kHintBackground);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
#ifdef OZMIRA_TEST_SCALE_FACTOR
    // One overlay pixel must stay one screen pixel on a scaled screen too.
    qputenv("QT_SCALE_FACTOR", OZMIRA_TEST_SCALE_FACTOR);
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
