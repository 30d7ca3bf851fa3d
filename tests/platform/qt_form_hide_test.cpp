// Without a window manager nobody minimizes the main window: before a capture it must take
// itself off the screen, so the capture shows what lies beneath, and come back afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "platform/qt/qt_form.h"
#include "platform/x11/x11_screen.h"
#include "x11_private_server.h"

namespace {

// A block well inside the main window, which opens at (50, 50).
constexpr int kLeft = 100, kTop = 100, kSide = 200;

TEST(QtFormWithoutWindowManagerTest, MinimizingForACaptureTakesTheWindowOffTheScreen) {
    X11PrivateServer server;
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "qt_form_hide_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    X11Screen screen;
    ASSERT_TRUE(screen.connected());
    const std::string desktop = screen.capture(kLeft, kTop, kSide, kSide);
    ASSERT_FALSE(desktop.empty());

    auto form = std::make_unique<QtForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != desktop; }));

    form->setWindowState(platform::WindowState::Minimized);
    form->waitUntilHidden(1500);
    // What a capture sees now is the desktop, not the window.
    EXPECT_EQ(screen.capture(kLeft, kTop, kSide, kSide), desktop);

    form->setWindowState(platform::WindowState::Normal);
    form->raise();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return screen.capture(kLeft, kTop, kSide, kSide) != desktop; }));
    form.reset();
}

}  // namespace
