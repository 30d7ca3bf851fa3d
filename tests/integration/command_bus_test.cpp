// Commands without key grabs, on a session bus of the test's own: `ozmira --command N` handed
// to the running program, and the hotkey rows bound through a desktop portal that offers global
// shortcuts (a fake one at the bus boundary, which records what the program binds).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "integration/program_fixture.h"

extern char** environ;

namespace {

const std::string kOzmira = std::string(OZMIRA_BINARY_DIR) + "/ozmira";

// A child process, killed when the test ends.
class Child {
public:
    Child(std::vector<std::string> argv, const std::vector<std::string>& extraEnv, int* outFd) {
        std::vector<std::string> env(extraEnv);
        for (char** e = environ; *e; ++e) env.push_back(*e);
        std::vector<char*> envp, args;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        int fds[2] = {-1, -1};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (outFd && pipe(fds) == 0) posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (outFd) {
            ::close(fds[1]);
            *outFd = fds[0];
        }
    }
    ~Child() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid = -1;
};

// A private session bus: no other test's program and no real portal on it.
class PrivateBus {
public:
    PrivateBus() {
        int fd = -1;
        m_daemon = std::make_unique<Child>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=1"},
            std::vector<std::string>{}, &fd);
        char c = 0;
        while (fd >= 0 && read(fd, &c, 1) == 1 && c != '\n') m_address += c;
        if (fd >= 0) ::close(fd);
    }
    const std::string& address() const { return m_address; }
    std::string env() const { return "DBUS_SESSION_BUS_ADDRESS=" + m_address; }

private:
    std::unique_ptr<Child> m_daemon;
    std::string m_address;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CommandBusTest : public ServedProgramFixture {
protected:
    PrivateBus bus;

    std::unique_ptr<Child> desktop;

    void SetUp() override {
        ServedProgramFixture::SetUp();
        ASSERT_FALSE(bus.address().empty());
    }
    // The fake portal on the private bus. The program asks its session bus where the
    // accessibility bus is; the fake names the test session's, so the probe sees the program.
    void startDesktop(std::vector<std::string> options) {
        const std::string a11y = ProgramRunner::run(
            {"sh", "-c",
             "dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus "
             "org.a11y.Bus.GetAddress | sed -n 's/^ *string \"\\(.*\\)\"$/\\1/p'"},
            10000);
        ASSERT_FALSE(a11y.empty());
        std::vector<std::string> argv{
            "/usr/bin/python3",        FAKE_PORTAL, dir.file("portal-ready"),
            dir.file("portal-record"), "--a11y",    a11y.substr(0, a11y.find('\n'))};
        argv.insert(argv.end(), options.begin(), options.end());
        desktop = std::make_unique<Child>(argv, std::vector<std::string>{bus.env()}, nullptr);
        for (int i = 0; i < 100 && readFile(dir.file("portal-ready")).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_FALSE(readFile(dir.file("portal-ready")).empty());
    }
    void startOnBus(const std::vector<std::pair<std::string, std::string>>& env = {}) {
        program = std::make_unique<ProgramRunner>(dir.path());
        program->setEnvironment("DBUS_SESSION_BUS_ADDRESS", bus.address());
        for (const auto& [name, value] : env) program->setEnvironment(name, value);
        ASSERT_TRUE(program->start());
        ASSERT_TRUE(program->waitFor("按钮坐标截图", "enabled", true)["enabled"]);
    }
    // `ozmira ARGS` on the private bus: standard output and error, then "exit=N".
    std::string send(const std::string& args) {
        return ProgramRunner::run(
            {"sh", "-c", "env " + bus.env() + " " + kOzmira + " " + args + " 2>&1; echo exit=$?"},
            15000);
    }
    size_t recognitions() {
        size_t n = 0;
        for (const RecordedRequest& r : server.requests())
            n += r.method == "POST" && r.target == "/rest/2.0/ocr/v1/accurate_basic";
        return n;
    }
    std::string status() {
        const nlohmann::json labels = program->controls()["状态条1"]["labels"];
        return labels.empty() ? std::string() : labels.back().get<std::string>();
    }
};

TEST_F(CommandBusTest, CommandTwoRunsTheCoordinateCaptureOfTheRunningProgram) {
    // No program on the bus yet: nothing to hand the command to.
    const std::string none = send("--command 2");
    EXPECT_NE(none.find("ozmira: Ozmira is not running"), std::string::npos) << none;
    EXPECT_NE(none.find("exit=1"), std::string::npos) << none;
    for (const char* bad : {"--command 0", "--command 6", "--command"}) {
        const std::string out = send(bad);
        EXPECT_NE(out.find("usage: ozmira"), std::string::npos) << bad;
        EXPECT_NE(out.find("exit=2"), std::string::npos) << bad << ": " << out;
    }

    server.setOcrResult("text", {"by command"});
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=1100|120|1420|320\n");
    startDesktop({"--without-shortcuts"});
    startOnBus();
    EXPECT_EQ(recognitions(), 0u);
    EXPECT_EQ(send("--command 2"), "exit=0\n");
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "by command")["text"], "by command");
    EXPECT_EQ(recognitions(), 1u);
    // A bad command from another program on the bus is refused by the window too.
    EXPECT_NE(ProgramRunner::run({"sh", "-c",
                                  "env " + bus.env() +
                                      " dbus-send --print-reply --dest=org.ozmira.Ozmira "
                                      "/org/ozmira/Ozmira org.ozmira.Ozmira.Commands.RunCommand "
                                      "int32:9 2>&1; true"},
                                 10000)
                  .find("InvalidArgs"),
              std::string::npos);
    EXPECT_EQ(program->close(), 0);
}

class PortalTest : public CommandBusTest {
protected:
    std::vector<nlohmann::json> binds() {
        std::vector<nlohmann::json> out;
        std::istringstream lines(readFile(dir.file("portal-record")));
        for (std::string line; std::getline(lines, line);)
            out.push_back(nlohmann::json::parse(line));
        return out;
    }
};

TEST_F(PortalTest, RowsBindThroughThePortalAndItsActivationRunsTheCommand) {
    startDesktop({"--refuse", "command-4"});
    writeCp936("windows data.ini",
               "[编辑框坐标]\n内容=1100|120|1420|320\n"
               "[组合框1]\n现行选中项=1\n[快捷键1]\n键码=F1键\n[组合框2]\n现行选中项=0\n[快捷键2]"
               "\n键码=F2键\n"
               "[组合框3]\n现行选中项=2\n[快捷键3]\n键码=F3键\n[组合框4]\n现行选中项=3\n[快捷键4]"
               "\n键码=A键\n"
               "[组合框5]\n现行选中项=4\n[快捷键5]\n键码=Break\n");
    server.setOcrResult("text", {"by portal"});
    startOnBus({{"XDG_SESSION_TYPE", "wayland"}});

    const std::vector<nlohmann::json> recorded = binds();
    ASSERT_EQ(recorded.size(), 1u);
    const nlohmann::json want = nlohmann::json::parse(R"([
        ["command-1", {"description": "截图识别", "preferred_trigger": "ALT+F1"}],
        ["command-2", {"description": "坐标截图识别", "preferred_trigger": "F2"}],
        ["command-3", {"description": "正面截图识别", "preferred_trigger": "CTRL+F3"}],
        ["command-4", {"description": "副面截图识别", "preferred_trigger": "SHIFT+a"}],
        ["command-5", {"description": "多个坐标识别", "preferred_trigger": "LOGO+Break"}]])");
    EXPECT_EQ(recorded[0]["shortcuts"], want);
    // The refused row fails as a refused key grab would.
    EXPECT_NE(status().find("副面截图识别:快捷键注册失败。"), std::string::npos) << status();
    EXPECT_EQ(status().find("坐标截图识别:快捷键注册失败"), std::string::npos) << status();

    EXPECT_EQ(recognitions(), 0u);
    ProgramRunner::run({"sh", "-c",
                        "env " + bus.env() +
                            " dbus-send --type=method_call --dest=org.freedesktop.portal.Desktop "
                            "/org/freedesktop/portal/desktop "
                            "org.ozmira.FakePortal.Activate string:command-2"},
                       10000);
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "by portal")["text"], "by portal");
    EXPECT_EQ(recognitions(), 1u);
    EXPECT_EQ(program->close(), 0);
}

TEST_F(PortalTest, WithoutTheShortcutsPortalSavingPointsToTheCommandLine) {
    startDesktop({"--without-shortcuts"});
    startOnBus({{"XDG_SESSION_TYPE", "wayland"}});
    EXPECT_EQ(status().find("ozmira --command N"), std::string::npos);
    ASSERT_TRUE(program->click("按钮保存"));
    const std::string notice =
        "此桌面不让程序注册全局快捷键：请在桌面的键盘设置里把快捷键绑定到命令“ozmira --command N”";
    for (int i = 0; i < 50 && status().find(notice) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(status().find(notice), std::string::npos) << status();
    EXPECT_TRUE(binds().empty());
    EXPECT_EQ(program->close(), 0);
}

}  // namespace
