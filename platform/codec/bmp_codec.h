#pragma once
// Windows bitmaps. The reader covers what screen captures and common tools write:
// uncompressed 8-bit paletted, 24-bit and 32-bit rows, bottom-up or top-down, and 32-bit
// bit fields in the usual blue-green-red order. 32-bit rows are borrowed, not copied, so
// a capture goes to the JPEG encoder untouched.
#include <string>
#include <string_view>

#include "platform/codec.h"
#include "platform/codec/decode_outcome.h"

class BmpCodec {
public:
    // Refused for a malformed, truncated, empty or oversized bitmap; OtherVariant for a
    // well-formed header of a kind not covered here (RLE, 16 bits, OS/2 headers).
    static DecodeOutcome decode(std::string_view file, codec::Image& image,
                                std::int64_t maxPixels = codec::kMaxPixels);
    // 32 bits per pixel, bottom-up, the 54-byte header of a screen capture.
    static void encode(const codec::Image& image, std::string& file);
};
