#include "app/status_line.h"

#include <cstdlib>

#include "app/control_names.h"

namespace {
constexpr int kStatusPart = 1;

// A path in the home folder as a shell user writes it ("~/.config/…"), so that it fits the
// line at the window's usual width.
Text shortened(const Text& path) {
    const char* home = std::getenv("HOME");
    Text prefix = home ? home : "";
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    if (prefix.empty() || path.compare(0, prefix.size() + 1, prefix + "/") != 0) return path;
    return "~" + path.substr(prefix.size());
}
}  // namespace

StatusLine::StatusLine(platform::Form& form) : m_form(form) {}

void StatusLine::setText(const Text& text) { m_form.setStatusText(ctl::状态条1, kStatusPart, text); }

Text StatusLine::text() const { return m_form.statusText(ctl::状态条1, kStatusPart); }

void StatusLine::append(const Text& text) { setText(this->text() + text); }

void StatusLine::reportUnsaved(const Text& path) {
    const size_t slash = path.rfind('/');
    setText("状态：无法写入“" + (slash == Text::npos ? path : path.substr(slash + 1)) +
            "”，设置未保存");
}

void StatusLine::reportReadOnlyFolder() { append("状态：程序文件夹不可写，设置不会保存"); }

void StatusLine::reportMissingKey(const Text& keyFilePath) {
    append("状态：未找到密钥，请把密钥文件放到" + shortened(keyFilePath) + "，离线识别无需密钥");
}
