// Before a capture the main window takes itself off the screen at once, with or without a
// window manager (one that would animate a minimize, or ignore it), so the capture shows what
// lies beneath; afterwards it comes back where it was. Each case has a private X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/qt/qt_form.h"
#include "platform/x11/x11_screen.h"
#include "x11_atoms.h"
#include "x11_private_server.h"

namespace {

// A block well inside the main window, which opens at (50, 50).
constexpr int kLeft = 100, kTop = 100, kSide = 200;
constexpr std::uint32_t kIconicState = 3;

// A window that draws itself late, as a busy program does: no background for the server to
// paint, and its picture comes a while after each Expose.
class LateWindow {
public:
    static constexpr std::uint32_t kColour = 0x00c000;

    LateWindow(int left, int top, int side) : m_connection(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1, XCB_EVENT_MASK_EXPOSURE};
        xcb_create_window(
            m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, std::int16_t(left),
            std::int16_t(top), std::uint16_t(side), std::uint16_t(side), 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
            XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        m_gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_gc, m_window, XCB_GC_FOREGROUND, &kColour);
        xcb_map_window(m_connection, m_window);
        xcb_flush(m_connection);
        m_thread = std::thread([this, side] {
            while (xcb_generic_event_t* event = xcb_wait_for_event(m_connection)) {
                const bool expose = (event->response_type & 0x7f) == XCB_EXPOSE;
                std::free(event);
                if (!expose) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                const xcb_rectangle_t all{0, 0, std::uint16_t(side), std::uint16_t(side)};
                xcb_poly_fill_rectangle(m_connection, m_window, m_gc, 1, &all);
                xcb_flush(m_connection);
            }
        });
    }
    ~LateWindow() {
        // Any other event ends the drawing thread.
        xcb_client_message_event_t stop{};
        stop.response_type = XCB_CLIENT_MESSAGE;
        stop.format = 32;
        stop.window = m_window;
        xcb_send_event(m_connection, 0, m_window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&stop));
        xcb_flush(m_connection);
        m_thread.join();
        xcb_disconnect(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
    std::thread m_thread;
};

class QtFormHideTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() {
        server = new X11PrivateServer;
        setenv("DISPLAY", server->display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "qt_form_hide_test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        connection = xcb_connect(nullptr, nullptr);
    }
    static void TearDownTestSuite() {
        xcb_disconnect(connection);
        delete app;
        delete server;
    }
    void TearDown() override {
        if (windowManager <= 0) return;
        kill(windowManager, SIGTERM);
        waitpid(windowManager, nullptr, 0);
    }

    void startWindowManager() {
        windowManager = server->startWindowManager();
        ASSERT_TRUE(QTest::qWaitFor([&] { return windowManagerReady(connection); }, 10000));
    }
    // The window's ICCCM state as the window manager keeps it; 0 (withdrawn) without one.
    std::uint32_t wmState(xcb_window_t window) {
        const xcb_atom_t state = atom(connection, "WM_STATE");
        auto* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, state, state, 0, 2), nullptr);
        std::uint32_t value = 0;
        if (reply && xcb_get_property_value_length(reply) >= 4)
            value = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return value;
    }
    // Where the window's inside lies on the screen, and its size.
    QRect placeOf(xcb_window_t window) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        auto* at = xcb_translate_coordinates_reply(
            connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr);
        auto* size =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
        QRect place;
        if (at && size) place = QRect(at->dst_x, at->dst_y, size->width, size->height);
        std::free(at);
        std::free(size);
        return place;
    }

    static inline X11PrivateServer* server = nullptr;
    static inline QApplication* app = nullptr;
    static inline xcb_connection_t* connection = nullptr;
    pid_t windowManager = -1;
};

TEST_P(QtFormHideTest, TheWindowLeavesForACaptureWithoutMinimizingAndComesBackInPlace) {
    const bool withWindowManager = GetParam();
    if (withWindowManager) {
        ASSERT_NO_FATAL_FAILURE(startWindowManager());
    }
    X11Screen screen;
    ASSERT_TRUE(screen.connected());
    const std::string desktop = screen.capture(kLeft, kTop, kSide, kSide);
    ASSERT_FALSE(desktop.empty());

    auto form = std::make_unique<QtForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != desktop; }));
    const auto window = xcb_window_t(form->window()->winId());
    const QRect place = placeOf(window);

    form->hideForCapture(1500);
    // What a capture sees now is the desktop, not the window; and the window was taken off
    // by itself, not minimized by a window manager (whose animation would be waited for).
    EXPECT_EQ(screen.capture(kLeft, kTop, kSide, kSide), desktop);
    EXPECT_NE(wmState(window), kIconicState);

    form->setWindowState(platform::WindowState::Normal);
    form->raise();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != desktop; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return placeOf(window) == place; }))
        << "was at " << place.x() << "," << place.y() << " now " << placeOf(window).x() << ","
        << placeOf(window).y();
    form.reset();
}

// What lies beneath may take its time to draw itself again: the capture waits for it rather
// than photograph what the main window left on the screen. (Without a window manager, which
// would stack the main window below the late one, an unmanaged window.)
TEST_F(QtFormHideTest, TheCaptureWaitsForTheWindowsBeneathToDrawThemselves) {
    X11Screen screen;
    const std::string desktop = screen.capture(kLeft, kTop, kSide, kSide);
    LateWindow late(kLeft, kTop, kSide);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != desktop; }));
    const std::string beneath = screen.capture(kLeft, kTop, kSide, kSide);

    auto form = std::make_unique<QtForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != beneath; }));
    form->hideForCapture(1500);
    EXPECT_EQ(screen.capture(kLeft, kTop, kSide, kSide), beneath);
    form.reset();
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutWindowManager, QtFormHideTest,
                         ::testing::Values(true, false));

}  // namespace
