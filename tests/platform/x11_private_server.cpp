#include "platform/x11_private_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

X11PrivateServer::X11PrivateServer() {
    int ready[2];
    if (pipe(ready) != 0) throw std::runtime_error("pipe failed");
    // Everything the child needs is prepared before the fork: the test process has threads,
    // so the child may only make system calls until it runs the server.
    const std::string fd = std::to_string(ready[1]);
    const char* const arguments[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                                     "-nolisten", "tcp",
                                     // Keep the server up between tests, when no client is left.
                                     "-noreset", nullptr};
    m_pid = fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        close(ready[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp("Xvfb", const_cast<char* const*>(arguments));
        _exit(127);
    }
    close(ready[1]);
    // Xvfb writes its display number once it accepts clients.
    std::string number;
    pollfd p{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0) {
        char buffer[16];
        const ssize_t n = read(ready[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<size_t>(n));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        kill();
        throw std::runtime_error("Xvfb did not start");
    }
    m_display = ":" + number.substr(0, number.find('\n'));
}

X11PrivateServer::~X11PrivateServer() {
    kill();
}

bool X11PrivateServer::xdotool(const std::string& arguments) const {
    const std::string command =
        "DISPLAY=" + m_display + " xdotool " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

pid_t X11PrivateServer::startWindowManager() const { return start({"openbox"}); }

pid_t X11PrivateServer::startCompositor(bool fading) const {
    if (fading)
        return start({"picom", "--backend", "xrender", "--no-vsync", "--fading", "--fade-delta",
                      "10", "--fade-in-step", "0.02", "--fade-out-step", "0.02"});
    return start({"picom", "--backend", "xrender", "--no-vsync"});
}

pid_t X11PrivateServer::start(const std::vector<const char*>& command) const {
    std::vector<char*> argv;
    for (const char* word : command) argv.push_back(const_cast<char*>(word));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        setenv("DISPLAY", m_display.c_str(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void X11PrivateServer::kill() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}
