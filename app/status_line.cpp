#include "app/status_line.h"

#include "app/control_names.h"

namespace {
constexpr int kStatusPart = 1;
}

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
