#pragma once
// Shared pieces of the Qt form tests: a controller stand-in that records every handler call,
// a fixture with a shown window, and a wait that keeps the event loop turning.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/qt/qt_form.h"

class RecordingEvents : public platform::FormEvents {
public:
    void onCreated() override;
    void onResized() override;
    void onClicked(const std::string& control) override;
    void onItemSelected(const std::string& control) override;
    void onTextChanged(const std::string& control) override;
    void onKeyReleased(const std::string& control, int keyCode) override;
    void onPageChanged(const std::string& control) override;
    void onGridRightButtonUp(const std::string& control) override;
    void onMenuItem(const std::string& menu, int item) override;
    void onClosing() override;

    std::vector<std::string> log() const;
    std::string last() const;
    void clear();
    // False once any handler ran on a thread other than the user-interface thread.
    bool allOnUiThread() const;

private:
    void record(const std::string& entry);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    bool m_allOnUiThread = true;
};

class QtFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QWidget* widget(const std::string& name) const;
    template <class W>
    W* widgetAs(const std::string& name) const {
        return qobject_cast<W*>(widget(name));
    }
    // Brings the page of the tab control to the front, so its controls take input.
    void showPage(int page);

    std::unique_ptr<QtForm> m_form;
    RecordingEvents m_events;
};

// Turns the event loop until the condition holds; false when it did not within the limit,
// which only guards against a hang.
bool waitUntil(const std::function<bool()>& condition, int limitMs = 5000);
void pumpEvents(int ms = 20);
