#include "text_image.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kPaper = 0xfff6f5f2;
constexpr std::uint32_t kInk = 0xff1e2024;
constexpr std::uint32_t kEdge = 0xff9a9ca0;
constexpr std::uint32_t kRule = 0xffd8dade;

}  // namespace

TextImage::TextImage(platform::ScreenImage& image, std::uint32_t seed)
    : m_image(image), m_engine(seed) {}

platform::ScreenImage TextImage::make(int width, int height, std::uint32_t seed) {
    platform::ScreenImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(std::size_t(width) * std::size_t(height), kPaper);
    TextImage painter(image, seed);

    // A page of paragraphs with a margin, a few headings in larger type and rules between
    // blocks, so the picture is not one uniform texture.
    const int margin = width / 12;
    int y = 40;
    while (y < height - 30) {
        const bool heading = painter.draw(0, 9) == 0;
        const int glyphHeight = heading ? 20 : 12;
        const int lineHeight = glyphHeight * 2;
        const int lines = heading ? 1 : painter.draw(3, 9);
        for (int k = 0; k < lines && y < height - 30; ++k, y += lineHeight) {
            const int right = k + 1 == lines ? painter.draw(width / 3, width - margin)
                                             : width - margin - painter.draw(0, 40);
            painter.paintLine(y + glyphHeight, margin, right, glyphHeight);
        }
        if (painter.draw(0, 3) == 0) {
            for (int x = margin; x < width - margin; ++x) painter.put(x, y + 6, kRule);
        }
        y += 18;
    }
    return image;
}

int TextImage::draw(int low, int high) {
    return low + static_cast<int>(m_engine() % static_cast<std::uint32_t>(high - low + 1));
}

void TextImage::paintLine(int baseline, int left, int right, int glyphHeight) {
    int x = left;
    while (x < right) {
        const int letters = draw(1, 10);
        for (int k = 0; k < letters && x < right; ++k) {
            const int glyphWidth = glyphHeight * draw(45, 80) / 100;
            paintGlyph(x, baseline, glyphWidth, glyphHeight);
            x += glyphWidth + std::max(2, glyphHeight / 6);
        }
        x += glyphHeight / 2 + draw(0, 3);  // the space between words
    }
}

void TextImage::paintGlyph(int x, int baseline, int width, int height) {
    // Ascenders and descenders now and then, as in real type.
    int top = baseline - height * 2 / 3;
    int bottom = baseline;
    switch (draw(0, 5)) {
        case 0:
            top = baseline - height;
            break;
        case 1:
            bottom = baseline + height / 3;
            break;
        default:
            break;
    }
    const int strokes = draw(2, 4);
    for (int s = 0; s < strokes; ++s) {
        if (draw(0, 1) == 0) {
            vertical(x + draw(0, width - 1), top + draw(0, 2), bottom - top - draw(0, 3));
        } else {
            horizontal(x + draw(0, 1), top + draw(0, bottom - top - 1), width - draw(0, 2));
        }
    }
}

void TextImage::horizontal(int x, int y, int length) {
    put(x - 1, y, kEdge);
    for (int k = 0; k < length; ++k) {
        put(x + k, y, kInk);
        put(x + k, y + 1, kEdge);
    }
    put(x + length, y, kEdge);
}

void TextImage::vertical(int x, int y, int length) {
    put(x, y - 1, kEdge);
    for (int k = 0; k < length; ++k) {
        put(x, y + k, kInk);
        put(x + 1, y + k, kEdge);
    }
    put(x, y + length, kEdge);
}

void TextImage::put(int x, int y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= m_image.width || y >= m_image.height) return;
    std::uint32_t& pixel = m_image.pixels[std::size_t(y) * std::size_t(m_image.width) + x];
    // Ink wins over an edge, an edge over paper.
    if (pixel == kInk || (pixel == kEdge && colour != kInk)) return;
    pixel = colour;
}
