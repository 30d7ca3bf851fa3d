#include "support/fake_windows.h"

#include "text/text_tools.h"

platform::TargetHandle FakeWindows::findWindow(const std::string& className,
                                               const std::string& title) {
    searches.push_back({className, title});
    for (size_t i = 0; i < windows.size(); ++i) {
        const Window& w = windows[i];
        if ((className.empty() || text::equalsIgnoreCase(className, w.className)) &&
            (title.empty() || title == w.title)) {
            return i + 1;
        }
    }
    return 0;
}

platform::TargetHandle FakeWindows::findControl(platform::TargetHandle window, int id) {
    if (window == 0 || window > windows.size()) return 0;
    return windows[window - 1].controls.count(id) ? control(window, id) : 0;
}

void FakeWindows::setText(platform::TargetHandle handle, const std::string& text) {
    sent.push_back({handle, text});
    platform::TargetHandle window = handle / kPerWindow;
    int id = static_cast<int>(handle % kPerWindow);
    if (window >= 1 && window <= windows.size() && windows[window - 1].controls.count(id)) {
        windows[window - 1].controls[id] = text;
    }
}

// Ids count from 1 without gaps on the real bus; the listing shows the ones held here in
// id order.
std::vector<platform::TargetWindow> FakeWindows::listWindows() {
    std::vector<platform::TargetWindow> out;
    for (const Window& w : windows) {
        platform::TargetWindow t{w.className, w.title, {}};
        for (const auto& [id, text] : w.controls) t.controlTexts.push_back(text);
        out.push_back(t);
    }
    return out;
}
