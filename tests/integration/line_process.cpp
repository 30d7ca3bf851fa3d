#include "integration/line_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

LineProcess::LineProcess(std::vector<std::string> argv) {
    int in[2], out[2];
    // Close-on-exec: the program under test and what it starts in the background (wl-copy)
    // must not hold the helper's input open, or the helper never sees the end of it.
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_input = in[1];
    m_output = out[0];
}

LineProcess::~LineProcess() {
    if (m_input >= 0) close(m_input);
    if (m_output >= 0) close(m_output);
    if (m_pid <= 0) return;
    for (int i = 0; i < 50 && waitpid(m_pid, nullptr, WNOHANG) == 0; ++i) usleep(100000);
    if (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool LineProcess::answered(const std::string& word) {
    char buffer[16] = {};
    return m_output >= 0 && read(m_output, buffer, sizeof buffer - 1) > 0 &&
           std::string(buffer).rfind(word, 0) == 0;
}

bool LineProcess::ask(const std::string& line, const std::string& answer) {
    const std::string out = line + "\n";
    return m_input >= 0 && write(m_input, out.data(), out.size()) == ssize_t(out.size()) &&
           answered(answer);
}
