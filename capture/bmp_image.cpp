#include "capture/bmp_image.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

void put16(char* out, std::uint16_t value) {
    out[0] = char(value & 0xff);
    out[1] = char(value >> 8);
}

void put32(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = char((value >> (8 * i)) & 0xff);
}

std::uint32_t get16(std::string_view in, size_t at) {
    return std::uint32_t(std::uint8_t(in[at])) | std::uint32_t(std::uint8_t(in[at + 1])) << 8;
}

std::uint32_t get32(std::string_view in, size_t at) {
    return get16(in, at) | get16(in, at + 2) << 16;
}

// One row of pixels as blue, green, red and a zero byte each: the words of the image with
// the alpha byte cleared, which the compiler turns into a vector loop over the whole row.
void copyRow(const std::uint32_t* source, std::int64_t count, char* out) {
    for (std::int64_t x = 0; x < count; ++x) {
        std::uint32_t pixel = source[x] & 0x00ffffffu;
        if constexpr (std::endian::native == std::endian::big) pixel = __builtin_bswap32(pixel);
        std::memcpy(out + x * 4, &pixel, 4);
    }
}

bool withinLimits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= BmpImage::kMaxSide && height <= BmpImage::kMaxSide &&
           width * height <= BmpImage::kMaxPixels;
}

}  // namespace

std::int64_t BmpImage::stride(std::int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

void BmpImage::writeHeader(char* out, int width, int height) {
    const auto rows = std::uint32_t(stride(width, kBitsPerPixel) * height);
    std::memset(out, 0, kHeaderSize);
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, kHeaderSize + rows);
    put32(out + 10, kHeaderSize);
    put32(out + 14, kInfoHeaderSize);
    put32(out + 18, std::uint32_t(width));
    put32(out + 22, std::uint32_t(height));
    put16(out + 26, 1);
    put16(out + 28, kBitsPerPixel);
}

Bytes BmpImage::encode(const platform::ScreenImage& image) {
    return encode(image, 0, 0, image.width, image.height);
}

Bytes BmpImage::encode(const platform::ScreenImage& image, int left, int top, int width,
                       int height) {
    if (!withinLimits(width, height)) return {};
    const std::int64_t rowBytes = stride(width, kBitsPerPixel);
    Bytes file(size_t(kHeaderSize + rowBytes * height), '\0');
    writeHeader(file.data(), width, height);

    // Only the part that overlaps the image is copied; the rest stays zero, which is black.
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{left} + width, image.width);
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{top} + height, image.height);
    for (std::int64_t y = y0; y < y1; ++y) {
        // The file keeps the bottom row first.
        char* row = file.data() + kHeaderSize + (height - 1 - (y - top)) * rowBytes;
        copyRow(image.pixels.data() + y * image.width + x0, x1 - x0, row + (x0 - left) * 4);
    }
    return file;
}

bool BmpImage::decode(std::string_view file, platform::ScreenImage& image) {
    if (file.size() < size_t(kHeaderSize) || file[0] != 'B' || file[1] != 'M') return false;
    const std::uint32_t offset = get32(file, 10);
    const std::uint32_t infoSize = get32(file, 14);
    if (infoSize < kInfoHeaderSize || offset < 14 + std::uint64_t{infoSize}) return false;
    const auto width = std::int64_t(std::int32_t(get32(file, 18)));
    const auto rawHeight = std::int64_t(std::int32_t(get32(file, 22)));
    const std::uint32_t planes = get16(file, 26);
    const std::uint32_t bpp = get16(file, 28);
    const std::uint32_t compression = get32(file, 30);
    if (planes != 1 || (bpp != 24 && bpp != 32) || compression != 0) return false;
    // A negative height stores the top row first.
    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;
    if (!withinLimits(width, height)) return false;
    const std::int64_t rowBytes = stride(width, int(bpp));
    if (std::uint64_t{offset} + std::uint64_t(rowBytes * height) > file.size()) return false;

    platform::ScreenImage decoded;
    decoded.width = int(width);
    decoded.height = int(height);
    decoded.pixels.resize(size_t(width * height));
    const size_t step = bpp / 8;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t fileRow = topDown ? y : height - 1 - y;
        const auto* row =
            reinterpret_cast<const std::uint8_t*>(file.data()) + offset + fileRow * rowBytes;
        std::uint32_t* out = decoded.pixels.data() + y * width;
        for (std::int64_t x = 0; x < width; ++x, row += step)
            out[x] =
                0xff000000u | std::uint32_t(row[2]) << 16 | std::uint32_t(row[1]) << 8 | row[0];
    }
    image = std::move(decoded);
    return true;
}
