#include "platform/qt/capture_preview.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

struct CaptureRows {
    // The file's rows, bottom row first.
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// A capture's own BMP (54-byte header, 32 bits, bottom-up rows, no compression), seen in
// place; anything else has no rows here.
CaptureRows captureRows(const std::string& b) {
    constexpr std::size_t kHeader = 54;
    if (b.size() < kHeader || b[0] != 'B' || b[1] != 'M' || le32(b, 10) != kHeader ||
        le32(b, 14) != 40 || (le32(b, 26) & 0xffff) != 1 || (le32(b, 28) & 0xffff) != 32 ||
        le32(b, 30) != 0)
        return {};
    const auto width = std::int32_t(le32(b, 18));
    const auto height = std::int32_t(le32(b, 22));
    if (width <= 0 || height <= 0 ||
        std::uint64_t(width) * std::uint64_t(height) * 4 > b.size() - kHeader)
        return {};
    return {reinterpret_cast<const std::uint8_t*>(b.data()) + kHeader, width, height};
}

// The rows top first, each block of factor x factor pixels averaged into one: a picture at
// most factor^2 times smaller, made in one pass over the bytes.
QImage reduced(const CaptureRows& rows, int factor) {
    const int w = rows.width / factor, h = rows.height / factor;
    QImage out(w, h, QImage::Format_RGB32);
    const std::size_t stride = std::size_t(rows.width) * 4;
    const std::uint32_t area = std::uint32_t(factor) * std::uint32_t(factor);
    std::vector<std::uint32_t> sums(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int dy = 0; dy < factor; ++dy) {
            const std::uint8_t* in = rows.pixels + stride * (rows.height - 1 - (y * factor + dy));
            for (int x = 0; x < w; ++x) {
                std::uint32_t* sum = &sums[std::size_t(x) * 3];
                for (int dx = 0; dx < factor; ++dx, in += 4) {
                    sum[0] += in[0];
                    sum[1] += in[1];
                    sum[2] += in[2];
                }
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const std::uint32_t* sum = &sums[std::size_t(x) * 3];
            line[x] = qRgb(int(sum[2] / area), int(sum[1] / area), int(sum[0] / area));
        }
    }
    return out;
}

// Fits the image into the box, never enlarging it.
QImage fitted(QImage image, const QSize& box) {
    if (box.isEmpty() || (image.width() <= box.width() && image.height() <= box.height()))
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The preview of a capture: whole blocks averaged first, so the smooth scaling that
// follows works on a picture near the box's size instead of the whole screen. The side
// that fits the box most tightly sets the scale, so the blocks are as large as that scale
// allows and the picture between is never larger than needed (a capture wider than the
// box but not taller would otherwise be copied whole at its own size first).
QImage fromRows(const CaptureRows& rows, const QSize& box) {
    int factor = 1;
    if (!box.isEmpty())
        factor = std::max(1, std::max(rows.width / box.width(), rows.height / box.height()));
    return fitted(reduced(rows, factor), box);
}

}  // namespace

QImage CapturePreview::make(const std::string& imageBytes, const QSize& box) {
    if (const CaptureRows rows = captureRows(imageBytes); rows.pixels) return fromRows(rows, box);
    QImage image;
    if (!imageBytes.empty())
        image.loadFromData(reinterpret_cast<const uchar*>(imageBytes.data()),
                           static_cast<int>(imageBytes.size()));
    return image.isNull() ? image : fitted(std::move(image), box);
}
