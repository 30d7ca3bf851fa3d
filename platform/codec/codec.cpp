// The codec port: tells formats apart by their signatures and hands each to its reader
// or writer. Only these five formats are recognised, so bytes that merely happen to
// satisfy some lenient plugin (TGA, WBMP) are never taken for an image.
#include "platform/codec.h"

#include <algorithm>
#include <exception>

#include "platform/codec/bmp_codec.h"
#include "platform/codec/gif_encoder.h"
#include "platform/codec/jpeg_codec.h"
#include "platform/codec/qt_image_codec.h"

namespace codec {

namespace {

enum class Signature { Unknown, Bmp, Jpeg, Png, Gif, Tiff };

Signature signatureOf(std::string_view file) {
    auto startsWith = [&](std::string_view prefix) {
        return file.substr(0, prefix.size()) == prefix;
    };
    if (startsWith("BM")) return Signature::Bmp;
    if (startsWith("\xFF\xD8\xFF")) return Signature::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n")) return Signature::Png;
    if (startsWith("GIF87a") || startsWith("GIF89a")) return Signature::Gif;
    if (startsWith(std::string_view("II*\0", 4)) || startsWith(std::string_view("MM\0*", 4))) {
        return Signature::Tiff;
    }
    return Signature::Unknown;
}

bool decodeWith(DecodeOutcome outcome, std::string_view file, const char* qtFormat, Image& image,
                std::int64_t maxPixels) {
    switch (outcome) {
        case DecodeOutcome::Decoded:
            return true;
        case DecodeOutcome::OtherVariant:
            return QtImageCodec::decode(file, qtFormat, image, maxPixels);
        case DecodeOutcome::Refused:
            break;
    }
    return false;
}

bool decodeAny(std::string_view file, Image& image, std::int64_t maxPixels) {
    switch (signatureOf(file)) {
        case Signature::Bmp:
            return decodeWith(BmpCodec::decode(file, image, maxPixels), file, "bmp", image, maxPixels);
        case Signature::Jpeg:
            return decodeWith(JpegCodec::decode(file, image, maxPixels), file, "jpeg", image,
                              maxPixels);
        case Signature::Png:
            return QtImageCodec::decode(file, "png", image, maxPixels);
        case Signature::Gif:
            return QtImageCodec::decode(file, "gif", image, maxPixels);
        case Signature::Tiff:
            return QtImageCodec::decode(file, "tiff", image, maxPixels);
        case Signature::Unknown:
            break;
    }
    return false;
}

bool encodeAs(const Image& image, FileFormat format, std::string& file) {
    switch (format) {
        case FileFormat::Bmp:
            BmpCodec::encode(image, file);
            return true;
        case FileFormat::Jpeg:
            return JpegCodec::encode(image, file);
        case FileFormat::Gif:
            return GifEncoder::encode(image, file);
        case FileFormat::Tiff:
            return QtImageCodec::encode(image, "tiff", file);
        case FileFormat::Png:
            return QtImageCodec::encode(image, "png", file);
    }
    return false;
}

}  // namespace

bool acceptableSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= std::min(maxPixels, kMaxPixels);
}

bool decode(std::string_view file, Image& image, std::int64_t maxPixels) {
    try {
        Image decoded;
        if (!decodeAny(file, decoded, maxPixels) ||
            !acceptableSize(decoded.width, decoded.height, maxPixels)) {
            return false;
        }
        image = std::move(decoded);
        return true;
    } catch (const std::exception&) {
        return false;  // memory ran out for an image within the limits
    }
}

bool encode(const Image& image, FileFormat format, std::string& file) {
    if (image.top == nullptr || image.width <= 0 || image.height <= 0) return false;
    try {
        std::string encoded;
        if (!encodeAs(image, format, encoded) || encoded.empty()) return false;
        file = std::move(encoded);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace codec
