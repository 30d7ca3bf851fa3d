#include "capture/screen_text_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace offline {

namespace {

// A pixel this far from the background is ink; anti-aliased fringes are fainter.
constexpr int kInkDistance = 64;
// Background around the text, in source pixels: the engine finds lines badly at the edge.
constexpr int kMargin = 6;

std::uint8_t at(const platform::GreyImage& g, int x, int y) {
    return g.pixels[std::size_t(y) * g.width + x];
}

// Background to 255, the darkest ink to 0, in between linearly.
void stretch(platform::GreyImage& grey, int background) {
    int ink = background;
    for (std::uint8_t v : grey.pixels) ink = std::min<int>(ink, v);
    if (background - ink < 16) return;
    for (std::uint8_t& v : grey.pixels) {
        const int s = (int(v) - ink) * 255 / (background - ink);
        v = static_cast<std::uint8_t>(std::clamp(s, 0, 255));
    }
}

platform::GreyImage scaledWithMargin(const platform::GreyImage& g, int scale) {
    platform::GreyImage out;
    const int margin = kMargin * scale;
    out.width = g.width * scale + 2 * margin;
    out.height = g.height * scale + 2 * margin;
    out.pixels.assign(std::size_t(out.width) * out.height, 255);
    // Bilinear: each output pixel samples the source at its centre, in 1/256 steps.
    for (int y = 0; y < g.height * scale; ++y) {
        const int sy = std::max(0, (2 * y + 1) * 128 / scale - 128);
        const int y0 = std::min(sy >> 8, g.height - 1);
        const int y1 = std::min(y0 + 1, g.height - 1);
        const int fy = sy & 255;
        std::uint8_t* row = &out.pixels[std::size_t(y + margin) * out.width + margin];
        for (int x = 0; x < g.width * scale; ++x) {
            const int sx = std::max(0, (2 * x + 1) * 128 / scale - 128);
            const int x0 = std::min(sx >> 8, g.width - 1);
            const int x1 = std::min(x0 + 1, g.width - 1);
            const int fx = sx & 255;
            const int top = at(g, x0, y0) * (256 - fx) + at(g, x1, y0) * fx;
            const int bottom = at(g, x0, y1) * (256 - fx) + at(g, x1, y1) * fx;
            row[x] = static_cast<std::uint8_t>((top * (256 - fy) + bottom * fy) >> 16);
        }
    }
    return out;
}

}  // namespace

platform::GreyImage greyLevels(const platform::ScreenImage& image) {
    platform::GreyImage grey;
    if (image.empty() || image.pixels.size() < std::size_t(image.width) * image.height) return grey;
    grey.width = image.width;
    grey.height = image.height;
    grey.pixels.resize(std::size_t(image.width) * image.height);
    for (std::size_t i = 0; i < grey.pixels.size(); ++i) {
        const std::uint32_t p = image.pixels[i];
        const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
        grey.pixels[i] = static_cast<std::uint8_t>((r * 77 + g * 150 + b * 29) >> 8);
    }
    return grey;
}

int backgroundLevel(const platform::GreyImage& grey) {
    std::array<std::size_t, 256> histogram{};
    for (std::uint8_t v : grey.pixels) ++histogram[v];
    return int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
}

int typicalTextHeight(const platform::GreyImage& grey, int background) {
    std::vector<int> runs;
    int run = 0;
    for (int y = 0; y <= grey.height; ++y) {
        bool ink = false;
        for (int x = 0; y < grey.height && x < grey.width && !ink; ++x)
            ink = std::abs(int(at(grey, x, y)) - background) > kInkDistance;
        if (ink) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (runs.empty()) return 0;
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    return runs[runs.size() / 2];
}

int scaleFor(int textHeight) {
    if (textHeight <= 0) return 1;
    const int scale = (kTargetTextHeight + textHeight / 2) / textHeight;
    return std::clamp(scale, 1, kMaxScale);
}

platform::GreyImage prepareScreenText(const platform::ScreenImage& image) {
    platform::GreyImage grey = greyLevels(image);
    if (grey.empty()) return grey;
    int background = backgroundLevel(grey);
    if (background < 128) {
        for (std::uint8_t& v : grey.pixels) v = static_cast<std::uint8_t>(255 - v);
        background = 255 - background;
    }
    const int scale = scaleFor(typicalTextHeight(grey, background));
    stretch(grey, background);
    return scaledWithMargin(grey, scale);
}

}  // namespace offline
