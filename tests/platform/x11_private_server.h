#pragma once
// A private Xvfb server for one test program: hotkey tests grab keys and toggle the lock
// keys, which must neither disturb nor be disturbed by other tests on a shared display.
#include <sys/types.h>

#include <string>
#include <vector>

class X11PrivateServer {
public:
    // Starts Xvfb on a free display number and waits until it accepts clients; throws
    // std::runtime_error when it does not come up.
    X11PrivateServer();
    ~X11PrivateServer();
    X11PrivateServer(const X11PrivateServer&) = delete;
    X11PrivateServer& operator=(const X11PrivateServer&) = delete;

    const std::string& display() const { return m_display; }
    // Runs xdotool with the arguments on this display; true when it succeeded.
    bool xdotool(const std::string& arguments) const;
    // Starts openbox on this display, its output silenced; its process id, for the caller to
    // wait for its WM_S0 selection and to end it.
    pid_t startWindowManager() const;
    // The same for the picom compositing manager (its _NET_WM_CM_S0 selection); fading, it
    // fades windows in and out over half a second.
    pid_t startCompositor(bool fading = false) const;
    // Ends the server at once, as a crash or logout would.
    void kill();

private:
    pid_t start(const std::vector<const char*>& command) const;

    pid_t m_pid = -1;
    std::string m_display;
};
