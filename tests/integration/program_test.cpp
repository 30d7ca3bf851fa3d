// The real program under Xvfb: settings restored at start and written the moment they
// change, startup against local OCR and update servers, and a clean exit.
#include <gtest/gtest.h>

#include "integration/program_fixture.h"

namespace {

using ProgramTest = ProgramFixture;

TEST_F(ProgramTest, RestoresSettingsAndWritesChangesAtOnce) {
    writeCp936("windows data.ini",
               "[选择框文本合并]\n选中=假\n[组合框识别]\n现行选中项=2\n[编辑框坐标]\n内容=10|20|300|400\n"
               "[选择夹1]\n现行子夹=0\n[快捷键1]\n键码=F1键\n");
    writeCp936("key.ini", "[学校]\nAPI Key=a\nSecret Key=b\n[家里]\n");
    writeCp936("使用说明.txt", "第一步：拖动鼠标。\n");
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    nlohmann::json c = program.waitFor("编辑框_翻译", "text", "第一步：拖动鼠标。\n");
    c = program.controls();
    ASSERT_TRUE(c.contains("选择框文本合并")) << c.dump();
    EXPECT_FALSE(c["选择框文本合并"]["checked"]);
    EXPECT_TRUE(c["选择框同步剪切板"]["checked"]);
    EXPECT_EQ(c["组合框识别"]["name"], "手写文字识别");
    EXPECT_EQ(c["编辑框坐标"]["text"], "10|20|300|400");
    EXPECT_EQ(c["编辑框1"]["text"], "F1键");
    EXPECT_EQ(c["组合框key"]["name"], "学校");
    EXPECT_EQ(c["编辑框_翻译"]["text"], "第一步：拖动鼠标。\n");
    EXPECT_FALSE(c["按钮截图"]["enabled"]);
    EXPECT_FALSE(c["图片框1"]["showing"]);

    ASSERT_TRUE(program.setText("编辑框坐标", "1|2|3|4"));
    EXPECT_EQ(waitForSetting("编辑框坐标", "内容", "1|2|3|4"), "1|2|3|4");
    ASSERT_TRUE(program.click("选择框文本合并"));
    EXPECT_EQ(waitForSetting("选择框文本合并", "选中", "真"), "真");
    ASSERT_TRUE(program.click("按钮同步"));
    EXPECT_TRUE(program.waitFor("分组框4", "showing", true)["showing"]);
    ASSERT_TRUE(program.setText("编辑框_同步设置", "A|B|1"));
    ASSERT_TRUE(program.click("按钮同步保存"));
    EXPECT_EQ(waitForSetting("编辑框_同步设置", "内容", "A|B|1"), "A|B|1");
    EXPECT_EQ(program.close(), 0);
}

TEST_F(ProgramTest, StartsAgainstLocalServersAndReachesReady) {
    TestServer server;
    ASSERT_TRUE(server.running()) << server.error();
    server.setUpdateDocument({{"update",
                               {{"v", "3.91"}, {"gxts", "发现新版本3.91"}, {"byts", "已是最新"},
                                {"fu", "来自更新文档的说明"}}}});
    pointAt(server);
    writeCp936("key.ini", "[k]\nAPI Key=id\nSecret Key=secret\n");
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    const nlohmann::json button = program.waitFor("按钮截图", "enabled", true);
    EXPECT_TRUE(button["enabled"]);
    const nlohmann::json c = program.controls();
    EXPECT_EQ(c["标签提示"]["name"], "发现新版本3.91");
    EXPECT_EQ(c["编辑框_翻译"]["text"], "来自更新文档的说明");
    ASSERT_TRUE(c["状态条1"].contains("labels")) << c["状态条1"].dump();
    EXPECT_EQ(c["状态条1"]["labels"].back(), "状态：启动成功");
    for (const char* b : {"按钮坐标截图", "按钮正面截图", "按钮副面截图", "按钮坐标截图证"})
        EXPECT_TRUE(c[b]["enabled"]) << b;
    bool tokenAsked = false;
    for (const RecordedRequest& r : server.requests())
        if (r.target.rfind("/oauth/2.0/token?grant_type=client_credentials&client_id=id&client_secret=secret", 0) == 0)
            tokenAsked = r.listener == "https";
    EXPECT_TRUE(tokenAsked);
    EXPECT_EQ(program.close(), 0);
}

TEST_F(ProgramTest, UnreachableServicesLeaveTheButtonsDisabled) {
    const std::string f = dir.file("service.ini");
    ini::write(f, "service", "TokenEndpoint", "http://127.0.0.1:9/oauth/2.0/token");
    ini::write(f, "service", "UpdateInfoUrl", "http://127.0.0.1:9/update.json");
    // A cloud kind chosen before: without a key the offline item would be chosen instead.
    writeCp936("windows data.ini", "[组合框识别]\n现行选中项=0\n");
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    // Without a key profile the status line then says where key.ini goes.
    const std::string expected = "状态：获取版本信息失败状态：获取access_token失败"
                                 "状态：未找到密钥，请把密钥文件放到" +
                                 dir.file("key.ini") + "，离线识别无需密钥";
    const nlohmann::json c = program.waitFor("状态条1", "labels", {expected});
    EXPECT_EQ(c["labels"], nlohmann::json({expected}));
    EXPECT_FALSE(program.controls()["按钮截图"]["enabled"]);
    EXPECT_EQ(program.close(), 0);
}

using HangingServiceTest = ServedProgramFixture;

// A server that takes the update or the token request and never answers: meanwhile the
// window answers through the accessibility bus and takes typing, its capture buttons wait
// for the token, and closing it ends the program at once with 0.
TEST_F(HangingServiceTest, WindowAnswersWhileAStartupRequestHangs) {
    const struct {
        const char* path;
        const char* notice;  // the caption of 标签提示 while the request hangs
        const char* typed;
    } cases[] = {
        {"/update.json",
         "提示：最新版无需更新！如果学习有止境，选择有预见，就不会在风中迷茫，在阳光下寻找答案！",
         "5|6|7|8"},
        {"/oauth/2.0/token", "当前已是最新版本", "5|6|7|9"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(server.reset());
        ServerReply hang;
        hang.hang = true;
        ASSERT_TRUE(server.setReply(c.path, hang));
        ProgramRunner program(dir.path());
        ASSERT_TRUE(program.start()) << c.path;
        const nlohmann::json label = program.waitFor("标签提示", "name", c.notice, 8000);
        EXPECT_EQ(label.is_object() ? label.value("name", "") : "", c.notice) << c.path;
        ASSERT_TRUE(program.setText("编辑框坐标", c.typed)) << c.path;
        EXPECT_EQ(waitForSetting("编辑框坐标", "内容", c.typed), c.typed) << c.path;
        const nlohmann::json controls = program.controls();
        ASSERT_TRUE(controls.contains("按钮截图")) << c.path;
        EXPECT_FALSE(controls["按钮截图"]["enabled"]) << c.path;
        // Still waiting: neither the update notice nor the token step has reported.
        EXPECT_EQ(controls["状态条1"].dump().find("状态："), std::string::npos) << c.path;
        EXPECT_EQ(program.close(3000), 0) << c.path;
    }
}

}  // namespace
