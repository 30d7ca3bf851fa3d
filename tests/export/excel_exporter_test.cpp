#include "export/excel_exporter.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/control_names.h"
#include "app/main_window.h"
#include "platform/charset.h"
#include "platform/ini.h"
#include "platform/spreadsheet.h"
#include "support/fake_form.h"
#include "support/fake_launcher.h"
#include "support/windows_file.h"
#include "support/xlsx_tool.h"

namespace {

class ExcelExporterTest : public ::testing::Test {
protected:
    XlsxTool xlsx;
    AppState state{xlsx.folder()};
    FakeForm form;
    FakeLauncher launcher;
    ExcelExporter exporter{state, form, launcher};

    void SetUp() override { ExportProfile::path(state, form); }
    // A profile as a user writes it on Windows: code page 936, CR LF.
    void profile(const std::string& lines) {
        std::ofstream(state.exportProfilePath, std::ios::binary) << windowsFile(lines);
    }
    std::string cell(int r, int c) { return form.cell(ctl::高级表格1, r, c); }
    std::string status() { return form.statusText(ctl::状态条1, 1); }
    nlohmann::json sheetCells(const std::string& book, int sheet = 0) {
        return xlsx.dump(xlsx.path(book))["sheets"][sheet]["cells"];
    }
    static const char* example() {
        return "[姓名]\n列宽=80\n1=张三\n2=李四\n3=王五\n[内容]\n列宽=120\n"
               "[身份证.xlsx]\n列宽=90\n类型=EXCEL\n1=1|2|3\n";
    }
};

TEST_F(ExcelExporterTest, ProfileLaysOutTheTable) {
    profile(example());
    exporter.loadProfile();
    ASSERT_EQ(form.columnCount(ctl::高级表格1), 4);
    ASSERT_EQ(form.rowCount(ctl::高级表格1), 4);
    EXPECT_EQ(cell(0, 1), "姓名");
    EXPECT_EQ(cell(0, 2), "内容");
    EXPECT_EQ(cell(0, 3), "身份证.xlsx");
    EXPECT_EQ(cell(1, 0), "1");
    EXPECT_EQ(cell(3, 0), "3");
    EXPECT_EQ(cell(2, 1), "李四");
    EXPECT_EQ(cell(1, 3), "1|2|3");
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 0), 40);
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 1), 80);
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 3), 90);
    EXPECT_EQ(form.fixedColumnCount(ctl::高级表格1), 2);
}

TEST_F(ExcelExporterTest, RowsEndAtTheFirstSectionsFirstGapAndWidthDefaultsToZero) {
    profile("[a]\n1=x\n3=z\n[b]\n1=p\n2=q\n3=r\n");
    exporter.loadProfile();
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 2);
    EXPECT_EQ(cell(1, 2), "p");
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 1), 0);
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 2), 0);
}

TEST_F(ExcelExporterTest, ALongProfileStopsAtTheRowLimit) {
    std::string lines = "[n]\n";
    for (int j = 1; j <= ExcelExporter::kMaxRows + 1; ++j)
        lines += std::to_string(j) + "=r" + std::to_string(j) + "\n";
    lines += "[内容]\n10000=last\n10001=beyond\n[t.xlsx]\n类型=EXCEL\n1=1|1|1\n";
    profile(lines);
    exporter.loadProfile();
    ASSERT_EQ(form.rowCount(ctl::高级表格1), ExcelExporter::kMaxRows + 1);
    EXPECT_EQ(cell(10000, 0), "10000");
    EXPECT_EQ(cell(10000, 1), "r10000");
    EXPECT_EQ(cell(10000, 2), "last");
    EXPECT_EQ(cell(1, 3), "1|1|1");
    EXPECT_EQ(cell(2, 3), "");
}

TEST_F(ExcelExporterTest, MissingProfileLeavesTheHeaderCell) {
    exporter.loadProfile();
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 1);
    EXPECT_EQ(form.columnCount(ctl::高级表格1), 1);
}

TEST_F(ExcelExporterTest, ExportWritesColumnTwoIntoTheNamedCells) {
    profile(example());
    xlsx.make("standard", xlsx.path("身份证.xlsx"));
    exporter.loadProfile();
    form.setCell(ctl::高级表格1, 1, 2, "110101199001011234");
    form.setStatusText(ctl::状态条1, 1, "状态：识别完毕");
    exporter.exportAll();
    EXPECT_EQ(status(), "状态：识别完毕 导出[身份证.xlsx]成功");
    const auto cells = sheetCells("身份证.xlsx");
    EXPECT_EQ(cells["C2"]["value"], "110101199001011234");  // the formula that stood there is gone
    EXPECT_EQ(cells["A2"]["value"], "张三");
    EXPECT_EQ(cells["C3"]["value"], "keep");
    EXPECT_EQ(launcher.opened, std::vector<std::string>{xlsx.path("身份证.xlsx")});
    EXPECT_TRUE(form.messages.empty());
}

TEST_F(ExcelExporterTest, SheetChangesAndFoldersInNames) {
    std::filesystem::create_directories(xlsx.path("sub"));
    xlsx.make("standard", xlsx.path("sub/b.xlsx"));
    profile("[n]\n1=a\n2=b\n3=c\n[内容]\n1=v1\n2=v2\n3=v3\n[sub\\b.xlsx]\n类型=EXCEL\n1=2|9|2\n2=1|9|1\n3=2|10|2\n");
    exporter.loadProfile();
    exporter.exportAll();
    EXPECT_EQ(status(), " 导出[sub\\b.xlsx]成功");
    EXPECT_EQ(sheetCells("sub/b.xlsx", 1)["B9"]["value"], "v1");
    EXPECT_EQ(sheetCells("sub/b.xlsx", 1)["B10"]["value"], "v3");
    EXPECT_EQ(sheetCells("sub/b.xlsx", 0)["A9"]["value"], "v2");
}

TEST_F(ExcelExporterTest, EntriesThatNameNoCellStopTheColumnButKeepWhatWasWritten) {
    struct Case {
        const char* entry;
        const char* name;
    };
    const Case cases[] = {{"1|2", "two fields"},
                          {"9|1|1", "no such sheet"},
                          {"1|2|3|4", "four"},
                          {"0|2|3", "sheet 0"},
                          {"1|0|3", "row 0"},
                          {"1|2|0", "column 0"},
                          {"1|1048577|1", "past the last row"},
                          {"1|1|16385", "past the last column"},
                          {"1||3", "empty row field"},
                          {"|2|3", "empty sheet field"},
                          {"1|-99999999999|1", "huge negative row"},
                          {"-99999999999|1|1", "huge negative sheet"},
                          {"1|1|-2147483648", "smallest column"},
                          {"1|99999999999|99999999999", "huge row and column"},
                          {"4|1|1", "a chart sheet"}};
    xlsx.make("chart", xlsx.path("template.xlsx"));
    for (const Case& c : cases) {
        std::filesystem::copy_file(xlsx.path("template.xlsx"), xlsx.path("身份证.xlsx"),
                                   std::filesystem::copy_options::overwrite_existing);
        profile(std::string("[n]\n1=a\n2=b\n3=c\n[内容]\n1=first\n2=second\n3=third\n"
                            "[身份证.xlsx]\n类型=EXCEL\n1=1|8|1\n3=") +
                c.entry + "\n");
        form.messages.clear();
        form.setStatusText(ctl::状态条1, 1, "");
        launcher.opened.clear();
        exporter.loadProfile();
        exporter.exportAll();
        ASSERT_EQ(form.messages.size(), 1u) << c.name;
        EXPECT_EQ(form.messages[0].text, "错误：[身份证.xlsx]行3列4表项设置有误导出表格未完成")
            << c.name;
        EXPECT_EQ(form.messages[0].title, "错误提示！");
        EXPECT_EQ(status(), " 导出[身份证.xlsx]失败") << c.name;
        // Read back by the engine itself: an independent reader for each case is too slow.
        const auto book = spreadsheet::createXlsxWorkbook();
        ASSERT_TRUE(book->load(xlsx.path("身份证.xlsx"))) << c.name;
        EXPECT_EQ(book->sheet(0)->text(7, 0), "first") << c.name;
        EXPECT_EQ(launcher.opened.size(), 1u) << c.name;
    }
}

TEST_F(ExcelExporterTest, TheLastCellOfTheGridIsACell) {
    xlsx.make("standard", xlsx.path("身份证.xlsx"));
    profile("[n]\n1=a\n[内容]\n1=far\n[身份证.xlsx]\n类型=EXCEL\n1=３|1048576|16384\n");
    exporter.loadProfile();
    exporter.exportAll();
    EXPECT_EQ(status(), " 导出[身份证.xlsx]成功");
    EXPECT_EQ(sheetCells("身份证.xlsx", 2)["XFD1048576"]["value"], "far");
}

TEST_F(ExcelExporterTest, WrongTypeMissingWorkbookAndAFailedSave) {
    profile("[n]\n1=a\n[内容]\n1=v\n[x.xlsx]\n类型=CSV\n1=1|1|1\n[missing.xlsx]\n类型=EXCEL\n1=1|1|1\n"
            "[full.xlsx]\n类型=EXCEL\n1=1|1|1\n");
    xlsx.make("standard", xlsx.path("full.xlsx"));
    const std::string before = XlsxTool::readFile(xlsx.path("full.xlsx"));
    exporter.loadProfile();
    // A disk that takes no more bytes: the new workbook cannot be written.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &tiny);
    exporter.exportAll();
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(form.messages.size(), 3u);
    EXPECT_EQ(form.messages[0].text, "错误：导出[x.xlsx]-类型设置有误请处理");
    EXPECT_EQ(form.messages[1].text, "错误：打开[missing.xlsx]有误请检查路径和文件是否存在");
    EXPECT_EQ(form.messages[2].text, "错误：[full.xlsx]保存不成功请确认表格是否在关闭状态，路径：" +
                                         xlsx.path("full.xlsx"));
    for (const auto& m : form.messages) EXPECT_EQ(m.title, "错误提示！");
    EXPECT_EQ(status(), " 导出[missing.xlsx]失败 导出[full.xlsx]失败");
    EXPECT_EQ(launcher.opened, std::vector<std::string>{xlsx.path("full.xlsx")});
    EXPECT_EQ(XlsxTool::readFile(xlsx.path("full.xlsx")), before);
}

TEST_F(ExcelExporterTest, AWorkbookHeldOrMadeReadOnlyIsNotReplaced) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void(const std::string&)> prepare;
    };
    const Case cases[] = {
        {"held open by another program",
         [&](const std::string&) {
             std::ofstream(xlsx.path(".~lock.身份证.xlsx#")) << ",user,host,09.12.2026 10:00,user;";
         }},
        {"read-only", [](const std::string& path) { fs::permissions(path, fs::perms(0444)); }},
    };
    profile(example());
    exporter.loadProfile();
    for (const Case& c : cases) {
        const std::string path = xlsx.path("身份证.xlsx");
        xlsx.make("standard", path);
        c.prepare(path);
        const std::string before = XlsxTool::readFile(path);
        const fs::perms mode = fs::status(path).permissions();
        form.messages.clear();
        form.setStatusText(ctl::状态条1, 1, "");
        exporter.exportAll();
        ASSERT_EQ(form.messages.size(), 1u) << c.name;
        EXPECT_EQ(form.messages[0].text,
                  "错误：[身份证.xlsx]保存不成功请确认表格是否在关闭状态，路径：" + path)
            << c.name;
        EXPECT_EQ(status(), " 导出[身份证.xlsx]失败") << c.name;
        EXPECT_EQ(XlsxTool::readFile(path), before) << c.name;
        EXPECT_EQ(fs::status(path).permissions(), mode) << c.name;
        fs::remove(xlsx.path(".~lock.身份证.xlsx#"));
        fs::permissions(path, fs::perms(0644));
    }
}

TEST_F(ExcelExporterTest, AWorkbookThatIsALinkGetsTheValuesInItsTarget) {
    namespace fs = std::filesystem;
    fs::create_directories(xlsx.path("real"));
    xlsx.make("standard", xlsx.path("real/book.xlsx"));
    fs::create_symlink("real/book.xlsx", xlsx.path("身份证.xlsx"));
    profile(example());
    exporter.loadProfile();
    form.setCell(ctl::高级表格1, 1, 2, "110101199001011234");
    exporter.exportAll();
    EXPECT_EQ(status(), " 导出[身份证.xlsx]成功");
    EXPECT_TRUE(fs::is_symlink(xlsx.path("身份证.xlsx")));
    EXPECT_EQ(sheetCells("real/book.xlsx")["C2"]["value"], "110101199001011234");
}

TEST_F(ExcelExporterTest, AWorkbookPathThatNamesNoFileIsNotOpened) {
    // A FIFO would block the window until another program wrote to it, a device would
    // never end: only a regular file is read.
    namespace fs = std::filesystem;
    ASSERT_EQ(mkfifo(xlsx.path("fifo.xlsx").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", xlsx.path("zero.xlsx"));
    fs::create_directory(xlsx.path("folder.xlsx"));
    profile(
        "[n]\n1=a\n[内容]\n1=v\n[fifo.xlsx]\n类型=EXCEL\n1=1|1|1\n"
        "[zero.xlsx]\n类型=EXCEL\n1=1|1|1\n[folder.xlsx]\n类型=EXCEL\n1=1|1|1\n");
    exporter.loadProfile();
    exporter.exportAll();
    ASSERT_EQ(form.messages.size(), 3u);
    const char* names[] = {"fifo.xlsx", "zero.xlsx", "folder.xlsx"};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(form.messages[i].text,
                  std::string("错误：打开[") + names[i] + "]有误请检查路径和文件是否存在");
    EXPECT_EQ(status(), " 导出[fifo.xlsx]失败 导出[zero.xlsx]失败 导出[folder.xlsx]失败");
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_TRUE(fs::is_fifo(xlsx.path("fifo.xlsx")));
}

TEST_F(ExcelExporterTest, ContextMenuSavesAreReadBackByTheNextLayout) {
    profile(example());
    FakeClipboard clipboard;
    MainWindow window(state, form, clipboard);
    form.setEvents(&window);
    exporter.loadProfile();
    form.setCell(ctl::高级表格1, 2, 2, "值二");
    form.setCell(ctl::高级表格1, 3, 3, "1|5|5");
    form.userChooseMenuItem(5);  // 保存全部内容
    form.userChooseMenuItem(6);  // 保存导出设置
    form.setEvents(nullptr);
    FakeForm next;
    ExcelExporter again(state, next, launcher);
    again.loadProfile();
    EXPECT_EQ(next.cell(ctl::高级表格1, 2, 2), "值二");
    EXPECT_EQ(next.cell(ctl::高级表格1, 1, 2), "");
    EXPECT_EQ(next.cell(ctl::高级表格1, 1, 3), "1|2|3");
    EXPECT_EQ(next.cell(ctl::高级表格1, 3, 3), "1|5|5");
    EXPECT_EQ(ini::read(state.exportProfilePath, "身份证.xlsx", "类型"), "EXCEL");
    EXPECT_EQ(ini::read(state.exportProfilePath, "身份证.xlsx", "列宽"), "90");
}

TEST_F(ExcelExporterTest, NoTargetColumnsDoesNothing) {
    profile("[n]\n1=a\n[内容]\n1=v\n");
    exporter.loadProfile();
    exporter.exportAll();
    EXPECT_TRUE(form.messages.empty());
    EXPECT_EQ(status(), "");
}

}  // namespace
