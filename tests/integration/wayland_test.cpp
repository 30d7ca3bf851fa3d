// The program as a native Wayland client, in the headless sway session that
// scripts/headless-wayland.sh starts: captures of a window of known content through the
// desktop's screenshot portal, sent to a local OCR service; the text in the window, on the
// clipboard and in another program's fields; a drag driven through sway's seat.
#include <unistd.h>

#include <cstdlib>

#include "integration/line_process.h"
#include "integration/program_fixture.h"
#include "platform/codec.h"
#include "platform/target_process.h"

namespace {

// sway places the test's window here (a floating window of that size) and the program's
// main window to the right of it, so a capture sees the window and the desktop around it.
constexpr int kLeft = 200, kTop = 150, kWidth = 400, kHeight = 200;
constexpr std::uint32_t kBackground = 0x336699;  // the output's colour (headless-wayland.sh)
const char* const kLines[] = {"Wayland 识别", "ozmira 0123456789"};

// A helper program of the tests that prints "ready" and lives until its input closes.
std::string sway(const std::string& command) {
    return ProgramRunner::run({"swaymsg", command}, 5000);
}

std::string compactTree() {
    std::string tree = ProgramRunner::run({"swaymsg", "-t", "get_tree"}, 2000);
    std::erase_if(tree, [](char c) { return c == ' ' || c == '\n'; });
    return tree;
}

// Waits until sway's window tree, as JSON without white space, holds the text.
bool treeHolds(const std::string& text, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (compactTree().find(text) != std::string::npos) return true;
        usleep(100000);
    }
    return false;
}

// Waits until the selector's window (title "Ozmira") covers the output.
bool selectorShown(int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        const std::string tree = compactTree();
        const std::size_t at = tree.find("\"name\":\"Ozmira\",");
        const std::string mode = "\"fullscreen_mode\":";
        const std::size_t field = at == std::string::npos ? at : tree.find(mode, at);
        if (field != std::string::npos && tree.compare(field + mode.size(), 1, "1") == 0)
            return true;
        usleep(100000);
    }
    return false;
}

class WaylandTest : public ServedProgramFixture {
protected:
    static void SetUpTestSuite() {
        sway("for_window [app_id=\"text_window\"] floating enable");
        sway("for_window [title=\"^OzmiraV3\\.9$\"] floating enable");
        // The sync target's windows are needed on the accessibility bus only.
        sway("for_window [title=\"^Form[12]$\"] move scratchpad");
        pointer = new LineProcess({VIRTUAL_POINTER});
        pointerReady = pointer->ready();
    }
    static void TearDownTestSuite() { delete pointer; }
    static inline LineProcess* pointer = nullptr;
    static inline bool pointerReady = false;

    std::unique_ptr<LineProcess> window;
    codec::Image shown;  // what the window shows, as it saved it

    void SetUp() override {
        ASSERT_TRUE(std::getenv("SWAYSOCK") && !std::getenv("DISPLAY"))
            << "run under scripts/headless-wayland.sh";
        ServedProgramFixture::SetUp();
        ASSERT_TRUE(pointerReady);
        // The pointer is part of sway's screenshots: it waits in a corner where nothing is.
        sway("seat seat0 cursor set 1900 1060");
        window = std::make_unique<LineProcess>(std::vector<std::string>{
            TEXT_WINDOW, "0", "0", std::to_string(kWidth), std::to_string(kHeight), "28",
            dir.file("shown.png"), kLines[0], kLines[1]});
        ASSERT_TRUE(window->ready());
        ASSERT_TRUE(codec::decode(dir.read("shown.png"), shown));
        // A window cannot place itself on Wayland; sway does, once the window is there.
        sway("[app_id=\"text_window\"] move absolute position " + std::to_string(kLeft) + " " +
             std::to_string(kTop));
        ASSERT_TRUE(treeHolds(
            "\"rect\":{\"x\":" + std::to_string(kLeft) + ",\"y\":" + std::to_string(kTop) +
                ",\"width\":" + std::to_string(kWidth) + ",\"height\":" + std::to_string(kHeight),
            5000));
    }
    // The main window right of the test's window, the pointer over it, as after a click.
    void startOnTheRight() {
        startProgram();
        sway("[title=\"^OzmiraV3\\.9$\"] move absolute position 1000 0");
        sway("seat seat0 cursor set 1400 600");
    }
    std::uint32_t expectedAt(int x, int y) const {
        if (x < kLeft || y < kTop || x >= kLeft + kWidth || y >= kTop + kHeight) return kBackground;
        const std::uint8_t* px = shown.top + (y - kTop) * shown.pitch + (x - kLeft) * 4;
        return (std::uint32_t{px[2]} << 16) | (std::uint32_t{px[1]} << 8) | px[0];
    }
    // The JPEG of the only recognition request, held against the screen's rectangle: the
    // mean difference per colour channel.
    double differenceFrom(int left, int top, int width, int height) {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests())
            if (r.target.find("/ocr/") != std::string::npos) found.push_back(r);
        EXPECT_EQ(found.size(), 1u);
        if (found.empty()) return 255;
        const std::string& body = found[0].body;
        codec::Image image;
        if (!codec::decode(base64Decode(urlDecode(body.substr(body.find("image=") + 6))), image))
            return 255;
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        if (image.width != width || image.height != height) return 255;
        double sum = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* px = image.top + y * image.pitch + x * 4;
                const std::uint32_t want = expectedAt(left + x, top + y);
                sum += std::abs(int(px[2]) - int(want >> 16)) +
                       std::abs(int(px[1]) - int((want >> 8) & 0xff)) +
                       std::abs(int(px[0]) - int(want & 0xff));
            }
        }
        return sum / (3.0 * width * height);
    }
    static std::string urlDecode(const std::string& s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '%' && i + 2 < s.size()) {
                out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return out;
    }
    static std::string base64Decode(const std::string& s) {
        static const std::string alphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        int bits = 0, value = 0;
        for (char c : s) {
            const size_t v = alphabet.find(c);
            if (v == std::string::npos) break;
            value = (value << 6) | static_cast<int>(v);
            bits += 6;
            if (bits >= 8) {
                bits -= 8;
                out += static_cast<char>((value >> bits) & 0xFF);
            }
        }
        return out;
    }
};

TEST_F(WaylandTest, CoordinateCaptureSendsThePixelsAndDeliversTheText) {
    TargetProcess target("synctarget");
    ASSERT_TRUE(target.waitReady(std::chrono::seconds(15)));
    server.setOcrResult("text", {"ab", "cd"});
    // Half of the rectangle is the window, the rest the desktop around it.
    writeCp936("windows data.ini",
               "[选择框文本合并]\n选中=假\n[编辑框坐标]\n内容=150|100|450|300\n"
               "[编辑框_同步设置]\n内容=synctarget|Form1|1+synctarget|Form1|2\n");
    startOnTheRight();
    ASSERT_TRUE(program->click("按钮坐标截图"));
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "ab\ncd\n")["text"], "ab\ncd\n");
    EXPECT_EQ(program->waitFor("状态条1", "labels", {"状态：识别完毕"})["labels"],
              nlohmann::json({"状态：识别完毕"}));
    EXPECT_EQ(ProgramRunner::run({"wl-paste", "--no-newline"}, 5000), "ab\ncd\n");
    const auto fields = target.fields();
    EXPECT_EQ(fields.at("alpha"), "ab\ncd\n");
    EXPECT_EQ(fields.at("beta"), "ab\ncd\n");
    EXPECT_LT(differenceFrom(150, 100, 300, 200), 4.0);
    EXPECT_EQ(program->close(), 0);
}

TEST_F(WaylandTest, InteractiveDragThroughTheSeatCapturesItsRectangle) {
    server.setOcrResult("text", {"dragged"});
    writeCp936("windows data.ini", "[选择框坐标同步]\n选中=真\n");
    startOnTheRight();
    ASSERT_TRUE(program->click("按钮截图"));
    ASSERT_TRUE(selectorShown(10000));
    // While the button is down sway hands its own cursor moves to nobody, so the drag
    // itself goes through the pointer device, as a real mouse's would.
    sway("seat seat0 cursor set 170 120");
    sway("seat seat0 cursor press button1");
    EXPECT_TRUE(pointer->ask("move 260 200 1920 1080", "moved"));
    EXPECT_TRUE(pointer->ask("move 330 230 1920 1080", "moved"));
    sway("seat seat0 cursor release button1");
    const std::string rect = "170|120|330|230";
    EXPECT_EQ(program->waitFor("编辑框坐标", "text", rect)["text"], rect);
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "dragged")["text"], "dragged");
    EXPECT_LT(differenceFrom(170, 120, 160, 110), 4.0);
    EXPECT_EQ(program->close(), 0);
}

// sway ignores a minimize: the main window must take itself off the screen before the
// picture is taken, so a capture where it stood shows the desktop, and come back afterwards.
TEST_F(WaylandTest, ACaptureWhereTheMainWindowStandsShowsWhatLiesBeneath) {
    server.setOcrResult("text", {"beneath"});
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=1100|100|1500|400\n");
    startOnTheRight();
    const std::string mainWindow = "\"name\":\"OzmiraV3.9\"";
    ASSERT_TRUE(treeHolds("\"x\":1000,\"y\":0", 5000));
    ASSERT_TRUE(program->click("按钮坐标截图"));
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "beneath")["text"], "beneath");
    EXPECT_LT(differenceFrom(1100, 100, 400, 300), 4.0);
    EXPECT_TRUE(treeHolds(mainWindow, 5000));
    EXPECT_EQ(program->close(), 0);
}

// No program may grab keys on Wayland: the desktop's own shortcut runs `ozmira --command 2`,
// which hands the coordinate capture to the running program over the session bus. The
// program has had no click, key or pointer over its windows, so no input serial to claim
// the clipboard with, and the text must reach it all the same.
TEST_F(WaylandTest, CommandTwoRunsTheCoordinateCaptureOfTheRunningProgram) {
    const std::string text = "命令 by command";
    server.setOcrResult("text", {text});
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=150|100|450|300\n");
    startProgram();
    sway("[title=\"^OzmiraV3\\.9$\"] move absolute position 1000 0");
    int status = -1;
    ProgramRunner::run({OZMIRA_BINARY_DIR "/ozmira", "--command", "2"}, 10000, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(program->waitFor("编辑框_源", "text", text)["text"], text);
    std::string pasted;
    for (int waited = 0; waited < 10000 && pasted != text; waited += 100) {
        pasted = ProgramRunner::run({"wl-paste", "--no-newline"}, 2000);
        if (pasted != text) usleep(100000);
    }
    EXPECT_EQ(pasted, text);
    EXPECT_LT(differenceFrom(150, 100, 300, 200), 4.0);
    EXPECT_EQ(program->close(), 0);
}

// The command line has no window, but in a Wayland session it reads the screen through the
// portal all the same.
TEST_F(WaylandTest, CommandLineReadsTheScreenThroughThePortal) {
    int status = -1;
    const std::string out =
        ProgramRunner::run({"env", "OZMIRA_HOME=" + dir.path(), OZMIRA_BINARY_DIR "/ozmira",
                            "--recognize", "200|150|600|350", "--kind", "5"},
                           30000, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, std::string(kLines[0]) + "\n" + kLines[1] + "\n");
}

}  // namespace
