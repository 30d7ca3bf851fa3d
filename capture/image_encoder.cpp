#include "capture/image_encoder.h"

#include "platform/codec.h"

namespace {

// The file formats that an ImageFormat names; false for a value outside the five.
bool fileFormatOf(ImageFormat format, codec::FileFormat& fileFormat) {
    switch (format) {
        case ImageFormat::Bmp:
            fileFormat = codec::FileFormat::Bmp;
            return true;
        case ImageFormat::Jpeg:
            fileFormat = codec::FileFormat::Jpeg;
            return true;
        case ImageFormat::Gif:
            fileFormat = codec::FileFormat::Gif;
            return true;
        case ImageFormat::Tiff:
            fileFormat = codec::FileFormat::Tiff;
            return true;
        case ImageFormat::Png:
            fileFormat = codec::FileFormat::Png;
            return true;
    }
    return false;
}

bool encodeInto(const codec::Image& image, ImageFormat format, Bytes& output) {
    codec::FileFormat fileFormat;
    if (!fileFormatOf(format, fileFormat)) return false;
    Bytes encoded;
    if (!codec::encode(image, fileFormat, encoded) || encoded.empty()) return false;
    output = std::move(encoded);
    return true;
}

}  // namespace

bool ImageEncoder::Convert(const Bytes& input, ImageFormat format, Bytes& output) {
    codec::FileFormat fileFormat;
    codec::Image image;
    return fileFormatOf(format, fileFormat) && PixelsOf(input, image) &&
           encodeInto(image, format, output);
}

bool ImageEncoder::Convert(const platform::ScreenImage& image, int left, int top, int width,
                           int height, ImageFormat format, Bytes& output) {
    codec::Image view;
    return PixelsOf(image, left, top, width, height, view) && encodeInto(view, format, output);
}

bool ImageEncoder::PixelsOf(const Bytes& input, codec::Image& pixels) {
    // Too short to be any image; the codec is not even asked.
    if (input.size() < 3) return false;
    // A captured 32-bit BMP is not copied: the decoded image refers to input's own rows.
    return codec::decode(input, pixels) && pixels.width > 0 && pixels.height > 0;
}

bool ImageEncoder::PixelsOf(const platform::ScreenImage& image, int left, int top, int width,
                            int height, codec::Image& view) {
    if (width <= 0 || height <= 0 || left < 0 || top < 0 || left > image.width - width ||
        top > image.height - height ||
        image.pixels.size() < std::size_t(image.width) * std::size_t(image.height))
        return false;
    // The rows stay where they are: the view starts at the rectangle's corner and steps by
    // the whole image's width.
    view.width = width;
    view.height = height;
    view.top = reinterpret_cast<const std::uint8_t*>(image.pixels.data() +
                                                     std::size_t(top) * image.width + left);
    view.pitch = std::ptrdiff_t(image.width) * 4;
    return true;
}
