#include "platform/x11/x11_screen.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "x11_pattern_window.h"

namespace {

std::uint32_t u16(const std::string& b, size_t at) {
    return std::uint8_t(b[at]) | std::uint32_t(std::uint8_t(b[at + 1])) << 8;
}
std::uint32_t u32(const std::string& b, size_t at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}

// Pixel (x, y), counted from the top, of a 32-bit bottom-up BMP, as 0xRRGGBB.
std::uint32_t bmpPixel(const std::string& bmp, int x, int y) {
    const int w = int(u32(bmp, 18)), h = int(u32(bmp, 22));
    const size_t at = 54 + size_t(h - 1 - y) * w * 4 + size_t(x) * 4;
    return std::uint32_t(std::uint8_t(bmp[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(bmp[at + 1])) << 8 | std::uint8_t(bmp[at]);
}

struct RootSize {
    int width = 0, height = 0;
};

// The root window's size, asked over a connection of the test's own.
RootSize rootSize() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    RootSize size;
    if (!xcb_connection_has_error(c)) {
        const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        size = {s->width_in_pixels, s->height_in_pixels};
    }
    xcb_disconnect(c);
    return size;
}

const char* transferName(X11Screen::Transfer t) {
    return t == X11Screen::Transfer::PlainGetImage ? "GetImage" : "shared memory";
}

class X11ScreenTest : public ::testing::TestWithParam<X11Screen::Transfer> {
protected:
    static void SetUpTestSuite() {
        if (!std::getenv("DISPLAY")) return;
        root = rootSize();
        const int w = 64, h = 48;
        windows.clear();
        windows.push_back(std::make_unique<X11PatternWindow>(100, 50, w, h));
        windows.push_back(std::make_unique<X11PatternWindow>(0, 0, w, h));
        windows.push_back(
            std::make_unique<X11PatternWindow>(root.width - w, root.height - h, w, h));
        shown = true;
        for (auto& window : windows) shown = shown && window->show();
    }
    static void TearDownTestSuite() {
        for (auto& window : windows) window.reset();
    }
    void SetUp() override {
        if (!shown) GTEST_SKIP() << "needs a 24-bit X server on $DISPLAY";
        screen = std::make_unique<X11Screen>(GetParam());
        ASSERT_TRUE(screen->connected());
    }

    // Checks the captured rectangle against the windows: pattern where a window is, black
    // beyond the screen.
    void expectPixels(const std::string& bmp, int left, int top, int w, int h) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int sx = left + x, sy = top + y;
                std::uint32_t expected = 0;
                bool known = sx < 0 || sy < 0 || sx >= root.width || sy >= root.height;
                for (auto& win : windows) {
                    if (sx >= win->left() && sx < win->left() + win->width() && sy >= win->top() &&
                        sy < win->top() + win->height()) {
                        expected = win->colourAt(sx - win->left(), sy - win->top());
                        known = true;
                    }
                }
                if (!known) continue;
                ASSERT_EQ(bmpPixel(bmp, x, y), expected)
                    << transferName(GetParam()) << " at " << x << "," << y;
            }
        }
    }

    static inline RootSize root;
    static inline std::vector<std::unique_ptr<X11PatternWindow>> windows;
    static inline bool shown = false;
    std::unique_ptr<X11Screen> screen;
};

TEST_P(X11ScreenTest, SizeIsThePrimaryScreen) {
    const platform::ScreenSize size = screen->size();
    EXPECT_EQ(size.width, root.width);
    EXPECT_EQ(size.height, root.height);
}

TEST_P(X11ScreenTest, TransfersThroughSharedMemoryWhereAskedTo) {
    // Xvfb offers MIT-SHM to local clients.
    EXPECT_EQ(screen->usesSharedMemory(), GetParam() != X11Screen::Transfer::PlainGetImage);
    screen->capture(0, 0, 10, 10);
    EXPECT_EQ(screen->usesSharedMemory(), GetParam() != X11Screen::Transfer::PlainGetImage);
}

TEST_P(X11ScreenTest, CaptureIsA32BitBottomUpBmpOfTheRectangle) {
    const struct {
        const char* name;
        int left, top, w, h;
    } cases[] = {
        {"the window", 100, 50, 64, 48},
        {"inside the window", 110, 60, 33, 17},
        {"one pixel", 163, 97, 1, 1},
        {"around the window", 90, 40, 90, 70},
        {"over the top-left corner of the screen", -20, -10, 50, 40},
        {"over the bottom-right corner", root.width - 32, root.height - 24, 64, 48},
        {"entirely beyond the screen", root.width + 5, 10, 8, 8},
    };
    for (const auto& c : cases) {
        const std::string bmp = screen->capture(c.left, c.top, c.w, c.h);
        const std::uint32_t fileSize = 54 + 4 * std::uint32_t(c.w * c.h);
        ASSERT_EQ(bmp.size(), fileSize) << c.name;
        EXPECT_EQ(bmp.substr(0, 2), "BM") << c.name;
        EXPECT_EQ(u32(bmp, 2), fileSize) << c.name;
        EXPECT_EQ(u32(bmp, 6), 0u) << c.name;
        EXPECT_EQ(u32(bmp, 10), 54u) << c.name;
        EXPECT_EQ(u32(bmp, 14), 40u) << c.name;
        EXPECT_EQ(u32(bmp, 18), std::uint32_t(c.w)) << c.name;
        EXPECT_EQ(u32(bmp, 22), std::uint32_t(c.h)) << c.name;
        EXPECT_EQ(u16(bmp, 26), 1u) << c.name;
        EXPECT_EQ(u16(bmp, 28), 32u) << c.name;
        EXPECT_EQ(u32(bmp, 30), 0u) << c.name;
        EXPECT_EQ(bmp.substr(34, 20), std::string(20, '\0')) << c.name;
        expectPixels(bmp, c.left, c.top, c.w, c.h);
    }
}

TEST_P(X11ScreenTest, EmptyRectangleGivesNoBytes) {
    const struct { int w, h; } cases[] = {{0, 10}, {10, 0}, {-5, 10}, {10, -5}, {70000, 10}};
    for (const auto& c : cases) EXPECT_TRUE(screen->capture(0, 0, c.w, c.h).empty()) << c.w;
}

TEST_P(X11ScreenTest, SnapshotIsTheWholeScreenTopRowFirst) {
    const platform::ScreenImage image = screen->snapshot();
    ASSERT_EQ(image.width, root.width);
    ASSERT_EQ(image.height, root.height);
    ASSERT_EQ(image.pixels.size(), size_t(root.width) * root.height);
    for (auto& win : windows) {
        for (int y = 0; y < win->height(); ++y)
            for (int x = 0; x < win->width(); ++x)
                ASSERT_EQ(image.at(win->left() + x, win->top() + y),
                          0xff000000u | win->colourAt(x, y))
                    << x << "," << y;
    }
}

// Shared-memory segments this process has attached (System V mappings).
int attachedSegments() {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        count += line.find("SYSV") != std::string::npos;
    return count;
}

TEST_P(X11ScreenTest, NoSegmentStaysAttachedAfterACapture) {
    // Nothing else in this test program attaches one.
    EXPECT_FALSE(screen->capture(0, 0, root.width, root.height).empty());
    EXPECT_EQ(attachedSegments(), 0);
    EXPECT_FALSE(screen->snapshot().empty());
    EXPECT_EQ(attachedSegments(), 0);
    // The next capture still goes through shared memory where it went before.
    EXPECT_EQ(screen->usesSharedMemory(), GetParam() != X11Screen::Transfer::PlainGetImage);
}

INSTANTIATE_TEST_SUITE_P(Transfers, X11ScreenTest,
                         ::testing::Values(X11Screen::Transfer::SharedMemoryWhereOffered,
                                           X11Screen::Transfer::PlainGetImage),
                         [](const auto& info) {
                             return std::string(info.param == X11Screen::Transfer::PlainGetImage
                                                    ? "GetImage"
                                                    : "SharedMemory");
                         });

TEST(X11ScreenWithoutServerTest, EverythingIsEmpty) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    setenv("DISPLAY", ":9731", 1);
    X11Screen screen;
    if (display) {
        setenv("DISPLAY", saved.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    EXPECT_FALSE(screen.connected());
    EXPECT_EQ(screen.size(), (platform::ScreenSize{0, 0}));
    EXPECT_TRUE(screen.capture(0, 0, 10, 10).empty());
    EXPECT_TRUE(screen.snapshot().empty());
}

}  // namespace
