// The program on two monitors (tests/scripts/two_monitors.sh: LEFT, 1920 pixels wide, left
// of the primary RIGHT): coordinates on the left monitor are negative, a coordinate capture
// there sends that monitor's pixels, and a drag there gives the coordinates that capture the
// same picture.
#include <algorithm>

#include "integration/program_fixture.h"
#include "platform/codec.h"
#include "platform/x11_pattern_window.h"

namespace {

// In root coordinates; the screen's x is 1920 less.
constexpr int kRootLeft = 100, kTop = 120, kWidth = 320, kHeight = 200;
constexpr int kLeft = kRootLeft - 1920;

// The image a recognition request carried, still base64 and URL encoded.
std::string imageField(const RecordedRequest& request) {
    const size_t at = request.body.find("image=");
    return at == std::string::npos ? std::string() : request.body.substr(at + 6);
}

bool decodeImage(std::string field, codec::Image& image) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            text += char(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += field[i];
        }
    }
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string jpeg;
    int bits = 0, value = 0;
    for (char c : text) {
        const size_t v = alphabet.find(c);
        if (v == std::string::npos) break;
        value = (value << 6) | int(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            jpeg += char((value >> bits) & 0xff);
        }
    }
    return codec::decode(jpeg, image);
}

class MonitorsProgramTest : public ServedProgramFixture {
protected:
    X11PatternWindow pattern{kRootLeft, kTop, kWidth, kHeight};

    void SetUp() override {
        ServedProgramFixture::SetUp();
        ASSERT_TRUE(pattern.show());
    }
    std::vector<RecordedRequest> recognitions() {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests())
            if (r.method == "POST" && r.target.find("/ocr/") != std::string::npos)
                found.push_back(r);
        return found;
    }
    std::vector<RecordedRequest> waitForRecognitions(size_t count) {
        for (int i = 0; i < 100 && recognitions().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return recognitions();
    }
};

TEST_F(MonitorsProgramTest, CoordinateCaptureOnTheLeftMonitorSendsItsPixels) {
    const std::string coordinates = std::to_string(kLeft) + "|" + std::to_string(kTop) + "|" +
                                    std::to_string(kLeft + kWidth) + "|" +
                                    std::to_string(kTop + kHeight);
    writeCp936("windows data.ini", "[编辑框坐标]\n内容=" + coordinates + "\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮坐标截图"));
    const auto requests = waitForRecognitions(1);
    ASSERT_EQ(requests.size(), 1u);
    codec::Image image;
    ASSERT_TRUE(decodeImage(imageField(requests[0]), image));
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    for (auto [x, y] : {std::pair{20, 20}, {kWidth - 20, 20}, {20, kHeight - 20}}) {
        const uint32_t want = pattern.colourAt(x, y);
        const uint8_t* px = image.top + y * image.pitch + x * 4;
        const uint32_t got = (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int((got >> shift) & 0xff), int((want >> shift) & 0xff), 40)
                << x << "," << y;
    }
    EXPECT_EQ(program->close(), 0);
}

TEST_F(MonitorsProgramTest, DragOnTheLeftMonitorGivesTheCoordinatesOfTheSamePicture) {
    writeCp936("windows data.ini", "[选择框坐标同步]\n选中=真\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮截图"));
    // The overlay is up once a window of it shows on each monitor.
    for (int i = 0; i < 100; ++i) {
        const std::string found =
            ProgramRunner::run({"xdotool", "search", "--onlyvisible", "--name", "^Ozmira$"}, 5000);
        if (std::count(found.begin(), found.end(), '\n') >= 2) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ProgramRunner::run(
        {"xdotool", "mousemove", "150",       "150", "sleep",   "0.2",   "mousedown", "1",
         "sleep",   "0.2",       "mousemove", "250", "220",     "sleep", "0.2",       "mousemove",
         "350",     "300",       "sleep",     "0.2", "mouseup", "1"},
        10000);
    const std::string typed = "-1770|150|-1570|300";
    EXPECT_EQ(program->waitFor("编辑框坐标", "text", typed)["text"], typed);
    ASSERT_EQ(waitForRecognitions(1).size(), 1u);
    // The coordinates the drag wrote back, captured from the live screen, give the same image.
    ASSERT_TRUE(program->click("按钮坐标截图"));
    const auto requests = waitForRecognitions(2);
    ASSERT_EQ(requests.size(), 2u);
    codec::Image image;
    ASSERT_TRUE(decodeImage(imageField(requests[0]), image));
    EXPECT_EQ(image.width, 200);
    EXPECT_EQ(image.height, 150);
    EXPECT_EQ(imageField(requests[0]), imageField(requests[1]));
    EXPECT_EQ(program->close(), 0);
}

}  // namespace
