#include "integration/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// In the tests' Wayland session (scripts/headless-wayland.sh: no X display, sway's socket)
// sway is asked about windows instead of the X11 tools.
bool inSway() {
    return !std::getenv("DISPLAY") && std::getenv("SWAYSOCK");
}

int elapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Waits for the child to end within the limit; its exit code, or -1.
int waitChild(pid_t pid, int timeoutMs) {
    const auto start = Clock::now();
    while (true) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0) return -1;
        if (elapsedMs(start) > timeoutMs) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

ProgramRunner::ProgramRunner(std::string programFolder) : m_folder(std::move(programFolder)) {}

ProgramRunner::~ProgramRunner() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

std::string ProgramRunner::run(const std::vector<std::string>& argv, int timeoutMs, int* status) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        if (status) *status = -1;
        return {};
    }
    std::string out;
    const auto start = Clock::now();
    char buffer[4096];
    while (elapsedMs(start) < timeoutMs) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    const int code = waitChild(pid, std::max(0, timeoutMs - elapsedMs(start)));
    if (code < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (status) *status = code;
    return code == 0 ? out : std::string();
}

void ProgramRunner::setEnvironment(const std::string& name, const std::string& value) {
    m_environment.push_back(name + "=" + value);
}

bool ProgramRunner::start(int timeoutMs) {
    const std::string program = std::string(OZMIRA_BINARY_DIR) + "/ozmira";
    std::vector<std::string> env{"OZMIRA_HOME=" + m_folder, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"};
    env.insert(env.end(), m_environment.begin(), m_environment.end());
    auto overridden = [&env](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        for (const std::string& e : env)
            if (e.rfind(name, 0) == 0) return true;
        return false;
    };
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    for (char** e = environ; *e; ++e)
        if (!overridden(*e)) envp.push_back(*e);
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return false;
    const auto begin = Clock::now();
    while (elapsedMs(begin) < timeoutMs) {
        const bool shown =
            inSway() ? run({"swaymsg", "-t", "get_tree"}, 2000).find("\"name\": \"OzmiraV3.9\"") !=
                           std::string::npos
                     : !run({"xdotool", "search", "--onlyvisible", "--name", "^OzmiraV3\\.9$"}, 2000)
                            .empty();
        if (shown) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

std::string ProgramRunner::probe(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"/usr/bin/python3",
                                  std::string(OZMIRA_SOURCE_DIR) + "/tests/integration/a11y_probe.py"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int status = 0;
    std::string out = run(argv, 20000, &status);
    return status == 0 ? (out.empty() ? "ok" : out) : std::string();
}

nlohmann::json ProgramRunner::controls() {
    const std::string out = probe({"dump", "ozmira"});
    if (out.empty() || out == "ok") return nlohmann::json::object();
    return nlohmann::json::parse(out, nullptr, false);
}

nlohmann::json ProgramRunner::waitFor(const std::string& control, const std::string& field,
                                      const nlohmann::json& value, int timeoutMs) {
    const auto start = Clock::now();
    nlohmann::json entry;
    do {
        const nlohmann::json all = controls();
        if (all.is_object() && all.contains(control)) {
            entry = all[control];
            if (entry.contains(field) && entry[field] == value) return entry;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } while (elapsedMs(start) < timeoutMs);
    return entry;
}

bool ProgramRunner::click(const std::string& control) { return !probe({"click", "ozmira", control}).empty(); }

bool ProgramRunner::focus(const std::string& control) { return !probe({"focus", "ozmira", control}).empty(); }

bool ProgramRunner::setText(const std::string& control, const std::string& text) {
    return !probe({"settext", "ozmira", control, text}).empty();
}

int ProgramRunner::close(int timeoutMs) {
    if (m_pid <= 0) return -1;
    if (inSway())
        run({"swaymsg", "[title=\"^OzmiraV3\\.9$\"] kill"}, 5000);
    else
        run({"wmctrl", "-c", "OzmiraV3.9"}, 5000);
    const int code = waitChild(m_pid, timeoutMs);
    if (code < 0) kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, WNOHANG);
    m_pid = -1;
    return code;
}
