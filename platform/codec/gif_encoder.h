#pragma once
// GIF89a writer (Qt reads GIF but cannot write it). One frame, one global colour table:
// the image's own colours when it has at most 256, so such images survive exactly,
// otherwise 256 colours chosen by median cut. Alpha is not kept.
#include <string>

#include "platform/codec.h"

class GifEncoder {
public:
    // False when the image is empty or larger than GIF's 65,535 pixels a side.
    static bool encode(const codec::Image& image, std::string& file);
};
