// A pointer for a Wayland compositor without input devices (sway's headless backend): it
// creates a virtual pointer on the default seat, so the seat offers a pointer to its clients
// and `swaymsg seat seat0 cursor ...` reaches them. Prints "ready" and keeps the pointer
// until its standard input closes. A line "move X Y WIDTH HEIGHT" on its input moves the
// pointer to X, Y of a layout of that size as a real mouse would (sway's own `cursor set`
// is not passed on to the window that holds the pointer while a button is down); it answers
// "moved". The protocol (wlr-virtual-pointer-unstable-v1) is not shipped as a header, so its
// two interfaces are spelled out here as the scanner would.
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

extern const wl_interface kVirtualPointer;

const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kVirtualPointer};
const wl_interface* kNoTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};

const wl_message kManagerRequests[] = {
    {"create_virtual_pointer", "?on", kCreateTypes},
    {"destroy", "", kNoTypes},
};
const wl_interface kManager = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};

const wl_message kPointerRequests[] = {
    {"motion", "uff", kNoTypes},   {"motion_absolute", "uuuuu", kNoTypes},
    {"button", "uuu", kNoTypes},   {"axis", "uuf", kNoTypes},
    {"frame", "", kNoTypes},       {"axis_source", "u", kNoTypes},
    {"axis_stop", "uu", kNoTypes}, {"axis_discrete", "uufi", kNoTypes},
    {"destroy", "", kNoTypes},
};
const wl_interface kVirtualPointer = {"zwlr_virtual_pointer_v1", 1, 9,
                                      kPointerRequests,          0, nullptr};

constexpr uint32_t kMotionAbsolute = 1;
constexpr uint32_t kFrame = 4;

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    if (std::strcmp(interface, kManager.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManager, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    const wl_registry_listener listener = {global, globalRemove};
    wl_registry_add_listener(registry, &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "virtual_pointer: the compositor has no virtual pointers\n");
        return 1;
    }
    wl_proxy* pointer =
        wl_proxy_marshal_constructor(globals.manager, 0, &kVirtualPointer, globals.seat, nullptr);
    // Parked in the top-left corner, where the tests put nothing.
    wl_proxy_marshal(pointer, kMotionAbsolute, 0u, 0u, 0u, 1u, 1u);
    wl_proxy_marshal(pointer, kFrame);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);

    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
    std::string pending;
    uint32_t time = 1;
    while (true) {
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents) {
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) break;
            pending.append(buffer, std::size_t(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                unsigned x = 0, y = 0, width = 0, height = 0;
                if (std::sscanf(pending.substr(0, end).c_str(), "move %u %u %u %u", &x, &y, &width,
                                &height) == 4) {
                    wl_proxy_marshal(pointer, kMotionAbsolute, time++, x, y, width, height);
                    wl_proxy_marshal(pointer, kFrame);
                    wl_display_roundtrip(display);
                    std::printf("moved\n");
                    std::fflush(stdout);
                }
                pending.erase(0, end + 1);
            }
        }
        if (fds[1].revents && wl_display_dispatch(display) < 0) break;
    }
    wl_display_disconnect(display);
    return 0;
}
