// The main job on a real X11 desktop: captures of a known pattern sent to a local OCR
// service, the text in the window, on the clipboard and in another program's fields.
#include <algorithm>

#include "integration/program_fixture.h"
#include "platform/codec.h"
#include "platform/target_process.h"
#include "platform/x11_pattern_window.h"

namespace {

// The pattern lies right of the main window, so the capture sees it whatever the window does.
constexpr int kLeft = 1100, kTop = 120, kWidth = 320, kHeight = 200;

std::string urlDecode(const std::string& s) {
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

std::string base64Decode(const std::string& s) {
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

class CaptureTest : public ServedProgramFixture {
protected:
    X11PatternWindow pattern{kLeft, kTop, kWidth, kHeight};

    void SetUp() override {
        ServedProgramFixture::SetUp();
        ASSERT_TRUE(pattern.show());
    }
    std::vector<RecordedRequest> recognitions() {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests())
            if (r.method == "POST" && r.target.find("/ocr/") != std::string::npos) found.push_back(r);
        return found;
    }
    std::string status() {
        const nlohmann::json labels = program->controls()["状态条1"]["labels"];
        return labels.empty() ? std::string() : labels.back().get<std::string>();
    }
    std::string clipboard() {
        return ProgramRunner::run({"xclip", "-o", "-selection", "clipboard"}, 5000);
    }
    std::string coordinates() {
        return std::to_string(kLeft) + "|" + std::to_string(kTop) + "|" + std::to_string(kLeft + kWidth) +
               "|" + std::to_string(kTop + kHeight);
    }
};

TEST_F(CaptureTest, CoordinateCaptureReachesWindowClipboardAndTargets) {
    TargetProcess target("synctarget");
    ASSERT_TRUE(target.waitReady(std::chrono::seconds(15)));
    server.setOcrResult("text", {"ab", "cd"});
    writeCp936("windows data.ini", "[选择框文本合并]\n选中=假\n[编辑框坐标]\n内容=" + coordinates() +
                                       "\n[编辑框_同步设置]\n内容=synctarget|Form1|1+synctarget|Form1|2\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮坐标截图"));
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "ab\ncd\n")["text"], "ab\ncd\n");
    EXPECT_EQ(status(), "状态：识别完毕");
    EXPECT_EQ(clipboard(), "ab\ncd\n");
    const auto fields = target.fields();
    EXPECT_EQ(fields.at("alpha"), "ab\ncd\n");
    EXPECT_EQ(fields.at("beta"), "ab\ncd\n");
    EXPECT_TRUE(program->controls()["图片框1"]["showing"]);

    // The request carried a JPEG of the rectangle, with the pattern in it.
    const auto requests = recognitions();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/rest/2.0/ocr/v1/accurate_basic");
    const std::string body = requests[0].body;
    const size_t at = body.find("image=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(body.substr(0, at), "access_token=token-id&language_type=auto_detect&");
    const std::string jpeg = base64Decode(urlDecode(body.substr(at + 6)));
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    codec::Image image;
    ASSERT_TRUE(codec::decode(jpeg, image));
    EXPECT_EQ(image.width, kWidth);
    EXPECT_EQ(image.height, kHeight);
    for (auto [x, y] : {std::pair{20, 20}, {kWidth - 20, 20}, {20, kHeight - 20}}) {
        const uint32_t want = pattern.colourAt(x, y);
        const uint8_t* px = image.top + y * image.pitch + x * 4;
        const uint32_t got = (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((want >> shift) & 0xFF), 40)
                << x << "," << y;
    }
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CaptureTest, CardReplyFillsTheTable) {
    writeCp936("windows data.ini", "[选择夹1]\n现行子夹=1\n[编辑框坐标正]\n0=" + coordinates() + "\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮坐标截图证"));
    program->waitFor("状态条1", "labels", {"状态：识别完毕"});
    const nlohmann::json cells = program->controls()["高级表格1"]["cells"];
    ASSERT_EQ(cells.size(), 7u) << cells.dump();
    EXPECT_EQ(cells[0], nlohmann::json({"行号", "类型", "内容"}));
    std::vector<std::string> names;
    for (size_t r = 1; r < cells.size(); ++r) names.push_back(cells[r][1]);
    EXPECT_NE(std::find(names.begin(), names.end(), "姓名"), names.end());
    for (size_t r = 1; r < cells.size(); ++r) {
        if (cells[r][1] == "姓名") {
            EXPECT_EQ(cells[r][2], "张三");
        }
    }
    ASSERT_EQ(recognitions().size(), 1u);
    EXPECT_EQ(recognitions()[0].body.rfind("access_token=token-id&id_card_side=front&image=", 0), 0u);
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CaptureTest, FailuresLeaveEverythingAsItWas) {
    TargetProcess target("synctarget");
    ASSERT_TRUE(target.waitReady(std::chrono::seconds(15)));
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=" + coordinates() +
                                       "\n[编辑框_同步设置]\n内容=synctarget|Form1|1\n");
    startProgram();
    server.setOcrResult("text", {"first"});
    ASSERT_TRUE(program->click("按钮坐标截图"));
    ASSERT_EQ(program->waitFor("编辑框_源", "text", "first")["text"], "first");
    struct Case {
        ServerReply reply;
        const char* status;
    };
    ServerReply error;
    error.body = R"({"error_code":110,"error_msg":"Access token invalid"})";
    ServerReply broken;
    broken.raw = "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"words";
    broken.close = true;
    for (const Case& c : {Case{error, "状态：识别失败：Access token invalid"}, Case{broken, "状态：识别失败"}}) {
        server.setReply("/rest/2.0/ocr/v1/accurate_basic", c.reply);
        // xclip stays behind to serve the selection: it must not hold the test's output open.
        ProgramRunner::run({"sh", "-c", "printf kept | xclip -selection clipboard >/dev/null 2>&1"}, 5000);
        ASSERT_TRUE(program->click("按钮坐标截图"));
        const nlohmann::json statusBar = program->waitFor("状态条1", "labels", {c.status});
        EXPECT_EQ(statusBar["labels"], nlohmann::json({c.status}));
        EXPECT_EQ(program->controls()["编辑框_源"]["text"], "first");
        EXPECT_EQ(clipboard(), "kept");
        EXPECT_EQ(target.fields().at("alpha"), "first");
    }
    EXPECT_EQ(program->close(), 0);
}

TEST_F(CaptureTest, ClosingDuringARecognitionEndsTheProgramAtOnce) {
    ServerReply silent;
    silent.hang = true;
    ASSERT_TRUE(server.setReply("/rest/2.0/ocr/v1/accurate_basic", silent));
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=" + coordinates() + "\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮坐标截图"));
    ASSERT_EQ(program->waitFor("状态条1", "labels", {"状态：截图识别中……"})["labels"],
              nlohmann::json({"状态：截图识别中……"}));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(program->close(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(CaptureTest, InteractiveDragRecognizesAndWritesTheRectangleBack) {
    server.setOcrResult("text", {"dragged"});
    startProgram();
    ASSERT_TRUE(program->click("按钮截图"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the overlay comes up
    ProgramRunner::run({"xdotool", "mousemove", "1150", "150", "sleep", "0.2", "mousedown", "1", "sleep",
                        "0.2", "mousemove", "1250", "220", "sleep", "0.2", "mousemove", "1350", "300",
                        "sleep", "0.2", "mouseup", "1"},
                       10000);
    EXPECT_EQ(program->waitFor("编辑框坐标", "text", "1150|150|1350|300")["text"], "1150|150|1350|300");
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "dragged")["text"], "dragged");
    EXPECT_EQ(waitForSetting("编辑框坐标", "内容", "1150|150|1350|300"), "1150|150|1350|300");
    const auto requests = recognitions();
    ASSERT_EQ(requests.size(), 1u);
    const std::string body = requests[0].body;
    codec::Image image;
    ASSERT_TRUE(codec::decode(base64Decode(urlDecode(body.substr(body.find("image=") + 6))), image));
    EXPECT_EQ(image.width, 200);
    EXPECT_EQ(image.height, 150);
    EXPECT_EQ(program->close(), 0);
}

}  // namespace
