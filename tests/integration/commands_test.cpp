// The program's other commands end to end: a global hotkey pressed on the desktop, the
// translate button against a local translator, and the export into a workbook.
#include <filesystem>
#include <fstream>

#include "integration/program_fixture.h"
#include "support/xlsx_tool.h"

namespace {

using CommandsTest = ServedProgramFixture;

TEST_F(CommandsTest, HotkeyStartsItsCaptureFromTheDesktop) {
    server.setOcrResult("text", {"by hotkey"});
    writeCp936("windows data.ini",
               "[编辑框坐标]\n内容=1000|100|1100|150\n[组合框2]\n现行选中项=2\n[快捷键2]\n键码=F7键\n");
    startProgram();
    EXPECT_EQ(program->controls()["按钮坐标截图"]["name"], "坐标截图识别\n(快捷键:Ctrl键+F7键)");
    ProgramRunner::run({"xdotool", "key", "ctrl+F7"}, 5000);
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "by hotkey")["text"], "by hotkey");
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CommandsTest, KeyBoxesShowTheNameOfTheReleasedKeyAndSavingRegisters) {
    writeCp936("windows data.ini", "[选择夹1]\n现行子夹=2\n[组合框1]\n现行选中项=1\n");
    startProgram();
    ASSERT_TRUE(program->focus("编辑框1"));
    struct Case {
        const char* keys;
        const char* shown;
    };
    for (const Case& c : {Case{"F5", "F5键"}, Case{"a", "A键"}, Case{"KP_1", ""}, Case{"F6", "F6键"}}) {
        ProgramRunner::run({"xdotool", "key", c.keys}, 5000);
        EXPECT_EQ(program->waitFor("编辑框1", "text", c.shown)["text"], c.shown) << c.keys;
    }
    ASSERT_TRUE(program->click("按钮保存"));
    EXPECT_EQ(waitForSetting("快捷键1", "键码", "F6键"), "F6键");
    EXPECT_EQ(setting("组合框1", "现行选中项"), "1");
    EXPECT_EQ(program->waitFor("按钮截图", "name", "截图识别\n(快捷键:Alt键+F6键)")["name"],
              "截图识别\n(快捷键:Alt键+F6键)");
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CommandsTest, TranslateButtonAgainstALocalTranslator) {
    const std::string host = "127.0.0.1:" + std::to_string(server.httpPort());
    ini::write(dir.file("service.ini"), "service", "YoudaoHost", host);
    ServerReply reply;
    reply.body = "errorCode=0\r\nresult=你好世界";
    ASSERT_TRUE(server.setReply("/translate", reply));
    writeCp936("windows data.ini", "[选择框同步剪切板]\n选中=假\n");
    startProgram();
    ASSERT_TRUE(program->setText("编辑框_源", "hello world"));
    ASSERT_TRUE(program->click("按钮_翻译"));
    EXPECT_EQ(program->waitFor("编辑框_翻译", "text", "你好世界\n")["text"], "你好世界\n");
    bool asked = false;
    for (const RecordedRequest& r : server.requests())
        if (r.target.rfind("/translate?i=hello%20world&type=AUTO", 0) == 0)
            asked = r.headerBlock.find("Referer: http://" + host + "/translate") != std::string::npos;
    EXPECT_TRUE(asked);
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CommandsTest, ExportWritesTheWorkbookAndOpensIt) {
    XlsxTool xlsx;
    xlsx.make("standard", dir.file("身份证.xlsx"));
    writeCp936("导出1.ini", "[姓名]\n列宽=80\n1=张三\n2=李四\n[内容]\n列宽=120\n1=甲\n2=乙\n"
                          "[身份证.xlsx]\n列宽=90\n类型=EXCEL\n1=1|7|1\n2=1|8|2\n");
    writeCp936("windows data.ini", "[组合框导出选项]\n现行选中项=0\n[选择夹1]\n现行子夹=1\n");
    // The desktop's file handler, replaced by one that notes what it was asked to open.
    const std::string bin = dir.file("bin");
    std::filesystem::create_directories(bin);
    {
        std::ofstream opener(bin + "/xdg-open");
        opener << "#!/bin/sh\nprintf '%s' \"$1\" > '" << dir.file("opened.txt") << "'\n";
    }
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    program = std::make_unique<ProgramRunner>(dir.path());
    program->setEnvironment("PATH", bin + ":" + std::getenv("PATH"));
    ASSERT_TRUE(program->start());
    const nlohmann::json grid = program->waitFor("高级表格1", "showing", true);
    ASSERT_TRUE(grid.contains("cells")) << grid.dump();
    EXPECT_EQ(grid["cells"][0], nlohmann::json({"行号", "姓名", "内容", "身份证.xlsx"}));
    EXPECT_EQ(grid["cells"][2][2], "乙");
    ASSERT_TRUE(program->click("按钮_导出"));
    for (int i = 0; i < 100 && !dir.exists("opened.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(dir.read("opened.txt"), dir.file("身份证.xlsx"));
    const nlohmann::json cells = xlsx.dump(dir.file("身份证.xlsx"))["sheets"][0]["cells"];
    EXPECT_EQ(cells["A7"]["value"], "甲");
    EXPECT_EQ(cells["B8"]["value"], "乙");
    EXPECT_EQ(cells["A2"]["value"], "张三");
    const std::string status = program->controls()["状态条1"]["labels"].back();
    EXPECT_TRUE(status.ends_with(" 导出[身份证.xlsx]成功")) << status;
    EXPECT_EQ(program->close(), 0);
}

}  // namespace
