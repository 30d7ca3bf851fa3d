#pragma once
// The formats read and written through Qt's image plugins: PNG, TIFF (Debian's
// qt6-image-formats-plugins), reading GIF, and the BMP and JPEG variants that the
// backend's own readers leave aside.
#include <string>
#include <string_view>

#include "platform/codec.h"

class QtImageCodec {
public:
    // format is Qt's name of the one plugin to use ("png", "gif", "tiff", "bmp", "jpeg");
    // the content is never used to pick another.
    static bool decode(std::string_view file, const char* format, codec::Image& image,
                       std::int64_t maxPixels = codec::kMaxPixels);
    static bool encode(const codec::Image& image, const char* format, std::string& file);
};
