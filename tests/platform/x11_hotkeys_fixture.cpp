#include "platform/x11_hotkeys_fixture.h"

X11PrivateServer* X11HotkeysTest::s_server = nullptr;

void UiQueue::post(std::function<void()> function) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(function));
    }
    m_posted.notify_all();
}

bool UiQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        std::function<void()> next;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_posted.wait_until(lock, deadline, [&] { return !m_queue.empty(); })) {
                return done();
            }
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        next();
    }
    return true;
}

bool UiQueue::waitPosted(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_posted.wait_for(lock, limit, [&] { return !m_queue.empty(); });
}

void UiQueue::runPosted() {
    std::deque<std::function<void()>> posted;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        posted.swap(m_queue);
    }
    for (auto& function : posted) function();
}

void X11HotkeysTest::SetUpTestSuite() {
    s_server = new X11PrivateServer();
}

void X11HotkeysTest::TearDownTestSuite() {
    delete s_server;
    s_server = nullptr;
}

void X11HotkeysTest::SetUp() {
    other = std::make_unique<X11GrabClient>(server().display());
    clearLocks();
    hotkeys = makeHotkeys(server().display());
    ASSERT_TRUE(hotkeys->connected());
    previous = hotkeys->setWindowHandler(
        kWindow, [this](platform::WindowHandle window, const platform::WindowEvent& event) {
            EXPECT_EQ(window, kWindow);
            EXPECT_EQ(event.type, platform::kHotkeyEvent);
            fired.push_back(event.id);
            allOnUiThread = allOnUiThread && std::this_thread::get_id() == m_uiThread;
            return 0;
        });
}

void X11HotkeysTest::TearDown() {
    hotkeys.reset();
    clearLocks();
}

std::unique_ptr<HotkeysX11> X11HotkeysTest::makeHotkeys(const std::string& display) {
    return std::make_unique<HotkeysX11>(
        [this](std::function<void()> function) { ui.post(std::move(function)); }, display.c_str());
}

bool X11HotkeysTest::press(const std::string& keys) {
    return server().xdotool("key " + keys);
}

bool X11HotkeysTest::waitFired(size_t count) {
    return ui.runUntil([&] { return fired.size() >= count; });
}

void X11HotkeysTest::clearLocks() {
    const uint16_t state = other->modifierState();
    if (state & XCB_MOD_MASK_LOCK) press("Caps_Lock");
    if (state & XCB_MOD_MASK_2) press("Num_Lock");
    ASSERT_EQ(other->modifierState() & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);
}
