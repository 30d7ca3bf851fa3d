#include "integration/line_process.h"

#include <unistd.h>

#include <utility>

LineProcess::LineProcess(std::vector<std::string> argv) : m_child(std::move(argv)) {}

LineProcess::~LineProcess() = default;

bool LineProcess::answered(const std::string& word) {
    char buffer[16] = {};
    return m_child.output() >= 0 && read(m_child.output(), buffer, sizeof buffer - 1) > 0 &&
           std::string(buffer).rfind(word, 0) == 0;
}

bool LineProcess::ask(const std::string& line, const std::string& answer) {
    const std::string out = line + "\n";
    return m_child.input() >= 0 &&
           write(m_child.input(), out.data(), out.size()) == ssize_t(out.size()) &&
           answered(answer);
}
