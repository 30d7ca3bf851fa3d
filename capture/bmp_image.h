#pragma once
// BMP files as the captures hand them on: a 54-byte header ("BM", file size, offset 54, a
// 40-byte information header with positive height, 1 plane, 32 bits per pixel, no
// compression, the remaining fields 0) followed by the rows, bottom row first.
#include <cstdint>
#include <string_view>

#include "text/text_tools.h"
#include "platform/screen.h"

class BmpImage {
public:
    static constexpr int kHeaderSize = 54;
    static constexpr int kInfoHeaderSize = 40;
    static constexpr int kBitsPerPixel = 32;
    // Nothing a screen produces comes near these; a hostile header cannot make decode
    // allocate more.
    static constexpr std::int64_t kMaxSide = 65500;
    static constexpr std::int64_t kMaxPixels = std::int64_t{64} * 1024 * 1024;

    // Bytes in one row of the file at that depth, padded to a multiple of 4.
    static std::int64_t stride(std::int64_t width, int bitsPerPixel);

    // The whole image as a file; empty bytes for an empty image.
    static Bytes encode(const platform::ScreenImage& image);
    // The rectangle of the image as a file; what lies outside the image is black. Empty
    // bytes when the rectangle is empty or beyond the size limits.
    static Bytes encode(const platform::ScreenImage& image, int left, int top, int width,
                        int height);

    // Reads an uncompressed file with 24 or 32 bits per pixel, rows in either order. False,
    // with image untouched, for anything else and for a truncated or oversized file.
    static bool decode(std::string_view file, platform::ScreenImage& image);

private:
    static void writeHeader(char* out, int width, int height);
};
