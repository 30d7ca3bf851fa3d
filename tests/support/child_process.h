#pragma once
// A helper program of the tests run as a child process, its standard input and output on
// pipes to the test. It is ended with the object: its input closes, it has 5 s to leave,
// then it is killed.
#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
public:
    // Runs argv[0] (a path) with the test's environment, the NAME=VALUE entries of
    // `environment` set over it. started() tells whether it could be run at all.
    explicit ChildProcess(std::vector<std::string> argv,
                          const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    // Its standard input and output; -1 when it did not start (or its input was closed).
    int input() const { return m_input; }
    int output() const { return m_output; }
    // Tells it that no more input comes.
    void closeInput();

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
};
