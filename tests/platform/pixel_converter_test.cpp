#include "platform/x11/pixel_converter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Row = std::vector<std::uint8_t>;

struct FormatCase {
    const char* name;
    PixelConverter::Format format;
    Row in;
    // Blue, green, red and the fourth byte of each pixel.
    Row out;
};

TEST(PixelConverterTest, ConvertsTrueColourFormatsToBlueGreenRedX) {
    const FormatCase cases[] = {
        {"32-bit, low byte first",
         {32, false, 0xff0000, 0x00ff00, 0x0000ff},
         {0x11, 0x22, 0x33, 0x99, 0xfe, 0x00, 0x01, 0x00},
         {0x11, 0x22, 0x33, 0xaa, 0xfe, 0x00, 0x01, 0xaa}},
        {"32-bit, high byte first",
         {32, true, 0xff0000, 0x00ff00, 0x0000ff},
         {0x99, 0x33, 0x22, 0x11},
         {0x11, 0x22, 0x33, 0xaa}},
        {"32-bit with red in the low byte",
         {32, false, 0x0000ff, 0x00ff00, 0xff0000},
         {0x11, 0x22, 0x33, 0x00},
         {0x33, 0x22, 0x11, 0xaa}},
        {"24-bit packed, low byte first",
         {24, false, 0xff0000, 0x00ff00, 0x0000ff},
         {0x11, 0x22, 0x33, 0x44, 0x55, 0x66},
         {0x11, 0x22, 0x33, 0xaa, 0x44, 0x55, 0x66, 0xaa}},
        {"24-bit packed, high byte first",
         {24, true, 0xff0000, 0x00ff00, 0x0000ff},
         {0x33, 0x22, 0x11},
         {0x11, 0x22, 0x33, 0xaa}},
        // 5-6-5: full channels become 255, empty ones 0.
        {"16-bit 565",
         {16, false, 0xf800, 0x07e0, 0x001f},
         {0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00, 0xff, 0xff},
         {0x00, 0x00, 0xff, 0xaa, 0x00, 0xff, 0x00, 0xaa, 0xff, 0x00, 0x00, 0xaa, 0xff, 0xff, 0xff,
          0xaa}},
        {"16-bit 565, middle values rounded",
         {16, true, 0xf800, 0x07e0, 0x001f},
         // red 16 of 31, green 32 of 63, blue 1 of 31
         {0x84, 0x01},
         {0x08, 0x82, 0x84, 0xaa}},
        {"15-bit 555 in 16-bit pixels",
         {16, false, 0x7c00, 0x03e0, 0x001f},
         {0x00, 0x7c},
         {0x00, 0x00, 0xff, 0xaa}},
        {"30-bit, ten bits a channel",
         {32, false, 0x3ff00000, 0x000ffc00, 0x000003ff},
         {0xff, 0x03, 0xf0, 0x3f},
         {0xff, 0x00, 0xff, 0xaa}},
    };
    for (const auto& c : cases) {
        const PixelConverter converter(c.format);
        ASSERT_TRUE(converter.supported()) << c.name;
        const int count = int(c.out.size() / 4);
        Row out(c.out.size(), 0x5a);
        converter.convertRow(c.in.data(), count, out.data(), 0xaa);
        EXPECT_EQ(out, c.out) << c.name;
    }
}

TEST(PixelConverterTest, RefusesWhatIsNotTrueColour) {
    const struct {
        const char* name;
        PixelConverter::Format format;
    } cases[] = {
        {"8-bit palette", {8, false, 0, 0, 0}},
        {"no masks", {32, false, 0, 0, 0}},
        {"a mask missing", {32, false, 0xff0000, 0, 0xff}},
        {"mask with a hole", {32, false, 0xf0f000, 0xff00, 0xff}},
        {"odd pixel size", {12, false, 0xf00, 0x0f0, 0x00f}},
    };
    for (const auto& c : cases) EXPECT_FALSE(PixelConverter(c.format).supported()) << c.name;
}

}  // namespace
