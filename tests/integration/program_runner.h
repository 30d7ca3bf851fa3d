#pragma once
// The real program as a user starts it, in a program folder of the test's, under the test
// suite's X display and accessibility bus; looked at through the bus as a screen reader would.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include <sys/types.h>

class ProgramRunner {
public:
    explicit ProgramRunner(std::string programFolder);
    ~ProgramRunner();  // kills a program that is still running
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    // An environment variable for the program, set before start.
    void setEnvironment(const std::string& name, const std::string& value);
    // Starts the program and waits until its window is shown; false when it never showed.
    bool start(int timeoutMs = 20000);
    // Every control that has a layout name, as the accessibility bus shows it.
    nlohmann::json controls();
    // Waits until the control's entry satisfies the test, at most timeoutMs.
    nlohmann::json waitFor(const std::string& control, const std::string& field,
                           const nlohmann::json& value, int timeoutMs = 10000);
    bool click(const std::string& control);
    bool focus(const std::string& control);
    bool setText(const std::string& control, const std::string& text);
    // Asks the window manager to close the window, then waits; the exit code, or -1 when the
    // program did not end in time (it is then killed).
    int close(int timeoutMs = 10000);

    // Runs a command line; its standard output, empty when it failed.
    static std::string run(const std::vector<std::string>& argv, int timeoutMs, int* status = nullptr);

private:
    std::string probe(const std::vector<std::string>& arguments);

    std::string m_folder;
    std::vector<std::string> m_environment;
    pid_t m_pid = -1;
};
