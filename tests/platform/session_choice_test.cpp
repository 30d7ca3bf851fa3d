// Which window system the program speaks, from the environment it was started in: the X
// display of the test suite, and a socket of the test's own where a compositor would listen.
#include "platform/x11/session_check.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "support/temp_dir.h"

namespace {

const char* const kVariables[] = {"QT_QPA_PLATFORM", "OZMIRA_SESSION", "XDG_SESSION_TYPE",
                                  "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XDG_RUNTIME_DIR",
                                  "DISPLAY"};

class SessionChoiceTest : public ::testing::Test {
protected:
    TempDir runtime;
    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    std::map<std::string, std::string> saved;
    int listener = -1;

    void SetUp() override {
        if (display.empty()) GTEST_SKIP() << "needs the suite's X display";
        for (const char* name : kVariables)
            if (const char* value = std::getenv(name)) saved[name] = value;
        // A listening socket is all the check looks for.
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, runtime.file("wayland-7").c_str());
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener, 4), 0);
    }
    void TearDown() override {
        for (const char* name : kVariables) unsetenv(name);
        for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
        if (listener >= 0) close(listener);
    }
    // Only the named variables are set; "$X" stands for the suite's X display, "$W" for
    // the listening socket's full path.
    session_check::Choice choose(const std::map<std::string, std::string>& variables) {
        for (const char* name : kVariables) unsetenv(name);
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        for (auto [name, value] : variables) {
            if (value == "$X") value = display;
            if (value == "$W") value = runtime.file("wayland-7");
            setenv(name.c_str(), value.c_str(), 1);
        }
        return session_check::choose();
    }
};

TEST_F(SessionChoiceTest, TheSessionDecidesUnlessTheUserDid) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> variables;
        const char* platform;  // "" when Qt reads the user's QT_QPA_PLATFORM itself
        bool wayland;
    } cases[] = {
        {"a Wayland session",
         {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-7"}, {"DISPLAY", "$X"}},
         "wayland",
         true},
        {"a compositor named by its path", {{"WAYLAND_DISPLAY", "$W"}}, "wayland", true},
        {"the user's override",
         {{"OZMIRA_SESSION", "x11"},
          {"XDG_SESSION_TYPE", "wayland"},
          {"WAYLAND_DISPLAY", "wayland-7"},
          {"DISPLAY", "$X"}},
         "xcb",
         false},
        {"an X11 session with a nested compositor",
         {{"XDG_SESSION_TYPE", "x11"}, {"WAYLAND_DISPLAY", "wayland-7"}, {"DISPLAY", "$X"}},
         "xcb",
         false},
        {"a Wayland session whose compositor is gone",
         {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-9"}, {"DISPLAY", "$X"}},
         "xcb",
         false},
        {"the user's Qt platform",
         {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-7"}, {"DISPLAY", "$X"}},
         "",
         false},
        {"the user's list, first entry unreachable",
         {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"WAYLAND_DISPLAY", "wayland-9"}, {"DISPLAY", "$X"}},
         "",
         false},
        {"the user's list, first entry there",
         {{"QT_QPA_PLATFORM", "wayland-egl;xcb"}, {"WAYLAND_DISPLAY", "wayland-7"}},
         "",
         true},
        {"an offscreen platform", {{"QT_QPA_PLATFORM", "offscreen"}}, "", false},
    };
    for (const Case& c : cases) {
        const session_check::Choice choice = choose(c.variables);
        EXPECT_EQ(choice.problem, "") << c.name;
        EXPECT_EQ(choice.platform, c.platform) << c.name;
        EXPECT_EQ(choice.wayland, c.wayland) << c.name;
    }
}

TEST_F(SessionChoiceTest, NoWindowWithoutAReachableDisplay) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> variables;
        const char* problem;
    } cases[] = {
        {"nothing at all", {}, "neither WAYLAND_DISPLAY nor DISPLAY is set"},
        {"Wayland forced, compositor gone",
         {{"OZMIRA_SESSION", "wayland"}, {"WAYLAND_DISPLAY", "wayland-9"}, {"DISPLAY", "$X"}},
         "the Wayland display \"wayland-9\" cannot be reached"},
        {"an unknown override",
         {{"OZMIRA_SESSION", "mir"}, {"DISPLAY", "$X"}},
         "OZMIRA_SESSION is \"mir\", but it can only be x11 or wayland"},
        {"a Wayland session, nothing reachable",
         {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":987"}},
         "the Wayland display \"wayland-0\" cannot be reached"},
        {"the user's Wayland without a runtime folder",
         {{"QT_QPA_PLATFORM", "wayland"}, {"XDG_RUNTIME_DIR", ""}},
         "the Wayland display \"wayland-0\" cannot be found: XDG_RUNTIME_DIR is not set"},
    };
    for (const Case& c : cases) EXPECT_EQ(choose(c.variables).problem, c.problem) << c.name;
}

}  // namespace
