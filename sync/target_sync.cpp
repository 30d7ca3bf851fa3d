#include "sync/target_sync.h"

#include <utility>

#include "app/control_names.h"

namespace {

// How much of a control's current text a listing line shows, in characters.
constexpr size_t kExcerptCharacters = 40;

bool holdsSeparator(const std::string& field) {
    return field.find_first_of("|+") != std::string::npos;
}

// The start of a text on one line: line breaks and tabs would break the listing, and a
// "|" would make a copied line count four fields.
std::string excerpt(const std::string& text) {
    std::string out;
    size_t characters = 0;
    for (size_t i = 0; i < text.size();) {
        if (characters == kExcerptCharacters) {
            out += "…";
            break;
        }
        size_t length = text::charLength(text, i);
        char ch = text[i];
        if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "⏎";
            length = 2;
        } else if (ch == '\r' || ch == '\n') {
            out += "⏎";
        } else if (ch == '\t') {
            out += ' ';
        } else if (ch == '|') {
            out += "¦";
        } else {
            out.append(text, i, length);
        }
        i += length;
        ++characters;
    }
    return out;
}

std::string fieldCount(size_t count) {
    if (count == 0) return "no editable field";
    if (count == 1) return "1 editable field";
    return text::fromInt(static_cast<int64_t>(count)) + " editable fields";
}

}  // namespace

TargetSync::TargetSync(platform::Windows& windows, platform::Form& form)
    : TargetSync(windows, [&form] { return form.text(ctl::编辑框_同步设置); }) {}

TargetSync::TargetSync(platform::Windows& windows, SettingsSource settings)
    : m_windows(windows), m_settings(std::move(settings)) {}

void TargetSync::deliver(const Text& text) {
    Text settings = m_settings ? m_settings() : Text();
    if (settings.empty()) return;
    for (const Text& path : text::split(settings, "+")) {
        std::vector<Text> fields = text::split(path, "|");
        if (fields.size() != 3) continue;
        setControlText(findControl(fields[0], fields[1], text::toInt(fields[2])), text);
    }
}

platform::TargetHandle TargetSync::findControl(const Text& className, const Text& title,
                                               int32_t id) {
    platform::TargetHandle window = m_windows.findWindow(className, title);
    if (window == 0) return 0;
    return m_windows.findControl(window, id);
}

void TargetSync::setControlText(platform::TargetHandle control, const Text& text) {
    m_windows.setText(control, text);
}

std::vector<std::string> TargetSync::listTargets() {
    std::vector<std::string> lines;
    for (const platform::TargetWindow& window : m_windows.listWindows()) {
        std::string head = "window " + window.className + "|" + window.title + " (" +
                           fieldCount(window.controlTexts.size()) + ")";
        if (holdsSeparator(window.className) || holdsSeparator(window.title)) {
            head += " - its name holds \"|\" or \"+\": leave that field empty";
        }
        lines.push_back(head);
        for (size_t i = 0; i < window.controlTexts.size(); ++i) {
            lines.push_back(window.className + "|" + window.title + "|" +
                            text::fromInt(static_cast<int64_t>(i + 1)) + "\t\"" +
                            excerpt(window.controlTexts[i]) + "\"");
        }
    }
    return lines;
}
