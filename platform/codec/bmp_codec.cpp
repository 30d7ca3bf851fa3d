#include "platform/codec/bmp_codec.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kInfoHeaderSize = 40;
constexpr std::int64_t kCoreHeaderSize = 12;  // OS/2
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t u32(std::string_view bytes, std::int64_t at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + at;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t u16(std::string_view bytes, std::int64_t at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void put32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(value >> shift & 0xFF);
}

void put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

// Bit fields that are plain blue-green-red bytes can be read like uncompressed rows.
bool plainBitFields(std::string_view file) {
    // After a 40-byte header the masks follow it; longer headers hold them at the same place.
    const std::int64_t masks = kFileHeaderSize + kInfoHeaderSize;
    if (static_cast<std::int64_t>(file.size()) < masks + 12) return false;
    return u32(file, masks) == 0x00FF0000 && u32(file, masks + 4) == 0x0000FF00 &&
           u32(file, masks + 8) == 0x000000FF;
}

}  // namespace

DecodeOutcome BmpCodec::decode(std::string_view file, codec::Image& image,
                                std::int64_t maxPixels) {
    const auto size = static_cast<std::int64_t>(file.size());
    if (size < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        return DecodeOutcome::Refused;
    }
    const std::int64_t headerSize = u32(file, kFileHeaderSize);
    if (headerSize == kCoreHeaderSize) return DecodeOutcome::OtherVariant;
    if (headerSize < kInfoHeaderSize || kFileHeaderSize + headerSize > size) {
        return DecodeOutcome::Refused;
    }
    const std::int64_t width = static_cast<std::int32_t>(u32(file, 18));
    const std::int64_t rawHeight = static_cast<std::int32_t>(u32(file, 22));
    const int bitsPerPixel = u16(file, 28);
    const std::uint32_t compression = u32(file, 30);
    const std::int64_t height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (!codec::acceptableSize(width, height, maxPixels)) return DecodeOutcome::Refused;

    const bool rgb =
        compression == kRgb && (bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32);
    const bool fields = compression == kBitFields && bitsPerPixel == 32 && plainBitFields(file);
    if (!rgb && !fields) return DecodeOutcome::OtherVariant;

    const std::int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    const std::int64_t offset = u32(file, 10);
    // Every row must be there: a truncated capture is refused, not padded.
    if (offset < kFileHeaderSize + headerSize || offset > size || stride * height > size - offset) {
        return DecodeOutcome::Refused;
    }
    const auto* rows = reinterpret_cast<const std::uint8_t*>(file.data()) + offset;
    const bool bottomUp = rawHeight > 0;

    codec::Image decoded;
    decoded.width = static_cast<int>(width);
    decoded.height = static_cast<int>(height);
    if (bitsPerPixel == 32) {
        decoded.top = bottomUp ? rows + (height - 1) * stride : rows;
        decoded.pitch = bottomUp ? -stride : stride;
        image = std::move(decoded);
        return DecodeOutcome::Decoded;
    }

    std::uint8_t palette[256][4] = {};
    if (bitsPerPixel == 8) {
        const std::int64_t colours = u32(file, 46) == 0 ? 256 : u32(file, 46);
        const std::int64_t at = kFileHeaderSize + headerSize;
        if (colours > 256 || at + colours * 4 > offset) return DecodeOutcome::Refused;
        std::memcpy(palette, file.data() + at, static_cast<size_t>(colours * 4));
    }
    decoded.storage.resize(static_cast<size_t>(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* in = rows + (bottomUp ? height - 1 - y : y) * stride;
        std::uint8_t* out = decoded.storage.data() + y * width * 4;
        for (std::int64_t x = 0; x < width; ++x, out += 4) {
            // An index past a short palette reads as black, as it does in the palette's
            // zero-filled tail.
            const std::uint8_t* bgr = bitsPerPixel == 8 ? palette[in[x]] : in + x * 3;
            out[0] = bgr[0];
            out[1] = bgr[1];
            out[2] = bgr[2];
            out[3] = 0xFF;
        }
    }
    decoded.top = decoded.storage.data();
    decoded.pitch = width * 4;
    image = std::move(decoded);
    return DecodeOutcome::Decoded;
}

void BmpCodec::encode(const codec::Image& image, std::string& file) {
    const auto rowBytes = static_cast<std::uint32_t>(image.width) * 4;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    constexpr std::uint32_t kOffset = kFileHeaderSize + kInfoHeaderSize;
    file.clear();
    file.reserve(kOffset + pixelBytes);
    file += "BM";
    put32(file, kOffset + pixelBytes);
    put32(file, 0);  // two reserved words
    put32(file, kOffset);
    put32(file, kInfoHeaderSize);
    put32(file, static_cast<std::uint32_t>(image.width));
    put32(file, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
    put16(file, 1);                                         // planes
    put16(file, 32);
    put32(file, kRgb);
    put32(file, pixelBytes);
    for (int i = 0; i < 4; ++i) put32(file, 0);  // resolutions and colour counts
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t* row = image.top + y * image.pitch;
        file.append(reinterpret_cast<const char*>(row), rowBytes);
    }
}
