#include "platform/x11/session_check.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The platform plugin Qt will load first: the user's choice, else Wayland in a Wayland
// session and X11 otherwise.
std::string chosenPlatform() {
    std::string chosen = env("QT_QPA_PLATFORM");
    chosen = chosen.substr(0, chosen.find_first_of(";:"));
    if (!chosen.empty()) return chosen;
    return env("WAYLAND_DISPLAY").empty() ? "xcb" : "wayland";
}

}  // namespace

namespace session_check {

std::string problem() {
    const std::string platform = chosenPlatform();
    if (platform == "wayland") {
        if (env("WAYLAND_DISPLAY").empty() && env("XDG_RUNTIME_DIR").empty())
            return "Wayland was chosen but WAYLAND_DISPLAY is not set";
        return "";
    }
    if (platform != "xcb") return "";  // offscreen, vnc and the like bring their own screen
    const std::string display = env("DISPLAY");
    if (display.empty()) return "DISPLAY is not set";
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) return "the X display \"" + display + "\" cannot be reached";
    return "";
}

}  // namespace session_check
