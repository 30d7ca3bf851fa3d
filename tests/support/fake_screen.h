#pragma once
// A screen of a known pattern: every pixel's colour encodes its coordinates.
#include <vector>

#include "capture/bmp_image.h"
#include "platform/screen.h"

class FakeScreen : public platform::Screen {
public:
    FakeScreen(int width = 1920, int height = 1080) {
        m_image.width = width;
        m_image.height = height;
        m_image.pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) m_image.pixels[y * width + x] = colourAt(x, y);
    }
    static uint32_t colourAt(int x, int y) {
        return 0xff000000u | (static_cast<uint32_t>(x & 0xfff) << 12) | (y & 0xfff);
    }

    platform::ScreenSize size() override { return {m_image.width, m_image.height}; }
    std::string capture(int left, int top, int width, int height) override {
        captures.push_back({left, top, width, height});
        return BmpImage::encode(m_image, left, top, width, height);
    }
    platform::ScreenImage snapshot() override {
        ++snapshots;
        return m_image;
    }

    struct Rect {
        int left, top, width, height;
        bool operator==(const Rect&) const = default;
    };
    std::vector<Rect> captures;
    int snapshots = 0;

private:
    platform::ScreenImage m_image;
};
