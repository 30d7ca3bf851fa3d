#pragma once
// The test application tests/support/sync_target.cpp (or its GTK counterpart
// sync_target_gtk.py), run as a child process: its fields can be read back, and it can be
// frozen (SIGSTOP) like an application that hangs.
#include <chrono>
#include <map>
#include <string>

#include "support/child_process.h"

class TargetProcess {
public:
    enum class Toolkit { Qt, Gtk };

    // Starts the application with its accessible name; it asks its toolkit for
    // accessibility whether or not an assistive technology runs.
    explicit TargetProcess(const std::string& applicationName, Toolkit toolkit = Toolkit::Qt);
    ~TargetProcess();
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    // True once the application has shown its windows.
    bool waitReady(std::chrono::milliseconds timeout);
    // Field name ("alpha", "beta", "gamma", "delta") to its current text; empty when the
    // application did not answer.
    std::map<std::string, std::string> fields();

    void freeze();
    void thaw();
    // Asks the application to end; the destructor waits for it.
    void quit();

private:
    // One line of the application's output without its LF; false at the time limit or
    // at the end of its output.
    bool readLine(std::string& line, std::chrono::steady_clock::time_point until);

    ChildProcess m_child;
    std::string m_buffer;
};
