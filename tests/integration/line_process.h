#pragma once
// A helper program of the tests that talks in lines: it says "ready" once set up, answers each
// line it is sent with a word, and ends when its input closes.
#include <string>
#include <vector>

#include "support/child_process.h"

class LineProcess {
public:
    explicit LineProcess(std::vector<std::string> argv);
    ~LineProcess();  // closes its input, gives it 5 s to end, then kills it
    LineProcess(const LineProcess&) = delete;
    LineProcess& operator=(const LineProcess&) = delete;

    // Waits for its next answer; true when it starts with the word.
    bool answered(const std::string& word);
    bool ready() { return answered("ready"); }
    // Sends a line and waits for the answer.
    bool ask(const std::string& line, const std::string& answer);

private:
    ChildProcess m_child;
};
