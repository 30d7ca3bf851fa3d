#pragma once
// Image files in memory (backend: platform/codec). Decoding takes untrusted bytes: a
// malformed, truncated or oversized file is refused with false, never with an exception,
// and nothing is allocated for an image beyond the size limits below.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace codec {

enum class FileFormat { Bmp, Jpeg, Gif, Tiff, Png };

// The largest image decode accepts: 64 megapixels (256 MB of pixels), at most 65,500
// pixels a side (JPEG's own limit). Far beyond any screen, far below a hostile header.
inline constexpr std::int64_t kMaxPixels = std::int64_t{64} * 1024 * 1024;
inline constexpr std::int64_t kMaxSide = 65500;

// True when an image of that size is within the limits above, or the lower pixel limit
// given, and is not empty.
bool acceptableSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels = kMaxPixels);

// 32-bit pixels, four bytes each in the order blue, green, red, alpha (the alpha byte is
// meaningless unless hasAlpha). Row y starts at top + y * pitch. For an uncompressed 32-bit
// BMP the image borrows the file's own rows instead of copying them (pitch is then
// negative for the usual bottom-up rows), so the file bytes must outlive it; otherwise
// the pixels live in storage. Move-only, since top may point into storage.
struct Image {
    Image() = default;
    Image(Image&&) = default;
    Image& operator=(Image&&) = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    const std::uint8_t* top = nullptr;
    std::ptrdiff_t pitch = 0;
    std::vector<std::uint8_t> storage;
};

// Decodes a BMP, JPEG, PNG, GIF (first frame) or TIFF file, told apart by its content.
// False, with image untouched, for anything else and for any image that is malformed,
// truncated, empty or beyond the limits. A caller that wants less than kMaxPixels passes
// its own limit, which is checked against the header before any pixel is allocated.
bool decode(std::string_view file, Image& image, std::int64_t maxPixels = kMaxPixels);

// Encodes the image into a complete file: BMP as 32 bits per pixel, bottom-up rows;
// JPEG with 4:2:0 chroma subsampling at quality 80; GIF with the image's own colours when
// it has at most 256, otherwise a median-cut palette of 256; TIFF and PNG lossless. False,
// with file untouched, when the image is empty or the format cannot hold its size.
bool encode(const Image& image, FileFormat format, std::string& file);

// The JPEG that encode gives, made in horizontal stripes that several threads can encode at
// once: a restart marker between two stripes lets each one's data start afresh, so the
// joined file decodes to exactly the pixels of encode's. The image's rows must stay put
// until the last stripe is encoded.
class JpegStripes {
public:
    explicit JpegStripes(const Image& image);
    ~JpegStripes();
    JpegStripes(const JpegStripes&) = delete;
    JpegStripes& operator=(const JpegStripes&) = delete;

    // 0 when the image cannot be a JPEG (empty, or a side beyond the limits).
    int count() const { return m_count; }
    // Encodes one stripe; different stripes may be encoded on different threads at once.
    bool encode(int index);
    // The whole file once every stripe was encoded, written into file's own storage; false,
    // with file untouched, when one failed or is missing.
    bool join(std::string& file) const;

    struct Part;  // one stripe's file

private:
    const Image& m_image;
    int m_count = 0;
    int m_rows = 0;  // pixel rows of every stripe but the last
    std::vector<Part> m_parts;
    std::unique_ptr<bool[]> m_done;
};

}  // namespace codec
