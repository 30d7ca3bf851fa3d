// ozmira --recognize / --image on fake backends: the kind and language chosen, what is
// printed and the exit status.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/ini.h"
#include "support/fake_screen.h"
#include "support/fake_text_engine.h"
#include "support/scripted_transport.h"
#include "support/temp_dir.h"

namespace {

using Args = std::vector<std::string>;

class CommandLineTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeScreen screen;
    FakeTextEngine engine;
    ScriptedTransport transport;
    HttpClient http{transport};
    std::ostringstream out, err;
    std::vector<int> sent;
    std::string sendFailure;  // what the sender answers; empty: the program took the command

    int run(const Args& args) {
        out.str("");
        err.str("");
        CommandLine::Backends b{[&]() -> platform::Screen& { return screen; },
                                [&]() -> platform::TextEngine& { return engine; },
                                [&]() -> HttpClient& { return http; },
                                [&](int command) {
                                    sent.push_back(command);
                                    return sendFailure;
                                }};
        return CommandLine(state, b, out, err).run(args);
    }
    void settings(const std::string& section, const std::string& value) {
        ini::write(dir.file("windows data.ini"), section, "现行选中项", value);
    }
};

TEST_F(CommandLineTest, OfflineByDefaultForANewUserWithTheSavedLanguage) {
    engine.lines = {"第一行", "second line"};
    EXPECT_EQ(run({"--recognize", "10|20|110|70"}), 0);
    EXPECT_EQ(out.str(), "第一行\nsecond line\n");
    EXPECT_EQ(screen.captures, (std::vector<FakeScreen::Rect>{{10, 20, 100, 50}}));
    settings("组合框文字", "2");
    EXPECT_EQ(run({"--recognize", "0|0|8|8"}), 0);
    settings("组合框文字", "3");
    EXPECT_EQ(run({"--recognize", "0|0|8|8", "--language", "1"}), 0);
    EXPECT_EQ(engine.asked, (std::vector<Args>{{"chi_sim", "eng"}, {"eng"}, {"chi_sim", "eng"}}));

    EXPECT_EQ(run({"--recognize", "0|0|8|8"}), 1);
    EXPECT_EQ(err.str(), "ozmira: 离线识别缺少语言数据，请安装 tesseract-ocr-jpn\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(CommandLineTest, CloudKindsUseTheKeyAndPrintLinesOrFields) {
    ini::write(dir.file("service.ini"), "service", "TokenEndpoint", "http://srv/token");
    ini::write(dir.file("service.ini"), "service", "ApiBaseUrl", "http://srv/rest/");
    dir.write("shot.bmp", screen.capture(0, 0, 16, 16));
    EXPECT_EQ(run({"--image", dir.file("shot.bmp"), "--kind", "1"}), 1);
    EXPECT_EQ(err.str(), "ozmira: no token: no key profile in " + dir.file("key.ini") +
                             " (or use --kind 5, the offline engine)\n");

    ini::write(dir.file("key.ini"), "k", "API Key", "id");
    transport.reply("srv/token", R"({"access_token":"T"})");
    transport.reply("srv/rest/ocr/v1/accurate_basic",
                    R"({"words_result":[{"words":"ab"},{"words":"c\u001bd"}]})");
    transport.reply("srv/rest/ocr/v1/idcard",
                    R"({"words_result":{"姓名":{"words":"张三"},"性别":{"words":"男"}}})");
    settings("组合框识别", "0");  // a saved cloud choice is the default kind
    EXPECT_EQ(run({"--image", dir.file("shot.bmp"), "--language", "1"}), 0);
    EXPECT_EQ(out.str(), "ab\ncd\n");
    EXPECT_EQ(transport.last().body.rfind("access_token=T&language_type=CHN_ENG&image=", 0), 0u);
    EXPECT_EQ(run({"--image", dir.file("shot.bmp"), "--kind", "8"}), 0);
    EXPECT_EQ(out.str(), "姓名\t张三\n性别\t男\n");
    transport.reply("srv/rest/ocr/v1/accurate_basic", R"({"error_msg":"quota"})");
    EXPECT_EQ(run({"--image", dir.file("shot.bmp")}), 1);
    EXPECT_EQ(err.str(), "ozmira: service error: quota\n");
}

TEST_F(CommandLineTest, BadArgumentsAndBadInput) {
    for (const Args& args : {Args{}, Args{"--kind", "5"}, Args{"--recognize"},
                             Args{"--image", "a", "--recognize", "1|1|2|2"},
                             Args{"--recognize", "1|1|2|2", "--kind", "0"},
                             Args{"--recognize", "1|1|2|2", "--kind", "x"},
                             Args{"--recognize", "1|1|2|2", "--language", "21"}, Args{"--bogus"}}) {
        EXPECT_EQ(run(args), 2) << ::testing::PrintToString(args);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out.str(), CommandLine::usage());
    EXPECT_EQ(run({"--recognize", "5|5|5|9"}), 1);
    EXPECT_EQ(run({"--image", dir.file("none.png")}), 1);
    dir.write("bad.png", "not an image");
    EXPECT_EQ(run({"--image", dir.file("bad.png")}), 1);
    EXPECT_TRUE(engine.asked.empty());
}

}  // namespace

namespace {

TEST_F(CommandLineTest, CommandGoesToTheRunningProgramOnly) {
    EXPECT_TRUE(CommandLine::handles({"--command", "2"}));
    struct Case {
        Args args;
        int status;
        std::vector<int> sent;
    };
    const Case cases[] = {
        {{"--command", "2"}, 0, {2}},
        {{"--command", "5"}, 0, {5}},
        {{"--command", "1"}, 0, {1}},
        {{"--command", "0"}, 2, {}},
        {{"--command", "6"}, 2, {}},
        {{"--command", "x"}, 2, {}},
        {{"--command"}, 2, {}},
        {{"--command", "2", "--kind", "1"}, 2, {}},
        {{"--recognize", "0|0|8|8", "--command", "2"}, 2, {}},
    };
    for (const Case& c : cases) {
        sent.clear();
        EXPECT_EQ(run(c.args), c.status) << c.args[0] << " " << c.args.size();
        EXPECT_EQ(sent, c.sent);
        if (c.status == 2) {
            EXPECT_NE(err.str().find("usage: "), std::string::npos);
        }
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_TRUE(screen.captures.empty());
    sendFailure = "Ozmira is not running\x1b[2J";
    EXPECT_EQ(run({"--command", "3"}), 1);
    EXPECT_EQ(err.str(), "ozmira: Ozmira is not running[2J\n");
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.str().find("--command N"), std::string::npos);
}

}  // namespace
