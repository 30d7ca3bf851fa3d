// The tray icon on a desktop with a system tray (trayer, an XEmbed tray): the icon appears in
// it, a click on it shows the window, its menu runs a capture command, shows the window and
// ends the program, and a minimized window keeps the tray and the hotkeys working.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <set>
#include <sstream>

#include "integration/program_fixture.h"

extern char** environ;

namespace {

const std::string kMainWindow = "^OzmiraV3\\.9$";

std::string run(const std::vector<std::string>& argv) {
    return ProgramRunner::run(argv, 5000);
}

template <class Condition>
bool waitUntil(Condition condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

bool windowShown() {
    return !run({"xdotool", "search", "--onlyvisible", "--name", kMainWindow}).empty();
}

// The program's windows on the screen (the icon, a menu, a tooltip, the main window).
std::set<std::string> visibleProgramWindows() {
    std::istringstream out(
        run({"xdotool", "search", "--onlyvisible", "--classname", "^ozmira$"}));
    std::set<std::string> ids;
    for (std::string id; std::getline(out, id);) ids.insert(id);
    return ids;
}

class TrayTest : public ServedProgramFixture {
protected:
    pid_t tray = -1;

    void SetUp() override {
        ServedProgramFixture::SetUp();
        // A tray at the top right corner, as wide as its icons.
        const char* argv[] = {"trayer",      "--edge",   "top",      "--align", "right",
                              "--widthtype", "request",  "--height", "32",      "--SetDockType",
                              "true",        "--expand", "false",    nullptr};
        ASSERT_EQ(
            posix_spawnp(&tray, "trayer", nullptr, nullptr, const_cast<char**>(argv), environ), 0)
            << "trayer (Debian package trayer) is missing";
        ASSERT_TRUE(waitUntil([] {
            return !run({"xdotool", "search", "--class", "^trayer$"}).empty();
        }));
    }
    void TearDown() override {
        if (tray > 0) {
            kill(tray, SIGTERM);
            waitpid(tray, nullptr, 0);
        }
    }
    // The program's icon window, docked in the tray at the top right; empty when there is none.
    std::string icon() {
        std::istringstream found(
            run({"xdotool", "search", "--onlyvisible", "--classname", "^ozmira$"}));
        for (std::string id; std::getline(found, id);) {
            std::istringstream geometry(run({"xdotool", "getwindowgeometry", "--shell", id}));
            int x = -1, y = -1, width = 0;
            for (std::string line; std::getline(geometry, line);) {
                if (line.rfind("X=", 0) == 0) x = std::stoi(line.substr(2));
                if (line.rfind("Y=", 0) == 0) y = std::stoi(line.substr(2));
                if (line.rfind("WIDTH=", 0) == 0) width = std::stoi(line.substr(6));
            }
            if (x > 1800 && y >= 0 && y < 32 && width <= 64) return id;
        }
        return {};
    }
    void minimize() {
        run({"xdotool", "search", "--name", kMainWindow, "windowminimize"});
        ASSERT_TRUE(waitUntil([] { return !windowShown(); })) << "the window stays on the screen";
    }
    void clickIcon(const std::string& id, int button) {
        // Two clicks on the same spot within the double-click time make one double click, and
        // a right double click opens no menu: leave a user's pause between them.
        std::this_thread::sleep_until(lastClick + std::chrono::milliseconds(700));
        run({"xdotool", "mousemove", "--window", id, "10", "10", "click", std::to_string(button)});
        lastClick = std::chrono::steady_clock::now();
    }
    std::chrono::steady_clock::time_point lastClick;
    // Opens the icon's menu and picks its item at the position, counted from 1 without the
    // separator, with the keyboard as a user could.
    void pick(const std::string& id, int item) {
        // A new window, not one more: the icon's tooltip may vanish as the menu opens.
        const std::set<std::string> before = visibleProgramWindows();
        clickIcon(id, 3);
        ASSERT_TRUE(waitUntil([&] {
            for (const std::string& shown : visibleProgramWindows())
                if (!before.count(shown)) return true;
            return false;
        })) << "no menu";
        std::vector<std::string> keys{"xdotool", "key", "--delay", "100"};
        keys.insert(keys.end(), item, "Down");
        keys.push_back("Return");
        run(keys);
    }
};

TEST_F(TrayTest, IconShowsTheWindowAndItsMenuRunsCommandsShowsAndQuits) {
    writeCp936(
        "windows data.ini",
        "[编辑框坐标]\n内容=1000|100|1100|150\n[组合框2]\n现行选中项=2\n[快捷键2]\n键码=F7键\n");
    startProgram();
    std::string id;
    ASSERT_TRUE(waitUntil([&] { return !(id = icon()).empty(); })) << "no icon in the tray";

    // Minimized, the hotkeys and the tray's commands still capture.
    minimize();
    server.setOcrResult("text", {"by hotkey"});
    run({"xdotool", "key", "ctrl+F7"});
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "by hotkey")["text"], "by hotkey");
    minimize();
    server.setOcrResult("text", {"by the tray"});
    pick(id, 2);  // 坐标截图识别
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "by the tray")["text"], "by the tray");

    // A click on the icon, and "显示窗口", bring the minimized window back.
    minimize();
    clickIcon(id, 1);
    EXPECT_TRUE(waitUntil(windowShown)) << "click on the icon";
    minimize();
    pick(id, 6);
    EXPECT_TRUE(waitUntil(windowShown)) << "显示窗口";

    // "退出" ends the program as closing the window does.
    pick(id, 7);
    EXPECT_TRUE(waitUntil([] {
        return run({"xdotool", "search", "--name", kMainWindow}).empty();
    })) << "退出 left the window open";
    EXPECT_EQ(program->close(), 0);
}

TEST_F(TrayTest, ClosingTheWindowStillEndsTheProgram) {
    startProgram();
    ASSERT_TRUE(waitUntil([&] { return !icon().empty(); })) << "no icon in the tray";
    EXPECT_EQ(program->close(), 0);
}

}  // namespace
