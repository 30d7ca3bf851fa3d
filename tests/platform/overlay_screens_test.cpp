// Which Qt screen shows which monitor, and the device pixels of a window's points.
#include "platform/qt/overlay/overlay_screens.h"

#include <gtest/gtest.h>

namespace {

using Screen = OverlayScreens::Screen;
const platform::Monitor kPrimary{"RIGHT", 0, 0, 1920, 1080, true};
const platform::Monitor kLeft{"LEFT", -1920, 0, 1920, 1080, false};

TEST(OverlayScreensTest, MonitorsFindTheirScreens) {
    const struct {
        const char* name;
        std::vector<platform::Monitor> monitors;
        std::vector<Screen> screens;
        std::vector<int> expected;
    } cases[] = {
        {"by name",
         {kLeft, kPrimary},
         {{"RIGHT", {1920, 0, 1920, 1080}, 1, true}, {"LEFT", {0, 0, 1920, 1080}, 1, false}},
         {1, 0}},
        // X11 scaled by two: sizes in device-independent pixels, top-left in device pixels.
        {"by place, scaled",
         {{"", -1920, 0, 1920, 1080, false}, {"", 0, 0, 1920, 1080, true}},
         {{"A", {1920, 0, 960, 540}, 2, true}, {"B", {0, 0, 960, 540}, 2, false}},
         {1, 0}},
        {"a monitor that no screen shows",
         {kLeft, kPrimary, {"", 5000, 0, 800, 600, false}},
         {{"RIGHT", {1920, 0, 1920, 1080}, 1, true}, {"LEFT", {0, 0, 1920, 1080}, 1, false}},
         {1, 0, -1}},
        // Nothing fits (a compositor that counts places its own way): primary to primary,
        // the rest in order.
        {"in order",
         {{"", 0, 0, 2560, 1440, true}, {"", 2560, 0, 1920, 1080, false}},
         {{"HDMI-1", {0, 0, 1920, 1080}, 1, false}, {"DP-1", {1920, 0, 1280, 720}, 1.5, true}},
         {1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OverlayScreens::match(c.monitors, c.screens), c.expected) << c.name;
}

TEST(OverlayScreensTest, WindowPointsAreDevicePixelsOfTheirMonitor) {
    const struct {
        qreal ratio;
        QPointF local;
        QPoint screen;
    } cases[] = {
        {1, {0, 0}, {-1920, 0}},       {1, {1919, 1079}, {-1, 1079}},
        {2, {10.5, 3.25}, {-1899, 6}}, {2, {959.5, 539.5}, {-1, 1079}},
        {1.5, {1, 1}, {-1919, 1}},     {2, {960, 10}, {0, 20}},  // beyond the window
        {1, {-3, -0.5}, {-1923, -1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OverlayScreens::toScreen(kLeft, c.ratio, c.local), c.screen)
            << c.ratio << " " << c.local.x() << "," << c.local.y();
    EXPECT_EQ(OverlayScreens::toLocal(kLeft, 2, QRect(-1910, 10, 5, 5)), QRect(5, 5, 3, 3));
    EXPECT_EQ(OverlayScreens::toLocal(kPrimary, 1, QRect(10, 20, 30, 40)), QRect(10, 20, 30, 40));
}

}  // namespace
