// The window's commands and the handlers that save a setting when it changes.
#include "main_window_fixture.h"

namespace {

TEST_F(MainWindowTest, EverySettingIsWrittenTheMomentItChanges) {
    start();
    form.userClick(ctl::选择框文本合并);
    EXPECT_EQ(setting("选择框文本合并", "选中"), "假");
    form.userClick(ctl::选择框文本合并);
    EXPECT_EQ(setting("选择框文本合并", "选中"), "真");
    form.userClick(ctl::选择框坐标同步副);
    EXPECT_EQ(setting("选择框坐标同步副", "选中"), "假");

    struct Select {
        const char* list;
        int index;
    };
    for (const Select& s : {Select{ctl::组合框识别, 3}, Select{ctl::组合框文字, 20}, Select{ctl::组合框翻译, 2},
                            Select{ctl::组合框证件, 1}}) {
        form.userSelect(s.list, s.index);
        EXPECT_EQ(setting(s.list, "现行选中项"), std::to_string(s.index)) << s.list;
    }
    form.userType(ctl::编辑框坐标, "1|1|50|50");
    EXPECT_EQ(setting("编辑框坐标", "内容"), "1|1|50|50");
    form.userSelectPage(ctl::选择夹1, 1);
    EXPECT_EQ(setting("选择夹1", "现行子夹"), "1");
}

TEST_F(MainWindowTest, CardCoordinatesAreKeptPerCardKind) {
    start();
    form.userType(ctl::编辑框坐标正, "10|10|500|300");
    form.userType(ctl::编辑框坐标副, "1|2|3|4");
    EXPECT_EQ(setting("编辑框坐标正", "0"), "10|10|500|300");
    form.userSelect(ctl::组合框证件, 1);
    EXPECT_EQ(form.text(ctl::编辑框坐标正), "");
    EXPECT_EQ(form.text(ctl::编辑框坐标副), "");
    form.userType(ctl::编辑框坐标正, "7|7|70|70");
    EXPECT_EQ(setting("编辑框坐标正", "1"), "7|7|70|70");
    form.userSelect(ctl::组合框证件, 0);
    EXPECT_EQ(form.text(ctl::编辑框坐标正), "10|10|500|300");
    EXPECT_EQ(form.text(ctl::编辑框坐标副), "1|2|3|4");
    EXPECT_EQ(setting("编辑框坐标正", "1"), "7|7|70|70");
}

TEST_F(MainWindowTest, SyncSettingsPanel) {
    start();
    form.userClick(ctl::按钮同步);
    EXPECT_TRUE(form.visible(ctl::分组框4));
    form.userType(ctl::编辑框_同步设置, "A|B|1");
    form.userClick(ctl::按钮同步保存1);  // cancel: hidden, text kept, nothing written
    EXPECT_FALSE(form.visible(ctl::分组框4));
    EXPECT_EQ(form.text(ctl::编辑框_同步设置), "A|B|1");
    EXPECT_EQ(setting("编辑框_同步设置", "内容"), "");
    form.userClick(ctl::按钮同步);
    form.userClick(ctl::按钮同步保存);
    EXPECT_FALSE(form.visible(ctl::分组框4));
    EXPECT_EQ(setting("编辑框_同步设置", "内容"), "A|B|1");
}

TEST_F(MainWindowTest, HotkeyRowsAreSavedThenRegisteredThenPageZero) {
    int registrations = 0;
    std::string savedWhenRegistering;
    services.registerHotkeys = [&] {
        ++registrations;
        savedWhenRegistering = setting("快捷键2", "键码");
    };
    start();
    form.userSelectPage(ctl::选择夹1, 2);
    form.userSelect(ctl::组合框2, 1);
    form.setText(ctl::编辑框2, "F2键");
    form.userClick(ctl::按钮保存);
    EXPECT_EQ(registrations, 2);  // startup and save
    EXPECT_EQ(savedWhenRegistering, "F2键");
    EXPECT_EQ(setting("组合框2", "现行选中项"), "1");
    EXPECT_EQ(setting("组合框5", "现行选中项"), "0");
    EXPECT_EQ(setting("快捷键5", "键码"), "");
    EXPECT_EQ(form.currentPage(ctl::选择夹1), 0);
}

TEST_F(MainWindowTest, CopyClearAndSymbolWidths) {
    start();
    form.setText(ctl::编辑框_源, "A1 ~");
    form.setText(ctl::编辑框_翻译, "b");
    form.userClick(ctl::按钮_全角符号);
    EXPECT_EQ(form.text(ctl::编辑框_源), "Ａ１　～");
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "ｂ");
    EXPECT_EQ(clipboard.value, "Ａ１　～");
    form.userClick(ctl::按钮_半角符号);
    EXPECT_EQ(form.text(ctl::编辑框_源), "A1 ~");
    EXPECT_EQ(clipboard.value, "A1 ~");
    form.setText(ctl::编辑框_源, "★￥中文");
    form.userClick(ctl::按钮_半角符号);
    EXPECT_EQ(form.text(ctl::编辑框_源), "*$中文");
    form.userClick(ctl::按钮_复制);
    EXPECT_EQ(clipboard.value, "*$中文");
    form.userClick(ctl::按钮_清除);
    EXPECT_EQ(form.text(ctl::编辑框_源), "");
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "");
    form.userClick(ctl::按钮_全角符号);  // empty source: the clipboard gets the empty text
    EXPECT_EQ(clipboard.value, "");
    form.userClick(ctl::按钮_复制);
    EXPECT_EQ(clipboard.writes, 6);
}

class GridCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        start();
        ResultsTable& t = window->resultsTable();
        t.insertColumn("内容", 2);
        t.setCell(1, 1, "姓名");
        t.setCell(1, 2, "张三");
        t.insertRow("2");
        t.setCell(2, 1, "性别");
        t.setCell(2, 2, "男");
    }
    std::string cell(int r, int c) { return form.cell(ctl::高级表格1, r, c); }
};

TEST_F(GridCommandsTest, RightButtonOpensTheMenu) {
    form.userRightClickGrid();
    EXPECT_EQ(form.poppedMenus, std::vector<std::string>{"表格菜单"});
}

TEST_F(GridCommandsTest, CutThenPasteMovesTheContent) {
    form.userFocusCell(1, 0);
    form.userChooseMenuItem(0);  // 表项剪切
    EXPECT_EQ(clipboard.value, "张三");
    EXPECT_EQ(cell(1, 2), "");
    form.userFocusCell(2, 1);
    form.userChooseMenuItem(2);  // 表项粘贴
    EXPECT_EQ(cell(2, 2), "张三");
    form.userChooseMenuItem(1);  // 表项复制
    EXPECT_EQ(clipboard.value, "张三");
    form.userChooseMenuItem(3);  // 表项删除
    EXPECT_EQ(cell(2, 2), "");
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 3);
    form.userFocusCell(0, 0);  // the header row is a row like the others
    form.userChooseMenuItem(3);
    EXPECT_EQ(cell(0, 2), "");
}

TEST_F(GridCommandsTest, CellThatDoesNotExistChangesNothing) {
    clipboard.value = "clip";
    for (int focus : {-1, 7}) {
        form.userFocusCell(focus, 2);
        for (int item : {0, 1, 2, 3, 7}) form.userChooseMenuItem(item);
    }
    EXPECT_EQ(clipboard.value, "clip");
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_EQ(cell(1, 2), "张三");
    EXPECT_EQ(cell(2, 2), "男");
}

TEST_F(GridCommandsTest, SaveAllContentWritesColumnTwoIntoTheExportProfile) {
    form.userChooseMenuItem(5);
    const std::string profile = dir.file("导出0.ini");
    EXPECT_EQ(ini::read(profile, "内容", "1"), "张三");
    EXPECT_EQ(ini::read(profile, "内容", "2"), "男");
    EXPECT_EQ(ini::sectionNames(profile), std::vector<std::string>{"内容"});
}

TEST_F(GridCommandsTest, SaveAllContentOnFewerThanThreeColumnsWritesNothing) {
    window->resultsTable().resetLayout();
    form.userChooseMenuItem(5);
    form.userChooseMenuItem(6);
    EXPECT_FALSE(dir.exists("导出0.ini"));
}

TEST_F(GridCommandsTest, SaveExportSettingsWritesEveryTargetColumn) {
    ResultsTable& t = window->resultsTable();
    t.insertColumn("身份证.xlsx");
    t.insertColumn("b.xlsx");
    t.setCell(1, 3, "1|2|3");
    t.setCell(2, 4, "2|1|1");
    form.userChooseMenuItem(6);
    const std::string profile = dir.file("导出0.ini");
    EXPECT_EQ(ini::sectionNames(profile), (std::vector<std::string>{"身份证.xlsx", "b.xlsx"}));
    EXPECT_EQ(ini::read(profile, "身份证.xlsx", "1"), "1|2|3");
    EXPECT_EQ(ini::read(profile, "b.xlsx", "2"), "2|1|1");
    EXPECT_EQ(ini::read(profile, "b.xlsx", "1"), "");
}

TEST_F(MainWindowTest, ExportSelectionWritesIndexAndMovesTheProfilePath) {
    dir.write("导出1.ini", "");
    dir.write("导出2.ini", "");
    start();
    form.userSelect(ctl::组合框导出选项, 1);
    EXPECT_EQ(setting("组合框导出选项", "现行选中项"), "1");
    EXPECT_EQ(state->exportProfilePath, dir.file("导出2.ini"));
}

TEST_F(MainWindowTest, ClearItemsButtonEmptiesTheContentColumn) {
    start();
    ResultsTable& t = window->resultsTable();
    t.insertColumn("内容", 2);
    t.setCell(1, 2, "x");
    form.userClick(ctl::按钮_清除表项);
    EXPECT_EQ(form.cell(ctl::高级表格1, 1, 2), "");
    EXPECT_EQ(form.cell(ctl::高级表格1, 0, 2), "内容");
}

TEST_F(MainWindowTest, CommandsOfOtherSubsystemsReachTheirServices) {
    std::vector<std::string> calls;
    services.startCaptureCommand = [&](int id) { calls.push_back("capture" + std::to_string(id)); };
    services.translate = [&] { calls.push_back("translate"); };
    services.exportAll = [&] { calls.push_back("export"); };
    services.fetchToken = [&] { return NetworkStep{[] {}, [&] { calls.push_back("token"); }}; };
    services.keyBoxReleased = [&](int box, int key) {
        calls.push_back("key" + std::to_string(box) + ":" + std::to_string(key));
    };
    writeIni("key.ini", "[a]\n[b]\n");
    start();
    for (const char* b : {ctl::按钮截图, ctl::按钮坐标截图, ctl::按钮正面截图, ctl::按钮副面截图,
                          ctl::按钮坐标截图证})
        form.setEnabled(b, true);
    calls.clear();
    form.userClick(ctl::按钮截图);
    form.userClick(ctl::按钮坐标截图证);
    form.userClick(ctl::按钮_翻译);
    form.userClick(ctl::按钮_导出);
    form.userSelect(ctl::组合框key, 1);
    form.userKeyRelease(ctl::编辑框4, 116);
    EXPECT_EQ(calls, (std::vector<std::string>{"capture1", "capture5", "translate", "export", "token",
                                               "key4:116"}));
}

TEST_F(MainWindowTest, FindByTagChecksTheKind) {
    start();
    EXPECT_EQ(window->findByTag(3, layout::Kind::DropDownList).name, "组合框3");
    EXPECT_EQ(window->findByTag(13, layout::Kind::LineEdit).name, "编辑框3");
    EXPECT_EQ(window->findByTag(25, layout::Kind::Button).name, "按钮坐标截图证");
    EXPECT_THROW(window->findByTag(3, layout::Kind::Button), std::logic_error);
    EXPECT_THROW(window->findByTag(99, layout::Kind::Button), std::logic_error);
}

}  // namespace
