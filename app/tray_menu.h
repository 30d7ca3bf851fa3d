#pragma once
// The tray icon's menu as data, and what each of its items does: the five capture commands
// under their buttons' captions, then "显示窗口" and "退出". The Qt tray builds its menu from
// items() and hands every choice, and a click on the icon, back here.
#include <functional>
#include <string>
#include <vector>

class TrayMenu {
public:
    struct Item {
        int id = 0;           // 1 to 5: the capture command of that hotkey id
        std::string caption;  // empty: a separator
    };
    static constexpr int kShowWindow = 101;
    static constexpr int kQuit = 102;

    struct Actions {
        std::function<void(int id)> runCommand;  // a capture command, 1 to 5
        std::function<void()> showWindow;        // restore and raise the main window
        std::function<void()> quit;              // as closing the main window does
    };

    explicit TrayMenu(Actions actions);

    static const std::vector<Item>& items();
    // An item of the menu; an unknown id does nothing.
    void choose(int id) const;
    // A click on the icon itself.
    void iconClicked() const;

private:
    Actions m_actions;
};
