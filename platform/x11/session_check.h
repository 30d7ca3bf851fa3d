#pragma once
// Tells, before Qt starts, whether there is a graphical session to show a window in and which
// window system to speak: Qt aborts with a message about reinstalling when its platform
// plugin finds no display, which misleads a user who started the program over SSH or from a
// text console, and Qt alone would run as an X11 client in many Wayland sessions, where it
// can neither read the screen nor see other programs' windows.
#include <string>

namespace session_check {

struct Choice {
    // The Qt platform plugin to load ("wayland" or "xcb"); empty when the user chose it
    // through QT_QPA_PLATFORM, which Qt then reads itself.
    std::string platform;
    // Empty when a window can be shown; otherwise one line saying why not.
    std::string problem;
    // Whether the plugin that will be loaded speaks Wayland.
    bool wayland = false;
};

// The user's QT_QPA_PLATFORM is respected (only checked); otherwise OZMIRA_SESSION ("x11" or
// "wayland") decides, and without it the session itself: XDG_SESSION_TYPE first, then
// WAYLAND_DISPLAY and DISPLAY. A display that cannot be reached is passed over for the other.
Choice choose();

// Empty when a window can be shown; otherwise one line saying why not.
std::string problem();

}  // namespace session_check
