#pragma once
// Global hotkeys on an X11 display. The backend keeps its own connection and grabs the key
// combinations on the root window; a reader thread waits for the key presses and hands each
// hotkey to the user-interface thread through the function the program supplies, so the
// window's handler (and the command it runs) never runs on the reader thread.
#include <xcb/xcb.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/hotkeys.h"
#include "platform/x11/hotkeys_grabber.h"

class HotkeysX11 : public platform::Hotkeys {
public:
    // Runs a function on the user-interface thread, later; it may be called from any thread.
    using PostToUi = std::function<void(std::function<void()>)>;

    // display: an X display name, nullptr for $DISPLAY. Without a display every
    // registration fails; the program runs on without hotkeys.
    explicit HotkeysX11(PostToUi postToUi, const char* display = nullptr);
    // Stops the reader thread, releases every grab and closes the connection.
    // Functions already posted to the user-interface thread then do nothing.
    ~HotkeysX11() override;
    HotkeysX11(const HotkeysX11&) = delete;
    HotkeysX11& operator=(const HotkeysX11&) = delete;

    bool connected() const { return m_connection != nullptr; }

    bool registerHotkey(platform::WindowHandle window, int32_t id, int32_t modifiers,
                        int32_t keyCode) override;
    void unregisterHotkey(platform::WindowHandle window, int32_t id) override;
    platform::WindowHandler setWindowHandler(platform::WindowHandle window,
                                             platform::WindowHandler handler) override;

private:
    struct Registration {
        platform::WindowHandle window;
        int32_t id;
        int32_t modifiers;  // as registered, to resolve again after a mapping change
        int32_t keyCode;
        x11hotkeys::KeyGrab grab;  // no keys while the current map cannot carry it
    };
    // The windows' handlers; posted functions hold it weakly, so a hotkey that reaches the
    // user-interface thread after shutdown finds nothing to call.
    struct Handlers {
        std::mutex mutex;
        std::map<platform::WindowHandle, platform::WindowHandler> byWindow;
    };

    void readEvents();
    void onKeyPress(const xcb_key_press_event_t& event);
    void grabAgain();
    static void deliver(const std::weak_ptr<Handlers>& handlers, platform::WindowHandle window,
                        int32_t id);

    PostToUi m_postToUi;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_wakeWindow = 0;  // receives the message that ends the reader thread
    std::unique_ptr<x11hotkeys::HotkeysGrabber> m_grabber;
    std::mutex m_mutex;  // the registrations, shared with the reader thread
    std::vector<Registration> m_registrations;
    std::shared_ptr<Handlers> m_handlers = std::make_shared<Handlers>();
    std::atomic<bool> m_stopping{false};
    std::thread m_reader;
};
