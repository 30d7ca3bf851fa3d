#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

// The name part of a NAME=VALUE entry, with its "=".
std::string nameOf(const std::string& entry) {
    return entry.substr(0, entry.find('=') + 1);
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv,
                           const std::vector<std::string>& environment) {
    if (argv.empty()) return;
    // Everything the child needs is made before the fork: the test may have threads, so the
    // child may only make system calls until it runs the program.
    std::vector<std::string> settings = environment;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& setting : environment)
            replaced = replaced || std::string(*e).rfind(nameOf(setting), 0) == 0;
        if (!replaced) settings.emplace_back(*e);
    }
    std::vector<char*> envp, args;
    for (std::string& s : settings) envp.push_back(s.data());
    envp.push_back(nullptr);
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);

    // Close-on-exec: the program and what it starts in the background (wl-copy) must not hold
    // the child's input open, or the child never sees the end of it.
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (m_pid < 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    m_input = in[1];
    m_output = out[0];
}

ChildProcess::~ChildProcess() {
    closeInput();
    if (m_output >= 0) close(m_output);
    if (m_pid <= 0) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ChildProcess::closeInput() {
    if (m_input < 0) return;
    close(m_input);
    m_input = -1;
}
