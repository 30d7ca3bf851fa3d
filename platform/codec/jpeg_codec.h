#pragma once
// JPEG through libjpeg-turbo: the hot path of every recognition, so the encoder reads the
// image's rows where they lie (a captured BMP's own bottom-up rows) without a copy.
#include <string>
#include <string_view>

#include "platform/codec.h"
#include "platform/codec/decode_outcome.h"

class JpegCodec {
public:
    static constexpr int kQuality = 80;

    // 4:2:0 chroma subsampling at kQuality. False when the library refuses the image.
    static bool encode(const codec::Image& image, std::string& file);
    // Refused for malformed, truncated or oversized data (any library warning counts);
    // OtherVariant for CMYK files, which the library cannot turn into RGB.
    static DecodeOutcome decode(std::string_view file, codec::Image& image,
                                std::int64_t maxPixels = codec::kMaxPixels);
};
