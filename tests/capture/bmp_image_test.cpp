#include "capture/bmp_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t u16(const Bytes& b, size_t at) {
    return std::uint8_t(b[at]) | std::uint32_t(std::uint8_t(b[at + 1])) << 8;
}
std::uint32_t u32(const Bytes& b, size_t at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}
void put32(Bytes& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xff);
}

// Every pixel distinct: red the column, green the row, blue a mix of both.
std::uint32_t colour(int x, int y) {
    return 0xff000000u | std::uint32_t(x & 0xff) << 16 | std::uint32_t(y & 0xff) << 8 |
           std::uint32_t((x * 7 + y * 3) & 0xff);
}

platform::ScreenImage picture(int w, int h) {
    platform::ScreenImage image{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.pixels.push_back(colour(x, y));
    return image;
}

// A hand-made file in another layout than the one encode writes.
Bytes handMade(int w, int h, int bpp, bool topDown) {
    const size_t stride = size_t((w * bpp + 31) / 32 * 4);
    Bytes b(54 + stride * h, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, std::uint32_t(b.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, std::uint32_t(w));
    put32(b, 22, std::uint32_t(topDown ? -h : h));
    b[26] = 1;
    b[28] = char(bpp);
    for (int y = 0; y < h; ++y) {
        const size_t row = 54 + stride * size_t(topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            char* p = &b[row + size_t(x) * (bpp / 8)];
            p[0] = char(c & 0xff);
            p[1] = char((c >> 8) & 0xff);
            p[2] = char((c >> 16) & 0xff);
        }
        // Padding bytes carry junk that must not matter.
        for (size_t i = size_t(w) * (bpp / 8); i < stride; ++i) b[row + i] = char(0xee);
    }
    return b;
}

TEST(BmpImageTest, HeaderFieldsOfA32BitFile) {
    const struct { int w, h; } sizes[] = {{1, 1}, {2, 3}, {5, 4}, {640, 480}, {1920, 1}};
    for (const auto& s : sizes) {
        const Bytes b = BmpImage::encode(picture(s.w, s.h));
        const std::uint32_t fileSize = 54 + 4 * std::uint32_t(s.w * s.h);
        ASSERT_EQ(b.size(), fileSize) << s.w << "x" << s.h;
        EXPECT_EQ(b.substr(0, 2), "BM");
        EXPECT_EQ(u32(b, 2), fileSize);
        EXPECT_EQ(u16(b, 6), 0u);
        EXPECT_EQ(u16(b, 8), 0u);
        EXPECT_EQ(u32(b, 10), 54u);
        EXPECT_EQ(u32(b, 14), 40u);
        EXPECT_EQ(u32(b, 18), std::uint32_t(s.w));
        EXPECT_EQ(u32(b, 22), std::uint32_t(s.h));
        EXPECT_EQ(u16(b, 26), 1u);
        EXPECT_EQ(u16(b, 28), 32u);
        EXPECT_EQ(u32(b, 30), 0u);
        EXPECT_EQ(b.substr(34, 20), Bytes(20, '\0'));
    }
}

TEST(BmpImageTest, RowsAreStoredBottomRowFirstAsBlueGreenRedZero) {
    const int w = 3, h = 2;
    const Bytes b = BmpImage::encode(picture(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t at = 54 + size_t(h - 1 - y) * w * 4 + size_t(x) * 4;
            const std::uint32_t c = colour(x, y);
            EXPECT_EQ(std::uint8_t(b[at]), c & 0xff) << x << "," << y;
            EXPECT_EQ(std::uint8_t(b[at + 1]), (c >> 8) & 0xff) << x << "," << y;
            EXPECT_EQ(std::uint8_t(b[at + 2]), (c >> 16) & 0xff) << x << "," << y;
            EXPECT_EQ(std::uint8_t(b[at + 3]), 0) << x << "," << y;
        }
    }
}

TEST(BmpImageTest, RectangleIsCutOutAndBlackBeyondTheImage) {
    const platform::ScreenImage image = picture(40, 30);
    const struct {
        const char* name;
        int left, top, w, h;
    } cases[] = {
        {"inside", 5, 7, 10, 6},
        {"whole", 0, 0, 40, 30},
        {"over the left and top edges", -3, -2, 8, 5},
        {"over the right and bottom edges", 35, 26, 10, 8},
        {"around the image", -1, -1, 42, 32},
        {"entirely outside", 50, 40, 4, 4},
        {"entirely before", -10, -10, 5, 5},
    };
    for (const auto& c : cases) {
        platform::ScreenImage cut;
        const Bytes file = BmpImage::encode(image, c.left, c.top, c.w, c.h);
        ASSERT_TRUE(BmpImage::decode(file, cut)) << c.name;
        // The fourth byte of every pixel is zero, inside the image and beyond it.
        for (size_t at = 54 + 3; at < file.size(); at += 4)
            ASSERT_EQ(file[at], 0) << c.name << " at byte " << at;
        ASSERT_EQ(cut.width, c.w) << c.name;
        ASSERT_EQ(cut.height, c.h) << c.name;
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x) {
                const int sx = c.left + x, sy = c.top + y;
                const bool inside = sx >= 0 && sy >= 0 && sx < 40 && sy < 30;
                ASSERT_EQ(cut.at(x, y), inside ? colour(sx, sy) : 0xff000000u)
                    << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(BmpImageTest, EmptyOrOversizedRectangleGivesNoFile) {
    const platform::ScreenImage image = picture(4, 4);
    const struct {
        int w, h;
    } cases[] = {{0, 4}, {4, 0}, {0, 0}, {-1, 4}, {4, -3}, {70000, 1}, {1, 70000}, {9000, 9000}};
    for (const auto& c : cases)
        EXPECT_TRUE(BmpImage::encode(image, 0, 0, c.w, c.h).empty()) << c.w << "x" << c.h;
    EXPECT_TRUE(BmpImage::encode(platform::ScreenImage{}).empty());
}

TEST(BmpImageTest, ReadsOtherUncompressedLayouts) {
    const struct {
        const char* name;
        int w, h, bpp;
        bool topDown;
    } cases[] = {
        {"24-bit bottom-up with padding", 3, 4, 24, false},
        {"24-bit top-down", 5, 2, 24, true},
        {"32-bit top-down", 4, 3, 32, true},
        {"32-bit bottom-up", 2, 5, 32, false},
    };
    for (const auto& c : cases) {
        platform::ScreenImage image;
        ASSERT_TRUE(BmpImage::decode(handMade(c.w, c.h, c.bpp, c.topDown), image)) << c.name;
        ASSERT_EQ(image.width, c.w) << c.name;
        ASSERT_EQ(image.height, c.h) << c.name;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                EXPECT_EQ(image.at(x, y), colour(x, y)) << c.name << " at " << x << "," << y;
    }
}

TEST(BmpImageTest, RefusesMalformedFilesAndLeavesTheImageAlone) {
    const Bytes good = handMade(3, 2, 24, false);
    auto with = [&](size_t at, std::uint32_t value, int bytes) {
        Bytes b = good;
        for (int i = 0; i < bytes; ++i) b[at + i] = char((value >> (8 * i)) & 0xff);
        return b;
    };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"header only half there", good.substr(0, 40)},
        {"rows cut short", good.substr(0, good.size() - 1)},
        {"wrong signature", with(0, 'B' | 'A' << 8, 2)},
        {"8 bits per pixel", with(28, 8, 2)},
        {"16 bits per pixel", with(28, 16, 2)},
        {"run-length compressed", with(30, 1, 4)},
        {"bit fields", with(30, 3, 4)},
        {"two planes", with(26, 2, 2)},
        {"zero width", with(18, 0, 4)},
        {"zero height", with(22, 0, 4)},
        {"negative width", with(18, std::uint32_t(-3), 4)},
        {"width beyond the limit", with(18, 70000, 4)},
        {"too many pixels", with(18, 60000, 4)},
        {"short information header", with(14, 12, 4)},
        {"pixels before the header's end", with(10, 20, 4)},
        {"pixels beyond the file", with(10, 0x7fffffff, 4)},
    };
    for (const auto& c : cases) {
        platform::ScreenImage image{1, 1, {0xff123456u}};
        EXPECT_FALSE(BmpImage::decode(c.file, image)) << c.name;
        EXPECT_EQ(image.width, 1) << c.name;
        EXPECT_EQ(image.pixels, std::vector<std::uint32_t>{0xff123456u}) << c.name;
    }
    platform::ScreenImage image;
    EXPECT_TRUE(BmpImage::decode(good, image));
}

}  // namespace
