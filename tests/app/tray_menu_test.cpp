// The tray icon's menu: its items as the user reads them and what each one runs.
#include "app/tray_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TrayMenu, ItemsAreTheFiveCaptureCommandsThenTheWindowAndTheEnd) {
    const std::vector<std::pair<int, std::string>> expected{{1, "截图识别"},
                                                            {2, "坐标截图识别"},
                                                            {3, "正面截图并识别"},
                                                            {4, "副面截图并识别"},
                                                            {5, "证件坐标截图识别"},
                                                            {0, ""},
                                                            {TrayMenu::kShowWindow, "显示窗口"},
                                                            {TrayMenu::kQuit, "退出"}};
    std::vector<std::pair<int, std::string>> items;
    for (const TrayMenu::Item& item : TrayMenu::items()) items.emplace_back(item.id, item.caption);
    EXPECT_EQ(items, expected);
}

TEST(TrayMenu, EachChoiceRunsItsOwnAction) {
    std::vector<std::string> ran;
    const TrayMenu menu({[&](int id) { ran.push_back("command " + std::to_string(id)); },
                         [&] { ran.push_back("show"); }, [&] { ran.push_back("quit"); }});
    const struct {
        int id;
        const char* action;  // nullptr: nothing runs
    } cases[] = {{1, "command 1"},
                 {2, "command 2"},
                 {3, "command 3"},
                 {4, "command 4"},
                 {5, "command 5"},
                 {TrayMenu::kShowWindow, "show"},
                 {TrayMenu::kQuit, "quit"},
                 {0, nullptr},
                 {6, nullptr},
                 {-1, nullptr},
                 {100, nullptr}};
    for (const auto& c : cases) {
        ran.clear();
        menu.choose(c.id);
        EXPECT_EQ(ran, c.action ? std::vector<std::string>{c.action} : std::vector<std::string>{})
            << c.id;
    }
    ran.clear();
    menu.iconClicked();
    EXPECT_EQ(ran, std::vector<std::string>{"show"});
    // A menu whose actions are not wired does nothing.
    const TrayMenu unwired({});
    for (int id : {1, TrayMenu::kShowWindow, TrayMenu::kQuit}) unwired.choose(id);
}

}  // namespace
