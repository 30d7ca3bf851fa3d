// Decodes an image file as the program opens one (BMP and JPEG by our own code, PNG through
// Qt), then encodes what it decoded into BMP and JPEG and decodes the BMP again: the
// pixels come back. The JPEG made in stripes decodes to the pixels of the one made whole.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    codec::Image image;
    // A fuzzer's image stays small, refused at its header: a few bytes can claim the full
    // limit's 256 MB, which the readers' own working memory multiplies past the fuzzer's
    // memory cap. The full limit is tested on its own.
    if (!codec::decode(file, image, 1 << 20)) return 0;
    std::string bmp, jpeg;
    if (!codec::encode(image, codec::FileFormat::Bmp, bmp)) std::abort();
    const bool whole = codec::encode(image, codec::FileFormat::Jpeg, jpeg);
    codec::JpegStripes stripes(image);
    for (int i = stripes.count() - 1; i >= 0; --i) stripes.encode(i);
    std::string joined;
    codec::Image fromWhole, fromStripes;
    if (whole != stripes.join(joined) ||
        (whole && (!codec::decode(jpeg, fromWhole) || !codec::decode(joined, fromStripes) ||
                   fromWhole.storage != fromStripes.storage))) {
        std::fprintf(stderr, "the JPEG made in stripes is not the one made whole\n");
        std::abort();
    }
    codec::Image again;
    if (!codec::decode(bmp, again) || again.width != image.width || again.height != image.height) {
        std::fprintf(stderr, "the BMP written from a decoded image does not decode\n");
        std::abort();
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            // Blue, green and red survive; alpha only where the image has it.
            if (std::memcmp(image.top + y * image.pitch + 4 * x, again.top + y * again.pitch + 4 * x,
                            3) != 0) {
                std::fprintf(stderr, "pixel %d,%d changed through BMP\n", x, y);
                std::abort();
            }
        }
    }
    return 0;
}
