#include "platform/target_process.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

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

std::vector<std::string> command(const std::string& applicationName,
                                 TargetProcess::Toolkit toolkit) {
    // A write to an application that died must fail, not end the test program. Set before
    // the application starts, which inherits it.
    signal(SIGPIPE, SIG_IGN);
    // The system's interpreter, which has the GTK bindings.
    if (toolkit == TargetProcess::Toolkit::Gtk)
        return {"/usr/bin/python3", SYNC_TARGET_GTK, applicationName};
    return {SYNC_TARGET, applicationName};
}

// It asks its toolkit for accessibility whether or not an assistive technology runs.
std::vector<std::string> environment() {
    return {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
            // The tests' Wayland session has no X display; there the target is a Wayland client.
            std::string("QT_QPA_PLATFORM=") + (std::getenv("DISPLAY") ? "xcb" : "wayland"),
            "GTK_A11Y=atspi", "NO_AT_BRIDGE=0"};
}

}  // namespace

TargetProcess::TargetProcess(const std::string& applicationName, Toolkit toolkit)
    : m_child(command(applicationName, toolkit), environment()) {
    if (!m_child.started()) throw std::runtime_error("the target application did not start");
}

// After "quit" the application has its 5 s to end before it is killed.
TargetProcess::~TargetProcess() {
    quit();
}

void TargetProcess::quit() {
    if (m_child.input() < 0) return;
    thaw();
    if (write(m_child.input(), "quit\n", 5) < 0) {
        // Already gone; reaped by the destructor.
    }
    m_child.closeInput();
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
    if (write(m_child.input(), "dump\n", 5) != 5) return out;
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
    kill(m_child.pid(), SIGSTOP);
}

void TargetProcess::thaw() {
    kill(m_child.pid(), SIGCONT);
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
        pollfd p{m_child.output(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[512];
        ssize_t n = read(m_child.output(), chunk, sizeof chunk);
        if (n <= 0) return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}
