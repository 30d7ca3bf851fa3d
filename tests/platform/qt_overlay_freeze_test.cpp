// On X11 without a compositing manager the overlay freezes the screen before its snapshot is
// read: a window beneath that keeps drawing no longer changes the screen, the snapshot equals
// what the overlay then shows, the hint is on the screen before the snapshot is read and stays
// over the overlay's paint, and the unmanaged overlay still takes the keys and a drag, with
// and without a window manager, even when they come before it runs. Under a compositing
// manager (picom) the cover is transparent instead: the hint is up at once just the same, the
// screen beneath goes on until the overlay paints the snapshot. Each case has a private X
// server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/qt/overlay/qt_overlay.h"
#include "platform/qt/qt_form.h"
#include "platform/x11/x11_screen.h"
#include "x11_atoms.h"
#include "x11_private_server.h"

namespace {

constexpr int kLeft = 100, kTop = 100, kSide = 200;
const QRect kHint(106, 8, 428, 32);
constexpr std::uint32_t kHintGrey = 0xfff0f0f0;

// Whether two pictures of the screen agree outside the hint's rectangle.
bool sameAroundHint(const platform::ScreenImage& a, const platform::ScreenImage& b) {
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (!kHint.contains(x, y) && a.at(x, y) != b.at(x, y)) return false;
    return a.width == b.width && a.height == b.height;
}

// A window that repaints itself in a new colour over and over, as a video would.
class TickingWindow {
public:
    TickingWindow() : m_connection(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, kLeft, kTop,
                          kSide, kSide, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
        m_gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_gc, m_window, 0, nullptr);
        xcb_map_window(m_connection, m_window);
        m_thread = std::thread([this] {
            for (std::uint32_t colour = 1; !m_stop; colour = (colour * 7 + 0x1234) & 0xffffff) {
                xcb_change_gc(m_connection, m_gc, XCB_GC_FOREGROUND, &colour);
                const xcb_rectangle_t all{0, 0, kSide, kSide};
                xcb_poly_fill_rectangle(m_connection, m_window, m_gc, 1, &all);
                // Counted once the server has drawn it.
                std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection),
                                                    nullptr));
                ++m_frames;
            }
        });
    }
    ~TickingWindow() {
        m_stop = true;
        m_thread.join();
        xcb_disconnect(m_connection);
    }
    // Returns once the window has drawn a few more frames.
    void drawSome() {
        const int until = m_frames + 5;
        while (m_frames < until) std::this_thread::yield();
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_frames{0};
    std::thread m_thread;
};

struct Recorder : platform::OverlayEvents {
    explicit Recorder(platform::Overlay& overlay) : overlay(overlay) {}
    void onOpened() override {
        ++opened;
        overlay.showHint("hint", kHint.x(), kHint.y(), kHint.width(), kHint.height());
    }
    void onLeftPress(int x, int y) override { press = {x, y}; }
    void onLeftRelease(int x, int y) override {
        release = {x, y};
        overlay.close();
    }
    void onRightPress(int, int) override {}
    void onMove(int, int) override {}
    void onEscape() override { ++escapes; }
    platform::Overlay& overlay;
    int opened = 0, escapes = 0;
    QPoint press, release;
};

enum class Desktop { Bare, Openbox, Compositor, FadingCompositor };

class QtOverlayFreezeTest : public ::testing::TestWithParam<Desktop> {
protected:
    void SetUp() override {
        server = std::make_unique<X11PrivateServer>();
        setenv("DISPLAY", server->display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "qt_overlay_freeze_test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        connection = xcb_connect(nullptr, nullptr);
        if (GetParam() == Desktop::Openbox) startWindowManager();
        if (GetParam() == Desktop::Compositor || GetParam() == Desktop::FadingCompositor)
            startCompositor(GetParam() == Desktop::FadingCompositor);
    }
    void TearDown() override {
        for (pid_t helper : {windowManager, compositor}) {
            if (helper <= 0) continue;
            kill(helper, SIGTERM);
            waitpid(helper, nullptr, 0);
        }
        xcb_disconnect(connection);
        app.reset();
        server.reset();
    }
    void startWindowManager() {
        windowManager = server->startWindowManager();
        ASSERT_TRUE(QTest::qWaitFor([&] { return windowManagerReady(connection); }, 10000));
    }
    void startCompositor(bool fading) {
        compositor = server->startCompositor(fading);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return selectionOwned(connection, "_NET_WM_CM_S0"); }, 10000));
    }

    std::unique_ptr<X11PrivateServer> server;
    std::unique_ptr<QApplication> app;
    xcb_connection_t* connection = nullptr;
    pid_t windowManager = -1;
    pid_t compositor = -1;
};

TEST_P(QtOverlayFreezeTest, TheScreenStopsAtTheCoverAndTheOverlayShowsItWithKeysAndADrag) {
    const bool freezes = GetParam() != Desktop::Compositor;
    TickingWindow ticking;
    ticking.drawSome();
    X11Screen screen;
    QtOverlay overlay;
    const std::vector<platform::Monitor> monitors = screen.monitors();
    EXPECT_TRUE(overlay.cover(monitors));
    // What the snapshot would hold without the hint (the selector puts it back the same way).
    const platform::ScreenImage beneath = screen.snapshot();
    overlay.showHint("hint", kHint.x(), kHint.y(), kHint.width(), kHint.height());
    // A compositing manager shows the hint a frame later; nothing else may run meanwhile.
    platform::ScreenImage snapshot = screen.snapshot();
    for (int waited = 0; waited < 1000 && snapshot.at(kHint.x(), kHint.y()) != kHintGrey;
         waited += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        snapshot = screen.snapshot();
    }
    EXPECT_EQ(snapshot.at(kHint.x(), kHint.y()), kHintGrey) << "hint before the run";
    ticking.drawSome();
    // A compositing manager shows the change a frame later; nothing else may run meanwhile.
    bool drewOn = false;
    for (int waited = 0; waited < 1000 && !drewOn; waited += 50) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        drewOn = screen.snapshot().pixels != snapshot.pixels;
    }
    EXPECT_EQ(drewOn, !freezes) << "the window beneath drew on";
    // Under a compositing manager the window beneath goes on drawing between the two reads.
    if (freezes) {
        EXPECT_TRUE(sameAroundHint(beneath, snapshot));
    }
    // The user does not wait for the picture: a key and a press before the run are kept.
    EXPECT_TRUE(server->xdotool("key Escape mousemove 150 160 mousedown 1"));

    Recorder events(overlay);
    platform::ScreenImage shown;
    QTimer::singleShot(0, [&] {
        QTest::qWait(300);
        shown = screen.snapshot();
        QTest::qWait(200);
        EXPECT_TRUE(server->xdotool("mousemove 300 280 mouseup 1"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !events.release.isNull(); }, 5000));
        overlay.close();
    });
    overlay.run(beneath, monitors, events);
    EXPECT_EQ(events.opened, 1);
    // The overlay's paint shows the same pixels, the hint still over them.
    EXPECT_EQ(shown.at(kHint.x(), kHint.y()), kHintGrey);
    EXPECT_TRUE(freezes ? shown.pixels == snapshot.pixels : sameAroundHint(shown, beneath))
        << "the overlay changed what the screen showed";
    EXPECT_EQ(events.escapes, 1);
    EXPECT_EQ(events.press, QPoint(150, 160));
    EXPECT_EQ(events.release, QPoint(300, 280));
}

std::string desktopName(const ::testing::TestParamInfo<Desktop>& info) {
    switch (info.param) {
        case Desktop::Bare:
            return "Bare";
        case Desktop::Openbox:
            return "Openbox";
        case Desktop::Compositor:
            return "Compositor";
        case Desktop::FadingCompositor:
            return "FadingCompositor";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Desktops, QtOverlayFreezeTest,
                         ::testing::Values(Desktop::Bare, Desktop::Openbox, Desktop::Compositor),
                         desktopName);

using QtOverlayAheadTest = QtOverlayFreezeTest;

// Under a compositing manager the overlay and its hint go up while the main window is still
// on the screen; the window's hide then waits for the compositor to have faded it out beneath
// them, and what the user typed or pressed meanwhile reaches the overlay once it runs.
TEST_P(QtOverlayAheadTest, TheOverlayGoesUpBeforeTheMainWindowLeavesAndNothingIsLost) {
    X11Screen screen;
    QtOverlay overlay;
    const std::vector<platform::Monitor> monitors = screen.monitors();
    // picom's first frame: its background is grey, the bare server's black.
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen.snapshot().at(0, 0) != 0xff000000; }));
    const platform::ScreenImage desktop = screen.snapshot();
    QtForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sameAroundHint(screen.snapshot(), desktop); }));
    // What is read beneath the hint must be what the snapshot will hold: not where one of the
    // program's windows lies.
    EXPECT_FALSE(overlay.coverAhead(monitors, kLeft, kTop, kSide, kSide));
    ASSERT_TRUE(overlay.coverAhead(monitors, kHint.x(), kHint.y(), kHint.width(), kHint.height()));
    overlay.showHint("hint", kHint.x(), kHint.y(), kHint.width(), kHint.height());
    EXPECT_TRUE(server->xdotool("key Escape mousemove 150 160 mousedown 1"));
    form.hideForCapture(5000);
    const platform::ScreenImage snapshot = screen.snapshot();
    EXPECT_TRUE(sameAroundHint(snapshot, desktop)) << "the window, or some of it, in the snapshot";

    Recorder events(overlay);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(server->xdotool("mousemove 300 280 mouseup 1"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !events.release.isNull(); }, 5000));
        overlay.close();
    });
    overlay.run(snapshot, monitors, events);
    EXPECT_EQ(events.escapes, 1);
    EXPECT_EQ(events.press, QPoint(150, 160));
    EXPECT_EQ(events.release, QPoint(300, 280));
}

INSTANTIATE_TEST_SUITE_P(Desktops, QtOverlayAheadTest,
                         ::testing::Values(Desktop::FadingCompositor), desktopName);

}  // namespace
