// Recognition without an account: known Chinese and English lines on a real X11 screen,
// read by the offline engine in the running program.

#include "integration/line_process.h"
#include "integration/program_fixture.h"

namespace {

constexpr int kLeft = 1000, kTop = 300, kWidth = 520, kHeight = 110;
const char* const kLines[] = {"离线识别：屏幕上的文字", "Offline text, read on this machine"};

// The test program tests/support/text_window.cpp showing the lines, up until the test ends.
std::vector<std::string> textWindow(const std::string& png) {
    std::vector<std::string> args{TEXT_WINDOW,          std::to_string(kLeft),
                                  std::to_string(kTop), std::to_string(kWidth),
                                  std::to_string(kHeight), "16", png};
    for (const char* line : kLines) args.push_back(line);
    return args;
}

std::string coordinates() {
    return std::to_string(kLeft) + "|" + std::to_string(kTop) + "|" +
           std::to_string(kLeft + kWidth) + "|" + std::to_string(kTop + kHeight);
}

class OfflineTest : public ProgramFixture {
protected:
    TestServer server;  // the update document only: the test needs no network
    std::string expected = std::string(kLines[0]) + "\n" + kLines[1] + "\n";

    void SetUp() override {
        ASSERT_TRUE(server.running()) << server.error();
        pointAt(server);
    }
};

TEST_F(OfflineTest, CoordinateCaptureWithTheOfflineItemShowsTheExactText) {
    LineProcess window(textWindow(dir.file("lines.png")));
    ASSERT_TRUE(window.ready());
    // A new user: no key, no saved choice, so the offline item is selected.
    writeCp936("windows data.ini",
               "[选择框文本合并]\n选中=假\n[编辑框坐标]\n内容=" + coordinates() + "\n");
    ProgramRunner program(dir.path());
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.waitFor("按钮坐标截图", "enabled", true)["enabled"]);
    EXPECT_EQ(program.controls()["组合框识别"]["name"], "离线文字识别(本机)");
    ASSERT_TRUE(program.click("按钮坐标截图"));
    EXPECT_EQ(program.waitFor("编辑框_源", "text", expected, 20000)["text"], expected);
    EXPECT_EQ(program.waitFor("状态条1", "labels", {"状态：识别完毕"})["labels"],
              nlohmann::json({"状态：识别完毕"}));
    EXPECT_EQ(program.close(), 0);
}

// The same without a window: the rectangle of the screen, and the picture the window saved.
TEST_F(OfflineTest, CommandLineReadsTheScreenAndImageFiles) {
    LineProcess window(textWindow(dir.file("lines.png")));
    ASSERT_TRUE(window.ready());
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const std::string program = OZMIRA_BINARY_DIR "/ozmira";
    for (const Case& c :
         {Case{{"--recognize", coordinates()}, 0, expected},
          Case{{"--image", dir.file("lines.png"), "--kind", "5", "--language", "1"}, 0, expected},
          Case{{"--recognize", "10|10|5|5"}, 1, ""},
          Case{{"--image", dir.file("missing.png")}, 1, ""},
          Case{{"--recognize", coordinates(), "--kind", "10"}, 2, ""}}) {
        std::vector<std::string> argv{"env", "OZMIRA_HOME=" + dir.path(), program};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        int status = -1;
        const std::string out = ProgramRunner::run(argv, 30000, &status);
        EXPECT_EQ(status, c.status) << c.args[1];
        if (c.status == 0 && !c.out.empty()) {
            EXPECT_EQ(out, c.out) << c.args[1];
        }
    }
}

}  // namespace
