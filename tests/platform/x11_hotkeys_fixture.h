#pragma once
// The X11 hotkeys backend on a private X server. The test thread plays the user-interface
// thread: hotkeys posted by the backend wait in a queue until the test runs them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/hotkeys_x11.h"
#include "platform/x11_grab_client.h"
#include "platform/x11_private_server.h"

class UiQueue {
public:
    void post(std::function<void()> function);
    // Runs posted functions in order until done() holds; false when it still does not
    // after the time limit.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Waits until something is posted, without running it.
    bool waitPosted(std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Runs what is posted already.
    void runPosted();

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_queue;
};

class X11HotkeysTest : public ::testing::Test {
protected:
    static constexpr platform::WindowHandle kWindow = 7;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static X11PrivateServer& server() { return *s_server; }
    std::unique_ptr<HotkeysX11> makeHotkeys(const std::string& display);
    // Presses keys with xdotool ("alt+F1", "Num_Lock").
    bool press(const std::string& keys);
    // Runs posted hotkeys until `count` have reached the window in all.
    bool waitFired(size_t count);
    // Switches Caps Lock and Num Lock off.
    void clearLocks();

    UiQueue ui;
    std::unique_ptr<X11GrabClient> other;
    std::unique_ptr<HotkeysX11> hotkeys;
    // Ids of the hotkey events that reached the window's handler, and whether every one
    // arrived on the test thread.
    std::vector<int64_t> fired;
    bool allOnUiThread = true;
    platform::WindowHandler previous;

private:
    static X11PrivateServer* s_server;
    std::thread::id m_uiThread = std::this_thread::get_id();
};
