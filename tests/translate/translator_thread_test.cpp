// The translate button's workers: one thread per click that the caller never waits for,
// with the translator hosts taken when the click starts it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/control_names.h"
#include "net/http_client.h"
#include "support/fake_form.h"
#include "support/scripted_transport.h"
#include "translate/translator.h"

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// The fake window, safe to use from the workers, for the calls the translator makes; the
// test waits on the status texts that the workers set.
class LockedForm : public FakeForm {
public:
    std::string text(const std::string& c) override {
        return locked([&] { return FakeForm::text(c); });
    }
    void setText(const std::string& c, const std::string& t) override {
        locked([&] { FakeForm::setText(c, t); });
    }
    std::string selectedText(const std::string& c) override {
        return locked([&] { return FakeForm::selectedText(c); });
    }
    bool checked(const std::string& c) override {
        return locked([&] { return FakeForm::checked(c); });
    }
    int selectedIndex(const std::string& c) override {
        return locked([&] { return FakeForm::selectedIndex(c); });
    }
    std::string statusText(const std::string& c, int part) override {
        return locked([&] { return FakeForm::statusText(c, part); });
    }
    void setStatusText(const std::string& c, int part, const std::string& t) override {
        locked([&] {
            FakeForm::setStatusText(c, part, t);
            if (t == "状态：翻译完毕") ++m_finished;
            m_changed.notify_all();
        });
    }

    // True when that many translations have finished in time.
    bool waitForFinished(int count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_finished >= count; });
    }

private:
    template <typename F>
    auto locked(F f) -> decltype(f()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f();
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_finished = 0;
};

// Holds every request until the test opens the gate, then answers from the script.
class GatedTransport : public ScriptedTransport {
public:
    platform::HttpWireResponse perform(const platform::HttpWireRequest& request) override {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            ++m_waiting;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_open; });
        }
        return ScriptedTransport::perform(request);
    }
    bool waitForWaiting(int count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_waiting >= count; });
    }
    void open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    ~GatedTransport() override { open(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_waiting = 0;
    bool m_open = false;
};

TEST(TranslatorThreads, EachClickRunsItsOwnWorkerWithTheHostsOfItsStart) {
    AppState state("");
    state.servicePieces.youdaoHost = "first.test";
    LockedForm form;
    FakeClipboard clipboard;
    GatedTransport transport;
    transport.reply("first.test/translate", "result=from the first");
    transport.reply("second.test/translate", "result=from the second");
    HttpClient http(transport);
    Translator translator(state, form, clipboard, http);
    form.userSelect(ctl::组合框翻译, 0);
    form.userType(ctl::编辑框_源, "text");

    translator.start();
    // The first worker is held in its request, so the second click must get a thread of
    // its own; neither start() waits for a worker.
    ASSERT_TRUE(transport.waitForWaiting(1));
    state.servicePieces.youdaoHost = "second.test";
    translator.start();
    ASSERT_TRUE(transport.waitForWaiting(2));
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "");
    transport.open();
    ASSERT_TRUE(form.waitForFinished(2));

    std::vector<std::string> hosts;
    for (const platform::HttpWireRequest& r : transport.requests()) hosts.push_back(r.host);
    std::sort(hosts.begin(), hosts.end());
    EXPECT_EQ(hosts, (std::vector<std::string>{"first.test", "second.test"}));
    const std::string result = form.text(ctl::编辑框_翻译);
    EXPECT_TRUE(result == "from the first\r\n" || result == "from the second\r\n") << result;
}

}  // namespace
