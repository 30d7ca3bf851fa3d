// The program as a Wayland client on two outputs (scripts/headless-wayland.sh; the test adds
// HEADLESS-2, 1280 x 720 device pixels, left of the primary HEADLESS-1, at scale 1 and at
// scale 2), both with a known pattern as background: a coordinate capture on either output (at
// negative x on HEADLESS-2) sends that output's own pixels, whatever the other's scale, and a
// drag on HEADLESS-2's part of the region selector gives the coordinates of what it captured.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>

#include "integration/line_process.h"
#include "integration/program_fixture.h"
#include "platform/codec.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;  // HEADLESS-2 in device pixels
constexpr int kPrimaryWidth = 1920, kPrimaryHeight = 1080;
// A capture goes through the portal and a loaded machine: long enough for that.
constexpr int kWaitMs = 30000;

// Smooth enough for a JPEG to keep it within a few levels.
std::uint32_t patternAt(int x, int y) {
    return (std::uint32_t((x / 5) & 0xff) << 16) | (std::uint32_t((y / 3) & 0xff) << 8) |
           std::uint32_t(((x + y) / 8) & 0xff);
}

std::string sway(const std::string& command) {
    return ProgramRunner::run({"swaymsg", command}, 5000);
}

// The mean difference per colour channel between the image and the pattern from (left, top)
// of HEADLESS-2's pixels; 255 for an image of another size.
double differenceFromPattern(const codec::Image& image, int left, int top, int width, int height) {
    if (image.width != width || image.height != height) return 255;
    double sum = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* px = image.top + y * image.pitch + x * 4;
            const std::uint32_t want = patternAt(left + x, top + y);
            sum += std::abs(int(px[2]) - int(want >> 16)) +
                   std::abs(int(px[1]) - int((want >> 8) & 0xff)) +
                   std::abs(int(px[0]) - int(want & 0xff));
        }
    }
    return sum / (3.0 * width * height);
}

// The image a recognition request carried, still base64 and URL encoded.
bool decodeSent(const std::string& body, codec::Image& image) {
    const std::size_t at = body.find("image=");
    if (at == std::string::npos) return false;
    std::string text;
    for (std::size_t i = at + 6; i < body.size() && body[i] != '&'; ++i) {
        if (body[i] == '%' && i + 2 < body.size()) {
            text += char(std::stoi(body.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += body[i];
        }
    }
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string jpeg;
    int bits = 0, value = 0;
    for (char c : text) {
        const std::size_t v = alphabet.find(c);
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

// The seat's pointer (tests/support/virtual_pointer.cpp): "move X Y WIDTH HEIGHT" puts it at
// X, Y of a layout of that size.
bool movePointer(LineProcess& pointer, int x, int y, int width, int height) {
    return pointer.ask("move " + std::to_string(x) + " " + std::to_string(y) + " " +
                           std::to_string(width) + " " + std::to_string(height),
                       "moved");
}

// The outputs of sway's tree that show a full-screen window of the region selector.
std::set<std::string> outputsWithSelector() {
    const auto tree = nlohmann::json::parse(
        ProgramRunner::run({"swaymsg", "-r", "-t", "get_tree"}, 5000), nullptr, false);
    std::function<bool(const nlohmann::json&)> holds = [&](const nlohmann::json& node) {
        if (node.value("name", nlohmann::json()) == "Ozmira" &&
            node.value("fullscreen_mode", 0) == 1)
            return true;
        for (const char* list : {"nodes", "floating_nodes"})
            for (const auto& child : node.value(list, nlohmann::json::array()))
                if (holds(child)) return true;
        return false;
    };
    std::set<std::string> found;
    if (tree.is_object())
        for (const auto& output : tree.value("nodes", nlohmann::json::array()))
            if (holds(output)) found.insert(output.value("name", ""));
    return found;
}

class WaylandMonitorsTest : public ServedProgramFixture, public ::testing::WithParamInterface<int> {
protected:
    static void SetUpTestSuite() {
        // sway's background program runs as sway's user: the pattern must be readable by it.
        folder = "/tmp/ozmira-pattern-XXXXXX";
        if (!mkdtemp(folder.data())) return;
        chmod(folder.c_str(), 0755);
        writePattern("second.png", kWidth, kHeight);
        writePattern("primary.png", kPrimaryWidth, kPrimaryHeight);
        sway("create_output");
        pointer = new LineProcess({VIRTUAL_POINTER});
        pointerReady = pointer->ready();
    }
    static void writePattern(const std::string& name, int width, int height) {
        codec::Image image;
        image.width = width;
        image.height = height;
        image.pitch = width * 4;
        image.storage.resize(std::size_t(width) * height * 4);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint8_t* px = image.storage.data() + y * image.pitch + x * 4;
                const std::uint32_t c = patternAt(x, y);
                px[0] = c & 0xff;
                px[1] = (c >> 8) & 0xff;
                px[2] = c >> 16;
                px[3] = 0xff;
            }
        }
        image.top = image.storage.data();
        std::string png;
        if (!codec::encode(image, codec::FileFormat::Png, png)) return;
        const std::string file = folder + "/" + name;
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out) return;
        std::fwrite(png.data(), 1, png.size(), out);
        std::fclose(out);
        chmod(file.c_str(), 0644);
    }
    static void TearDownTestSuite() {
        delete pointer;
        std::filesystem::remove_all(folder);
    }
    static inline std::string folder;
    static inline LineProcess* pointer = nullptr;
    static inline bool pointerReady = false;

    void SetUp() override {
        ASSERT_TRUE(std::getenv("SWAYSOCK") && !std::getenv("DISPLAY"))
            << "run under scripts/headless-wayland.sh";
        ServedProgramFixture::SetUp();
        ASSERT_TRUE(pointerReady);
        const int scale = GetParam();
        sway("output HEADLESS-1 position " + std::to_string(kWidth / scale) + " 0 bg " + folder +
             "/primary.png stretch");
        sway("output HEADLESS-2 resolution 1280x720 position 0 0 scale " + std::to_string(scale) +
             " bg " + folder + "/second.png stretch");
        // The main window floats over the primary's bottom right, out of the captures' way.
        sway("for_window [title=\"^OzmiraV3\\.9$\"] floating enable, move absolute position " +
             std::to_string(kWidth / scale + 1000) + " 500");
        sway("focus output HEADLESS-1");
        // The pointer would be part of the picture: it waits on the primary output's bottom.
        sway("seat seat0 cursor set " + std::to_string(kWidth / scale + 1900) + " 1060");
        ASSERT_TRUE(patternShown("HEADLESS-2", kWidth, kHeight));
        ASSERT_TRUE(patternShown("HEADLESS-1", kPrimaryWidth, 1000));
    }
    // Waits until the output shows the pattern (its top rows), read back through the
    // compositor.
    bool patternShown(const std::string& output, int width, int rows) {
        const std::string shot = dir.file("output.png");
        for (int i = 0; i < 100; ++i) {
            codec::Image image;
            int status = -1;
            ProgramRunner::run({"grim", "-o", output, shot}, 5000, &status);
            if (status == 0 && codec::decode(dir.read("output.png"), image) &&
                image.width == width && image.height >= rows) {
                image.height = rows;  // the pointer may lie below
                if (differenceFromPattern(image, 0, 0, width, rows) < 1) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Starts the program on the settings written, runs its coordinate capture (a 400 x 300
    // rectangle) and holds the JPEG it sends against the pattern from (left, top).
    void captureOnce(int left, int top, std::size_t before) {
        server.setOcrResult("text", {"captured"});
        startProgram();
        ASSERT_TRUE(program->click("按钮坐标截图"));
        EXPECT_EQ(program->waitFor("编辑框_源", "text", "captured", kWaitMs)["text"], "captured");
        const auto sent = recognitions();
        ASSERT_EQ(sent.size(), before + 1);
        codec::Image image;
        ASSERT_TRUE(decodeSent(sent.back().body, image));
        EXPECT_LT(differenceFromPattern(image, left, top, 400, 300), 4.0);
        EXPECT_EQ(program->close(), 0);
    }
    std::vector<RecordedRequest> recognitions() {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests())
            if (r.target.find("/ocr/") != std::string::npos) found.push_back(r);
        return found;
    }
};

TEST_P(WaylandMonitorsTest, CoordinateCapturesSendEachOutputsOwnPixels) {
    const struct {
        const char* coordinates;
        int left, top;  // on the output's pattern
    } cases[] = {{"-1000|100|-600|400", 280, 100}, {"100|200|500|500", 100, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.coordinates);
        const std::size_t before = recognitions().size();
        writeCp936("windows data.ini", std::string("[编辑框坐标]\n内容=") + c.coordinates + "\n");
        captureOnce(c.left, c.top, before);
    }
}

TEST_P(WaylandMonitorsTest, DragOnTheSecondOutputCapturesWhatItsCoordinatesName) {
    const int scale = GetParam();
    server.setOcrResult("text", {"dragged"});
    writeCp936("windows data.ini", "[选择框坐标同步]\n选中=真\n");
    startProgram();
    ASSERT_TRUE(program->click("按钮截图"));
    const std::set<std::string> both = {"HEADLESS-1", "HEADLESS-2"};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (outputsWithSelector() != both && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(outputsWithSelector(), both)
        << program->waitFor("状态条1", "labels", nullptr, 0).dump();
    // HEADLESS-2's device pixels 301, 201 to 541, 423, given in half pixels of the layout
    // (odd device pixels at scale 2).
    const int width = 2 * (kWidth / scale + kPrimaryWidth), height = 2 * kPrimaryHeight;
    ASSERT_TRUE(movePointer(*pointer, 2 * 301 / scale, 2 * 201 / scale, width, height));
    sway("seat seat0 cursor press button1");
    EXPECT_TRUE(movePointer(*pointer, 2 * 420 / scale, 2 * 300 / scale, width, height));
    EXPECT_TRUE(movePointer(*pointer, 2 * 541 / scale, 2 * 423 / scale, width, height));
    sway("seat seat0 cursor release button1");
    EXPECT_EQ(program->waitFor("编辑框坐标", "text", "-979|201|-739|423", kWaitMs)["text"],
              "-979|201|-739|423");
    EXPECT_EQ(program->waitFor("编辑框_源", "text", "dragged", kWaitMs)["text"], "dragged");
    const auto sent = recognitions();
    ASSERT_EQ(sent.size(), 1u);
    codec::Image image;
    ASSERT_TRUE(decodeSent(sent.back().body, image));
    EXPECT_LT(differenceFromPattern(image, 301, 201, 240, 222), 4.0);
    EXPECT_EQ(program->close(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, WaylandMonitorsTest, ::testing::Values(1, 2),
                         [](const auto& info) { return "Scale" + std::to_string(info.param); });

}  // namespace
