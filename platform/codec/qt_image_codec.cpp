#include "platform/codec/qt_image_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cstring>
#include <mutex>

namespace {

// Qt's own cap on one image's memory, set once for the process: the pixel limit plus room
// for a plugin's working copies.
void limitAllocation() {
    static std::once_flag once;
    std::call_once(once, [] {
        QImageReader::setAllocationLimit(static_cast<int>(codec::kMaxPixels * 4 / (1024 * 1024)) +
                                         64);
    });
}

}  // namespace

bool QtImageCodec::decode(std::string_view file, const char* format, codec::Image& image,
                          std::int64_t maxPixels) {
    limitAllocation();
    // The file's bytes are read in place, not copied.
    QByteArray bytes = QByteArray::fromRawData(file.data(), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return false;
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    // The header's size is checked before anything is decoded.
    const QSize size = reader.size();
    if (size.isValid() && !codec::acceptableSize(size.width(), size.height(), maxPixels)) return false;

    QImage read;
    if (!reader.read(&read) || read.isNull()) return false;
    if (!codec::acceptableSize(read.width(), read.height(), maxPixels)) return false;
    const bool alpha = read.hasAlphaChannel();
    // On a little-endian machine both formats hold blue, green, red, alpha bytes in order.
    const QImage pixels =
        read.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) return false;
    read = QImage();  // a converted copy leaves the plugin's picture unused: never three at once

    codec::Image decoded;
    decoded.width = pixels.width();
    decoded.height = pixels.height();
    decoded.hasAlpha = alpha;
    decoded.pitch = std::ptrdiff_t{decoded.width} * 4;
    decoded.storage.resize(static_cast<size_t>(decoded.pitch) * decoded.height);
    for (int y = 0; y < decoded.height; ++y) {
        std::memcpy(decoded.storage.data() + y * decoded.pitch, pixels.constScanLine(y),
                    static_cast<size_t>(decoded.pitch));
    }
    decoded.top = decoded.storage.data();
    image = std::move(decoded);
    return true;
}

bool QtImageCodec::encode(const codec::Image& image, const char* format, std::string& file) {
    QImage pixels(image.width, image.height,
                  image.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) return false;
    const auto rowBytes = static_cast<size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
        uchar* row = pixels.scanLine(y);
        std::memcpy(row, image.top + y * image.pitch, rowBytes);
        // Qt expects an opaque format's fourth byte to be 0xFF; captures leave it 0.
        if (!image.hasAlpha) {
            for (size_t x = 3; x < rowBytes; x += 4) row[x] = 0xFF;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&buffer, format);
    if (!writer.write(pixels)) return false;
    file.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}
