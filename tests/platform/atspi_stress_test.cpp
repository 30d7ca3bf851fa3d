// Deliveries from a worker to many programs that the backend meets for the first time,
// while this process's main thread runs the Qt event loop (and with it GLib's default main
// context), as in the program. Most programs are GTK ones, whose accessibility bridge
// offers a direct connection that libatspi opens on first contact. Needs what
// scripts/headless.sh provides.
#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/atspi/atspi_windows.h"
#include "platform/target_process.h"
#include "sync/target_sync.h"

namespace {

using namespace std::chrono_literals;

constexpr int kRounds = 2;
constexpr int kTargetsPerRound = 6;

// Waits until every target shows its window on the bus; false at the time limit.
bool allOnTheBus(AtspiWindows& windows, const std::vector<std::string>& names) {
    auto until = std::chrono::steady_clock::now() + 30s;
    for (const std::string& name : names) {
        while (windows.findWindow(name, "Form2") == 0) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(50ms);
        }
    }
    return true;
}

TEST(AtspiStressTest, NewProgramsReceiveEveryDeliveryWhileTheEventLoopRuns) {
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    int argc = 1;
    char program[] = "atspi_stress_test";
    char* argv[] = {program, nullptr};
    QApplication qt(argc, argv);
    QWidget window;
    window.setWindowTitle("Stress");
    new QLineEdit("own field", &window);
    window.show();
    AtspiWindows windows;

    std::vector<std::string> failures;
    std::thread worker([&] {
        for (int round = 0; round < kRounds; ++round) {
            std::vector<std::unique_ptr<TargetProcess>> targets;
            std::vector<std::string> names;
            Text paths;
            for (int i = 0; i < kTargetsPerRound; ++i) {
                names.push_back("Stress" + std::to_string(getpid()) + "r" + std::to_string(round) +
                                "t" + std::to_string(i));
                targets.push_back(std::make_unique<TargetProcess>(
                    names.back(),
                    i % 3 ? TargetProcess::Toolkit::Gtk : TargetProcess::Toolkit::Qt));
                paths += (i ? "+" : "") + names.back() + "|Form1|2+" + names.back() + "|Form2|1";
            }
            bool ready = true;
            for (auto& target : targets) ready = target->waitReady(30s) && ready;
            if (!ready || !allOnTheBus(windows, names)) {
                failures.push_back("round " + std::to_string(round) + ": targets did not appear");
                break;
            }
            TargetSync sync(windows, [&paths] { return paths; });
            const std::string text = "round " + std::to_string(round);
            sync.deliver(text);
            for (size_t i = 0; i < targets.size(); ++i) {
                auto fields = targets[i]->fields();
                if (fields["beta"] != text || fields["delta"] != text) {
                    failures.push_back(names[i] + " got \"" + fields["beta"] + "\", \"" +
                                       fields["delta"] + "\"");
                }
            }
            for (auto& target : targets) target->quit();  // all at once: ending takes a while
        }
        QMetaObject::invokeMethod(&qt, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    qt.exec();
    worker.join();
    EXPECT_TRUE(failures.empty()) << failures.front();
}

}  // namespace
