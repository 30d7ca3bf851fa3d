// The accessibility-bus backend with TargetSync against the test application
// tests/support/sync_target.cpp. Needs an X display, a session bus and the accessibility
// bus, as scripts/headless.sh provides them.
#include "platform/atspi/atspi_windows.h"

#include <atspi/atspi.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/atspi/atspi_session.h"
#include "platform/target_process.h"
#include "sync/target_sync.h"

namespace {

using namespace std::chrono_literals;
using Fields = std::map<std::string, std::string>;

const Fields kInitial = {
    {"alpha", "Alpha"}, {"beta", ""}, {"gamma", "Gamma\nsecond line"}, {"delta", "Delta"}};

// Tests run in parallel processes, each with its own application, so every path names
// this process's application.
std::string applicationName() {
    return "SyncTarget" + std::to_string(getpid());
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Looks on the bus itself, past the backend: is this process's application there?
bool onTheBus(const std::string& name) {
    std::function<bool()> look = [name] {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        bool found = false;
        int count = atspi_accessible_get_child_count(desktop, nullptr);
        for (int i = 0; i < count && !found; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (!app) continue;
            gchar* appName = atspi_accessible_get_name(app, nullptr);
            found = appName && appName == name &&
                    atspi_accessible_get_process_id(app, nullptr) == static_cast<guint>(getpid());
            g_free(appName);
            g_object_unref(app);
        }
        g_object_unref(desktop);
        return found;
    };
    return AtspiSession::instance().call(std::move(look), 10s, false);
}

class AtspiTest : public ::testing::Test {
protected:
    const std::string app = applicationName();
    TargetProcess target{app};
    AtspiWindows windows;
    Text settings;
    TargetSync sync{windows, [this] { return settings; }};

    void SetUp() override {
        ASSERT_TRUE(target.waitReady(20s))
            << "the test application did not start: it needs an X display (scripts/headless.sh)";
        // The application registers on the accessibility bus a moment after it shows.
        auto until = std::chrono::steady_clock::now() + 20s;
        while (windows.findWindow(app, "Form1") == 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), until)
                << "the test application never appeared on the accessibility bus";
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_EQ(target.fields(), kInitial);
    }

    Fields deliver(const std::string& paths, const Text& text) {
        settings = paths;
        sync.deliver(text);
        return target.fields();
    }
};

TEST_F(AtspiTest, DeliversToTheFieldsThatThePathsName) {
    const struct {
        std::string paths;
        Text text;
        Fields changes;
    } cases[] = {
        // Field 1 sits inside a group box: depth-first order counts it first.
        {app + "|Form1|1", "one", {{"alpha", "one"}}},
        {lowerCase(app) + "|Form1|2", "class case ignored", {{"beta", "class case ignored"}}},
        {app + "|Form1|3", "first\r\nsecond", {{"gamma", "first\nsecond"}}},
        {app + "|Form2|1", "识别结果", {{"delta", "识别结果"}}},
        {app + "|Form1|2+" + app + "|Form2|1", "both", {{"beta", "both"}, {"delta", "both"}}},
        {app + "|Form1|１", "full-width id", {{"alpha", "full-width id"}}},
        {app + "|Form1|1", "", {{"alpha", ""}}},
    };
    Fields expected = kInitial;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paths);
        for (const auto& [field, text] : c.changes) expected[field] = text;
        EXPECT_EQ(deliver(c.paths, c.text), expected);
    }
}

TEST_F(AtspiTest, SkipsPathsThatMatchNothing) {
    const std::string paths[] = {
        app + "|Form9|1", app + "|form1|1", app + "X|Form1|1", app + "|Form1|4",
        app + "|Form1|0", app + "|Form1",   app + "|Form2|2",  "|" + app + "|1",
    };
    for (const std::string& p : paths) {
        SCOPED_TRACE(p);
        EXPECT_EQ(deliver(p, "lost"), kInitial);
    }
    Fields expected = kInitial;
    expected["beta"] = "served";
    EXPECT_EQ(deliver(app + "|Form9|1+" + app + "|Form1|2", "served"), expected);
}

TEST_F(AtspiTest, ListsTheApplicationsWindowsAndFields) {
    std::vector<std::string> ours;
    for (const std::string& line : sync.listTargets()) {
        if (line.starts_with(app + "|") || line.starts_with("window " + app + "|")) {
            ours.push_back(line);
        }
    }
    const std::vector<std::string> expected = {
        "window " + app + "|Form1 (3 editable fields)",
        app + "|Form1|1\t\"Alpha\"",
        app + "|Form1|2\t\"\"",
        app + "|Form1|3\t\"Gamma⏎second line\"",
        "window " + app + "|Form2 (1 editable field)",
        app + "|Form2|1\t\"Delta\"",
    };
    EXPECT_EQ(ours, expected);

    // Each field line, copied into the settings as it stands, reaches its field.
    const std::map<std::string, std::string> fieldOfLine = {{expected[1], "alpha"},
                                                            {expected[2], "beta"},
                                                            {expected[3], "gamma"},
                                                            {expected[5], "delta"}};
    Fields fields = kInitial;
    for (const auto& [line, field] : fieldOfLine) {
        SCOPED_TRACE(line);
        fields[field] = "copied " + field;
        EXPECT_EQ(deliver(line, "copied " + field), fields);
    }
}

TEST_F(AtspiTest, AFrozenApplicationDoesNotHoldTheDelivery) {
    target.freeze();
    auto start = std::chrono::steady_clock::now();
    settings = app + "|Form1|1+" + app + "|Form2|1";
    sync.deliver("while frozen");
    std::vector<std::string> lines = sync.listTargets();
    auto spent = std::chrono::steady_clock::now() - start;
    target.thaw();
    // Each call gives up after a second; without that limit libatspi waits up to 15 s per
    // call on an application that started moments ago.
    EXPECT_LT(spent, 12s);
    for (const std::string& line : lines) EXPECT_FALSE(line.starts_with(app + "|")) << line;

    // Once it runs again it is served again.
    Fields expected = target.fields();
    expected["beta"] = "after";
    EXPECT_EQ(deliver(app + "|Form1|2", "after"), expected);
}

// Recognition workers deliver from their own threads, several at once when captures overlap.
TEST_F(AtspiTest, DeliveriesFromSeveralThreadsAtOnceAllArrive) {
    const std::map<std::string, std::string> pathOfField = {
        {"alpha", app + "|Form1|1"}, {"beta", app + "|Form1|2"}, {"delta", app + "|Form2|1"}};
    std::vector<std::thread> workers;
    for (const auto& [field, path] : pathOfField) {
        workers.emplace_back([this, field = field, path = path] {
            TargetSync own(windows, [path] { return path; });
            for (int i = 1; i <= 20; ++i) own.deliver(field + " " + std::to_string(i));
        });
    }
    for (std::thread& t : workers) t.join();
    Fields expected = kInitial;
    for (const auto& [field, path] : pathOfField) expected[field] = field + " 20";
    EXPECT_EQ(target.fields(), expected);
}

// In the program, deliveries come from worker threads while the user-interface thread runs
// the Qt event loop; this process plays both parts here.
TEST_F(AtspiTest, TheProgramsOwnWindowsNeverMatch) {
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    int argc = 1;
    char program[] = "atspi_test";
    char* argv[] = {program, nullptr};
    QApplication qt(argc, argv);
    const std::string own = app + "Own";
    QApplication::setApplicationName(QString::fromStdString(own));
    QWidget window;
    window.setWindowTitle("Form1");
    auto* field = new QLineEdit("mine", &window);
    window.show();

    bool ownOnBus = false;
    platform::TargetHandle ownFound = 0, otherFound = 0;
    std::vector<std::string> lines;
    std::thread worker([&] {
        auto until = std::chrono::steady_clock::now() + 20s;
        while (!(ownOnBus = onTheBus(own)) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(100ms);
        }
        ownFound = windows.findWindow(own, "Form1");
        settings = own + "|Form1|1";
        sync.deliver("not for us");
        lines = sync.listTargets();
        otherFound = windows.findWindow(app, "Form1");
        QMetaObject::invokeMethod(&qt, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    qt.exec();
    worker.join();

    ASSERT_TRUE(ownOnBus) << "this process never appeared on the accessibility bus";
    EXPECT_EQ(ownFound, 0u);
    EXPECT_EQ(field->text().toStdString(), "mine");
    for (const std::string& line : lines) EXPECT_FALSE(line.starts_with(own + "|")) << line;
    EXPECT_NE(otherFound, 0u);
}

}  // namespace
