#pragma once
// A screen full of text, made up: lines of dark glyph-like strokes with grey edges on a
// light background, the way a document or a web page looks to the capture. The same seed
// gives the same pixels on every machine (only the raw engine output is used, never a
// library distribution).
#include <cstdint>
#include <random>

#include "platform/screen.h"

class TextImage {
public:
    static constexpr std::uint32_t kDefaultSeed = 20240611;

    static platform::ScreenImage make(int width, int height, std::uint32_t seed = kDefaultSeed);

private:
    TextImage(platform::ScreenImage& image, std::uint32_t seed);

    // A number in [low, high], from the raw engine output.
    int draw(int low, int high);
    void paintLine(int baseline, int left, int right, int glyphHeight);
    void paintGlyph(int x, int baseline, int width, int height);
    // A stroke with a lighter pixel on either side, like anti-aliased type.
    void horizontal(int x, int y, int length);
    void vertical(int x, int y, int length);
    void put(int x, int y, std::uint32_t colour);

    platform::ScreenImage& m_image;
    std::mt19937 m_engine;
};
