#include "support/xlsx_tool.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// openpyxl comes from the distribution, so the distribution's interpreter runs the tool
// even where another python3 comes first on the PATH.
std::string interpreter() {
    if (const char* python = std::getenv("OZMIRA_PYTHON")) return python;
    return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

std::string toolPath() {
    return OZMIRA_XLSX_TOOL;
}

}  // namespace

XlsxTool::XlsxTool() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ozmira-xlsx-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
    m_folder = pattern;
}

XlsxTool::~XlsxTool() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string XlsxTool::path(const std::string& name) const {
    return m_folder + "/" + name;
}

std::string XlsxTool::run(const std::string& arguments) const {
    std::string command = quoted(interpreter()) + " " + quoted(toolPath()) + " " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
    return out;
}

void XlsxTool::make(const std::string& kind, const std::string& path,
                    const std::string& arg) const {
    run("make " + quoted(kind) + " " + quoted(path) + (arg.empty() ? "" : " " + quoted(arg)));
}

nlohmann::json XlsxTool::dump(const std::string& path) const {
    return nlohmann::json::parse(run("dump " + quoted(path)));
}

std::map<std::string, std::string> XlsxTool::partHashes(const nlohmann::json& dump) {
    std::map<std::string, std::string> hashes;
    for (const auto& [name, part] : dump.at("parts").items())
        hashes[name] = part.at("sha256").get<std::string>();
    return hashes;
}

std::string XlsxTool::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
