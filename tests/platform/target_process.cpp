#include "platform/target_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

}  // namespace

TargetProcess::TargetProcess(const std::string& applicationName, Toolkit toolkit) {
    // A write to an application that died must fail, not end the test program.
    signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    m_pid = fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        close(toChild[0]);
        close(toChild[1]);
        close(fromChild[0]);
        close(fromChild[1]);
        setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
        // The tests' Wayland session has no X display; there the target is a Wayland client.
        setenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "wayland", 1);
        setenv("GTK_A11Y", "atspi", 1);
        setenv("NO_AT_BRIDGE", "0", 1);
        if (toolkit == Toolkit::Gtk) {
            // The system's interpreter, which has the GTK bindings.
            execl("/usr/bin/python3", "python3", SYNC_TARGET_GTK, applicationName.c_str(),
                  static_cast<char*>(nullptr));
        }
        execl(SYNC_TARGET, SYNC_TARGET, applicationName.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_input = toChild[1];
    m_output = fromChild[0];
}

TargetProcess::~TargetProcess() {
    quit();
    auto until = Clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() > until) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    close(m_output);
}

void TargetProcess::quit() {
    if (m_input < 0) return;
    thaw();
    if (write(m_input, "quit\n", 5) < 0) {
        // Already gone; reaped by the destructor.
    }
    close(m_input);
    m_input = -1;
}

bool TargetProcess::waitReady(std::chrono::milliseconds timeout) {
    std::string line;
    auto until = Clock::now() + timeout;
    while (readLine(line, until)) {
        if (line == "ready") return true;
    }
    return false;
}

std::map<std::string, std::string> TargetProcess::fields() {
    std::map<std::string, std::string> out;
    if (write(m_input, "dump\n", 5) != 5) return out;
    std::string line;
    auto until = Clock::now() + std::chrono::seconds(10);
    while (readLine(line, until) && line != "end") {
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            out[line.substr(0, equals)] = unescaped(line.substr(equals + 1));
        }
    }
    return out;
}

void TargetProcess::freeze() {
    kill(m_pid, SIGSTOP);
}

void TargetProcess::thaw() {
    kill(m_pid, SIGCONT);
}

bool TargetProcess::readLine(std::string& line, Clock::time_point until) {
    for (;;) {
        size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{m_output, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[512];
        ssize_t n = read(m_output, chunk, sizeof chunk);
        if (n <= 0) return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}
