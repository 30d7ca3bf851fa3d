#include "platform/x11/session_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Connects to the compositor's socket the way libwayland-client finds it, and hangs up at
// once: enough to know that Qt's Wayland plugin will find a compositor there.
std::string waylandProblem() {
    if (!env("WAYLAND_SOCKET").empty()) return "";  // a connection the compositor handed over
    std::string display = env("WAYLAND_DISPLAY");
    if (display.empty()) display = "wayland-0";
    std::string path = display;
    if (display.front() != '/') {
        const std::string runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return "the Wayland display \"" + display +
                   "\" cannot be found: XDG_RUNTIME_DIR is not set";
        path = runtime + "/" + display;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    bool reached = false;
    if (path.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            reached = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            close(fd);
        }
    }
    return reached ? "" : "the Wayland display \"" + display + "\" cannot be reached";
}

std::string x11Problem() {
    const std::string display = env("DISPLAY");
    if (display.empty()) return "DISPLAY is not set";
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) return "the X display \"" + display + "\" cannot be reached";
    return "";
}

bool isWayland(const std::string& plugin) {
    return plugin == "wayland" || plugin.rfind("wayland-", 0) == 0;
}

// The user's own list of plugins, which Qt tries in turn: the first that can show a window
// is the one Qt will load. Plugins other than Wayland and X11 (offscreen, vnc, ...) bring
// their own screen.
session_check::Choice checkUsersChoice(const std::string& list) {
    std::string problem;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        const std::string entry = list.substr(start, end - start);
        const std::string plugin = entry.substr(0, entry.find(':'));
        start = end + 1;
        if (plugin.empty()) continue;
        if (isWayland(plugin))
            problem = waylandProblem();
        else if (plugin == "xcb")
            problem = x11Problem();
        else
            return {};
        if (problem.empty()) return {"", "", isWayland(plugin)};
    }
    return {"", problem};
}

}  // namespace

namespace session_check {

Choice choose() {
    const std::string users = env("QT_QPA_PLATFORM");
    if (!users.empty()) return checkUsersChoice(users);

    const std::string forced = env("OZMIRA_SESSION");
    if (forced == "wayland") return {"wayland", waylandProblem(), true};
    if (forced == "x11") return {"xcb", x11Problem()};
    if (!forced.empty())
        return {"", "OZMIRA_SESSION is \"" + forced + "\", but it can only be x11 or wayland"};

    // A Wayland session usually offers X11 too (XWayland), but only a Wayland client can
    // read the screen and work beside the other programs there.
    const std::string type = env("XDG_SESSION_TYPE");
    const bool wayland =
        type == "wayland" || !env("WAYLAND_DISPLAY").empty() || !env("WAYLAND_SOCKET").empty();
    const bool x11 = !env("DISPLAY").empty();
    if (!wayland && !x11) return {"", "neither WAYLAND_DISPLAY nor DISPLAY is set"};
    std::vector<Choice> candidates;
    if (wayland) candidates.push_back({"wayland", waylandProblem(), true});
    if (x11)
        candidates.insert(type == "x11" ? candidates.begin() : candidates.end(),
                          Choice{"xcb", x11Problem()});
    for (const Choice& candidate : candidates)
        if (candidate.problem.empty()) return candidate;
    return candidates.front();
}

std::string problem() {
    return choose().problem;
}

}  // namespace session_check
