// Startup, settings restore and the resize layout of the main window.
#include "main_window_fixture.h"

namespace {

const char* const kBoxes[] = {ctl::选择框文本合并, ctl::选择框同步剪切板, ctl::选择框坐标同步,
                              ctl::选择框坐标同步正, ctl::选择框坐标同步副};

TEST_F(MainWindowTest, FirstStartInAnEmptyFolder) {
    start();
    for (const char* box : kBoxes) EXPECT_TRUE(form.checked(box)) << box;
    for (const char* list : {ctl::组合框识别, ctl::组合框文字, ctl::组合框翻译, ctl::组合框证件})
        EXPECT_EQ(form.selectedIndex(list), 0) << list;
    for (const char* list : {ctl::组合框1, ctl::组合框2, ctl::组合框3, ctl::组合框4, ctl::组合框5})
        EXPECT_EQ(form.text(list), "无");
    for (const char* edit : {ctl::编辑框坐标, ctl::编辑框坐标正, ctl::编辑框坐标副, ctl::编辑框_同步设置,
                             ctl::编辑框1, ctl::编辑框5, ctl::编辑框_翻译})
        EXPECT_EQ(form.text(edit), "") << edit;
    EXPECT_TRUE(form.items(ctl::组合框导出选项).empty());
    EXPECT_EQ(form.selectedIndex(ctl::组合框导出选项), -1);
    EXPECT_TRUE(form.items(ctl::组合框key).empty());
    EXPECT_EQ(form.selectedIndex(ctl::组合框key), -1);
    for (const char* button : {ctl::按钮截图, ctl::按钮坐标截图, ctl::按钮正面截图, ctl::按钮副面截图,
                               ctl::按钮坐标截图证})
        EXPECT_FALSE(form.enabled(button)) << button;
    EXPECT_EQ(form.currentPage(ctl::选择夹1), 0);
    EXPECT_EQ(form.title(), "OzmiraV3.9");
    EXPECT_EQ(state->hotkeyCount, 5);
    EXPECT_EQ(state->settingsPath, dir.file("windows data.ini"));
    EXPECT_EQ(state->keyFilePath, dir.file("key.ini"));
    EXPECT_EQ(state->exportProfilePath, dir.file("导出0.ini"));
    EXPECT_EQ(state->languageCodes[0], "auto_detect");
    EXPECT_EQ(state->languageCodes[1], "CHN_ENG");
    EXPECT_EQ(state->languageCodes[20], "HUN");
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 2);
    EXPECT_EQ(form.cell(ctl::高级表格1, 0, 0), "行号");
    EXPECT_EQ(form.statusText(ctl::状态条1, 0), "Key选择");
    EXPECT_FALSE(form.visible(ctl::图片框1));
    EXPECT_FALSE(form.visible(ctl::分组框4));
}

TEST_F(MainWindowTest, StartupStepsRunInOrder) {
    std::vector<std::string> steps;
    services.loadServicePieces = [&] { steps.push_back("pieces"); };
    services.registerHotkeys = [&] {
        // The hotkey rows are already restored when registration runs.
        steps.push_back("hotkeys:" + form.text(ctl::编辑框1));
    };
    services.fetchToken = [&] {
        // The update notice ran just before: with no network it reported its failure.
        steps.push_back("token:" + form.text(ctl::组合框key) + ":" + form.statusText(ctl::状态条1, 1));
        return NetworkStep{[] {}, [] {}};
    };
    services.loadExportProfile = [&] { steps.push_back("export:" + state->exportProfilePath); };
    writeIni("windows data.ini", "[快捷键1]\n键码=F1键\n");
    writeIni("key.ini", "[a]\nAPI Key=1\n[b]\n");
    start();
    EXPECT_EQ(steps, (std::vector<std::string>{"pieces", "hotkeys:F1键", "token:a:状态：获取版本信息失败",
                                               "export:" + dir.file("导出0.ini")}));
}

TEST_F(MainWindowTest, CheckBoxesRestoreUncheckedOnlyFromFalse) {
    struct Case {
        const char* stored;
        bool checked;
    };
    for (const Case& c : {Case{"假", false}, Case{"真", true}, Case{"0", true}, Case{"false", true},
                          Case{"", true}}) {
        writeIni("windows data.ini", std::string("[选择框文本合并]\n选中=") + c.stored + "\n");
        FakeForm fresh;
        form.setEvents(nullptr);
        AppState s(dir.path());
        MainWindow w(s, fresh, clipboard);
        fresh.setEvents(&w);
        fresh.create();
        EXPECT_EQ(fresh.checked(ctl::选择框文本合并), c.checked) << c.stored;
    }
}

TEST_F(MainWindowTest, RestoresEverySavedSetting) {
    writeIni("windows data.ini",
             "[选择框文本合并]\n选中=假\n[选择框同步剪切板]\n选中=假\n[选择框坐标同步]\n选中=真\n"
             "[选择框坐标同步正]\n选中=假\n[选择框坐标同步副]\n选中=假\n"
             "[组合框识别]\n现行选中项=2\n[组合框文字]\n现行选中项=１６\n[组合框翻译]\n现行选中项=1\n"
             "[组合框证件]\n现行选中项=1\n[编辑框坐标]\n内容=1|2|3|4\n[编辑框_同步设置]\n内容=A|B|1\n"
             "[编辑框坐标正]\n0=10|10|500|300\n1=5|6|7|8\n[编辑框坐标副]\n1=9|9|99|99\n"
             "[选择夹1]\n现行子夹=2\n[组合框3]\n现行选中项=2\n[快捷键3]\n键码=F3键\n"
             "[组合框导出选项]\n现行选中项=1\n");
    writeIni("导出1.ini", "[a]\n");
    writeIni("导出2.ini", "[a]\n");
    writeIni("使用说明.txt", "第一行\n第二行");
    start();
    EXPECT_FALSE(form.checked(ctl::选择框文本合并));
    EXPECT_FALSE(form.checked(ctl::选择框同步剪切板));
    EXPECT_TRUE(form.checked(ctl::选择框坐标同步));
    EXPECT_FALSE(form.checked(ctl::选择框坐标同步正));
    EXPECT_FALSE(form.checked(ctl::选择框坐标同步副));
    EXPECT_EQ(form.selectedIndex(ctl::组合框识别), 2);
    EXPECT_EQ(form.selectedIndex(ctl::组合框文字), 16);  // full-width digits count
    EXPECT_EQ(form.selectedIndex(ctl::组合框翻译), 1);
    EXPECT_EQ(form.text(ctl::组合框证件), "行驶证识别");
    EXPECT_EQ(form.text(ctl::编辑框坐标), "1|2|3|4");
    EXPECT_EQ(form.text(ctl::编辑框_同步设置), "A|B|1");
    EXPECT_EQ(form.text(ctl::编辑框坐标正), "5|6|7|8");  // key "1": the vehicle licence
    EXPECT_EQ(form.text(ctl::编辑框坐标副), "9|9|99|99");
    EXPECT_EQ(form.currentPage(ctl::选择夹1), 2);
    EXPECT_EQ(form.text(ctl::组合框3), "Ctrl键");
    EXPECT_EQ(form.text(ctl::编辑框3), "F3键");
    EXPECT_EQ(form.text(ctl::组合框导出选项), "导出2");
    EXPECT_EQ(state->exportProfilePath, dir.file("导出2.ini"));
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "第一行\r\n第二行");
}

TEST_F(MainWindowTest, BadStoredIndexesLeaveNoSelection) {
    writeIni("windows data.ini", "[组合框识别]\n现行选中项=9\n[组合框翻译]\n现行选中项=abc\n");
    start();
    EXPECT_EQ(form.selectedIndex(ctl::组合框识别), -1);
    EXPECT_EQ(form.selectedIndex(ctl::组合框翻译), 0);
}

TEST_F(MainWindowTest, ExportListIsTheUnbrokenRunOfProfiles) {
    struct Case {
        std::vector<int> files;
        size_t items;
    };
    std::vector<int> many;
    for (int n = 1; n <= 101; ++n) many.push_back(n);
    for (const Case& c : {Case{{1, 2, 4}, 2}, Case{{2, 3}, 0}, Case{many, 100}}) {
        TempDir d;
        for (int n : c.files) d.write("导出" + std::to_string(n) + ".ini", "");
        AppState s(d.path());
        FakeForm f;
        MainWindow w(s, f, clipboard);
        f.setEvents(&w);
        f.create();
        const auto items = f.items(ctl::组合框导出选项);
        ASSERT_EQ(items.size(), c.items);
        if (!items.empty()) {
            EXPECT_EQ(items.back().text, "导出" + std::to_string(c.items));
        }
    }
}

TEST_F(MainWindowTest, SavedExportSelectionAppliesOnlyInsideTheList) {
    struct Case {
        const char* saved;
        int selected;
    };
    for (const Case& c : {Case{"0", 0}, Case{"1", 1}, Case{"2", -1}, Case{"-1", -1}, Case{"", 0}}) {
        TempDir d;
        d.write("导出1.ini", "");
        d.write("导出2.ini", "");
        ini::write(d.file("windows data.ini"), "组合框导出选项", "现行选中项", c.saved);
        AppState s(d.path());
        FakeForm f;
        MainWindow w(s, f, clipboard);
        f.setEvents(&w);
        f.create();
        EXPECT_EQ(f.selectedIndex(ctl::组合框导出选项), c.selected) << c.saved;
    }
}

TEST_F(MainWindowTest, KeyProfilesListSectionsInFileOrder) {
    writeIni("key.ini", "[b]\nAPI Key=x\nSecret Key=y\n[a]\n[中文]\n");
    start();
    const auto items = form.items(ctl::组合框key);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "b");
    EXPECT_EQ(items[2].text, "中文");
    EXPECT_EQ(form.text(ctl::组合框key), "b");
}

TEST_F(MainWindowTest, UsageTextMayBeUtf8OrCodePage936) {
    dir.write("使用说明.txt", "\xEF\xBB\xBFUTF-8 说明\n");
    start();
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "UTF-8 说明\r\n");
}

TEST_F(MainWindowTest, ResizeAtDesignSize) {
    start();
    form.userResize(896, 676);
    EXPECT_EQ(form.geometry(ctl::状态条1), (platform::Rect{100, 656, 796, 20}));
    EXPECT_EQ(form.geometry(ctl::组合框key), (platform::Rect{0, 656, 100, 20}));
    EXPECT_EQ(form.geometry(ctl::选择夹1), (platform::Rect{0, 294, 896, 362}));
    EXPECT_EQ(form.geometry(ctl::标签提示).width, 896);
    EXPECT_EQ(form.geometry(ctl::超文本浏览框1).width, 896);
    EXPECT_EQ(form.geometry(ctl::分组框1), (platform::Rect{736, 16, 160, 348}));
    EXPECT_EQ(form.geometry(ctl::编辑框_源), (platform::Rect{0, 22, 736, 171}));
    EXPECT_EQ(form.geometry(ctl::编辑框_翻译), (platform::Rect{0, 193, 736, 169}));
    EXPECT_EQ(form.geometry(ctl::分组框4), (platform::Rect{12, 95, 712, 152}));
    EXPECT_EQ(form.geometry(ctl::分组框2), (platform::Rect{736, 16, 160, 348}));
    EXPECT_EQ(form.geometry(ctl::高级表格1), (platform::Rect{0, 22, 736, 340}));
    EXPECT_EQ(form.geometry(ctl::按钮保存), (platform::Rect{788, 314, 100, 40}));
    EXPECT_EQ(form.redrawSuspended, 0);
}

TEST_F(MainWindowTest, ResizeMaximizedKeepsColumnsAtTheRightEdge) {
    start();
    form.userResize(1920, 1050);
    EXPECT_EQ(form.geometry(ctl::选择夹1), (platform::Rect{0, 294, 1920, 736}));
    EXPECT_EQ(form.geometry(ctl::分组框1).left, 1920 - 160);
    EXPECT_EQ(form.geometry(ctl::分组框2).left, 1920 - 160);
    EXPECT_EQ(form.geometry(ctl::编辑框_源).width, 1760);
    EXPECT_EQ(form.geometry(ctl::高级表格1).width, 1760);
    EXPECT_EQ(form.geometry(ctl::按钮保存).left, 1920 - 108);
    EXPECT_EQ(form.geometry(ctl::状态条1), (platform::Rect{100, 1030, 1820, 20}));
    EXPECT_EQ(form.geometry(ctl::组合框key).top, 1030);
}

TEST_F(MainWindowTest, ResizeToTinySizesKeepsEverySizeAtZeroOrMore) {
    start();
    for (auto [w, h] : {std::pair{0, 0}, {50, 100}, {120, 313}, {10, 330}}) {
        form.userResize(w, h);
        for (const layout::Control& c : layout::controls()) {
            const platform::Rect r = form.geometry(c.name);
            EXPECT_GE(r.width, 0) << c.name << " at " << w << "x" << h;
            EXPECT_GE(r.height, 0) << c.name << " at " << w << "x" << h;
        }
    }
}

}  // namespace
