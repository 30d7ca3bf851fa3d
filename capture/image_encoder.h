#pragma once
// Image files converted in memory; the recognition turns each captured BMP into the JPEG
// that is sent to the OCR service.
#include "platform/codec.h"
#include "platform/screen.h"
#include "text/text_tools.h"

enum class ImageFormat { Bmp = 1, Jpeg = 2, Gif = 3, Tiff = 4, Png = 5 };

class ImageEncoder {
public:
    // Decodes input (BMP, JPEG, PNG, GIF or TIFF) and encodes it as format. On success
    // output is replaced by the complete file and the result is true. False, with output
    // left as it was, for input under 3 bytes, input that does not decode, an empty image
    // and a format outside 1 to 5.
    static bool Convert(const Bytes& input, ImageFormat format, Bytes& output);
    // Encodes a rectangle of screen pixels (in the image's own coordinates) as format,
    // reading the image's rows in place. False, with output left as it was, when the
    // rectangle is empty or not wholly inside the image, or the format is outside 1 to 5.
    static bool Convert(const platform::ScreenImage& image, int left, int top, int width,
                        int height, ImageFormat format, Bytes& output);

    // The pixels the two above would encode, in place where they can be (a captured BMP's or
    // the screen image's own rows, which must then stay put); false where they refuse.
    static bool PixelsOf(const Bytes& input, codec::Image& pixels);
    static bool PixelsOf(const platform::ScreenImage& image, int left, int top, int width,
                         int height, codec::Image& pixels);
};
