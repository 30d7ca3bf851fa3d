#include "app/tray_menu.h"

#include <utility>

#include "app/layout.h"

namespace {
// The capture buttons carry the tags 21 to 25, one per hotkey id.
constexpr int kFirstCaptureButtonTag = 21;
constexpr int kCommands = 5;
}  // namespace

TrayMenu::TrayMenu(Actions actions) : m_actions(std::move(actions)) {}

const std::vector<TrayMenu::Item>& TrayMenu::items() {
    static const std::vector<Item> list = [] {
        std::vector<Item> v;
        // The captions the user knows from the window: the capture buttons'.
        for (int id = 1; id <= kCommands; ++id)
            v.push_back(
                {id,
                 layout::findByTag(kFirstCaptureButtonTag + id - 1, layout::Kind::Button).caption});
        v.push_back({0, ""});
        v.push_back({kShowWindow, "显示窗口"});
        v.push_back({kQuit, "退出"});
        return v;
    }();
    return list;
}

void TrayMenu::choose(int id) const {
    if (id >= 1 && id <= kCommands) {
        if (m_actions.runCommand) m_actions.runCommand(id);
    } else if (id == kShowWindow) {
        if (m_actions.showWindow) m_actions.showWindow();
    } else if (id == kQuit) {
        if (m_actions.quit) m_actions.quit();
    }
}

void TrayMenu::iconClicked() const {
    choose(kShowWindow);
}
