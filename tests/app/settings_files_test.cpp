// The main window's files: failed writes reported, nothing written at start, hand-made
// files read in their encoding.
#include <filesystem>

#include "main_window_fixture.h"

namespace {

namespace fs = std::filesystem;

const char* const kUnsaved = "状态：无法写入“windows data.ini”，设置未保存";

TEST_F(MainWindowTest, AFailedSettingsWriteIsReportedAndTheProgramGoesOn) {
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> spoil;  // after start
    };
    const Case cases[] = {
        {"folder deleted while running", [](const TempDir& d) { fs::remove_all(d.path()); }},
        {"settings file made read-only (0444)",
         [](const TempDir& d) {
             d.write("windows data.ini", "[选择框文本合并]\r\n选中=真\r\n");
             fs::permissions(d.file("windows data.ini"), fs::perms::owner_read |
                                                             fs::perms::group_read |
                                                             fs::perms::others_read);
         }},
    };
    for (const Case& c : cases) {
        TempDir d;
        AppState s(d.path());
        FakeForm f;
        MainWindow w(s, f, clipboard);
        f.setEvents(&w);
        f.create();
        c.spoil(d);
        const std::string before = d.read("windows data.ini");
        f.userClick(ctl::选择框文本合并);
        EXPECT_EQ(f.statusText(ctl::状态条1, 1), kUnsaved) << c.name;
        f.setStatusText(ctl::状态条1, 1, "");
        f.userType(ctl::编辑框坐标, "1|2|3|4");
        EXPECT_EQ(f.statusText(ctl::状态条1, 1), kUnsaved) << c.name;
        EXPECT_EQ(f.text(ctl::编辑框坐标), "1|2|3|4") << c.name << ": the window goes on";
        EXPECT_FALSE(f.checked(ctl::选择框文本合并)) << c.name;
        EXPECT_EQ(d.read("windows data.ini"), before) << c.name;
    }
    // A write that lands says nothing.
    start();
    form.setStatusText(ctl::状态条1, 1, "");
    form.userClick(ctl::选择框文本合并);
    EXPECT_EQ(form.statusText(ctl::状态条1, 1), "");
    EXPECT_EQ(setting("选择框文本合并", "选中"), "假");
}

TEST_F(MainWindowTest, AProgramFolderThatCannotBeWrittenIsSaidAtStart) {
    state = std::make_unique<AppState>(dir.file("missing"));
    window = std::make_unique<MainWindow>(*state, form, clipboard);
    form.setEvents(window.get());
    form.create();
    EXPECT_EQ(form.statusText(ctl::状态条1, 1),
              "状态：程序文件夹不可写，设置不会保存状态：获取版本信息失败");
}

TEST_F(MainWindowTest, StartWritesNothing) {
    // Values that read back as what the window shows, but are spelt otherwise than the
    // program would write them: writing them back would change the file.
    const std::string settings = windowsFile(
        "[选择夹1]\n现行子夹= 2\n[编辑框坐标]\n内容=\"1|2|3|4\"\n[编辑框坐标正]\n0= 5|6|7|8\n"
        "[组合框识别]\n现行选中项=０１\n[快捷键1]\n键码=F1键 \n");
    dir.write("windows data.ini", settings);
    const auto mtime = fs::last_write_time(dir.file("windows data.ini"));
    start();
    EXPECT_EQ(form.currentPage(ctl::选择夹1), 2);
    EXPECT_EQ(form.text(ctl::编辑框坐标), "1|2|3|4");
    EXPECT_EQ(dir.read("windows data.ini"), settings);
    EXPECT_EQ(fs::last_write_time(dir.file("windows data.ini")), mtime);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);

    form.userSelectPage(ctl::选择夹1, 1);  // the user's own change is saved at once
    EXPECT_EQ(setting("选择夹1", "现行子夹"), "1");
}

TEST_F(MainWindowTest, UsageTextIsReadInItsEncoding) {
    const std::pair<std::string, std::string> cases[] = {
        // 学校 in code page 936 is D1 A7 D0 A3, valid UTF-8 that reads "ѧУ".
        {charset::utf8ToCp936("学校\r\n", true), "学校\r\n"},
        {windowsFile("第一步：拖动鼠标。\n"), "第一步：拖动鼠标。\r\n"},
        {"UTF-8 说明\n", "UTF-8 说明\r\n"},
        {"\xEF\xBB\xBF说明", "说明"},
        {"\xFF\xFE" + charset::utf8ToUtf16("说明\r\nÄ", false), "说明\r\nÄ"},
        {"\xFE\xFF" + charset::utf8ToUtf16("说明", true), "说明"},
    };
    for (const auto& [bytes, expected] : cases) {
        dir.write("使用说明.txt", bytes);
        FakeForm f;
        AppState s(dir.path());
        MainWindow w(s, f, clipboard);
        f.setEvents(&w);
        f.create();
        EXPECT_EQ(f.text(ctl::编辑框_翻译), expected);
    }
}

}  // namespace
