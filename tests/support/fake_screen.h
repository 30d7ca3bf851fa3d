#pragma once
// A screen of a known pattern: every pixel's colour encodes its coordinates. With several
// monitors the pattern covers each of them, in screen coordinates, and black lies between.
#include <algorithm>
#include <vector>

#include "capture/bmp_image.h"
#include "platform/screen.h"

class FakeScreen : public platform::Screen {
public:
    FakeScreen(int width = 1920, int height = 1080)
        : FakeScreen(std::vector<platform::Monitor>{{"", 0, 0, width, height, true}}) {}
    explicit FakeScreen(std::vector<platform::Monitor> monitors) : m_monitors(std::move(monitors)) {
        int left = 0, top = 0, right = 0, bottom = 0;
        for (const auto& m : m_monitors) {
            left = std::min(left, m.left);
            top = std::min(top, m.top);
            right = std::max(right, m.left + m.width);
            bottom = std::max(bottom, m.top + m.height);
        }
        m_image.left = left;
        m_image.top = top;
        m_image.width = right - left;
        m_image.height = bottom - top;
        m_image.pixels.assign(static_cast<size_t>(m_image.width) * m_image.height, 0xff000000u);
        for (const auto& m : m_monitors)
            for (int y = m.top; y < m.top + m.height; ++y)
                for (int x = m.left; x < m.left + m.width; ++x)
                    m_image.pixels[size_t(y - top) * m_image.width + (x - left)] = colourAt(x, y);
    }
    static uint32_t colourAt(int x, int y) {
        return 0xff000000u | (static_cast<uint32_t>(x & 0xfff) << 12) | (y & 0xfff);
    }

    platform::ScreenSize size() override {
        for (const auto& m : m_monitors)
            if (m.primary) return {m.width, m.height};
        return {};
    }
    std::vector<platform::Monitor> monitors() override { return m_monitors; }
    std::string capture(int left, int top, int width, int height) override {
        captures.push_back({left, top, width, height});
        return BmpImage::encode(m_image, left - m_image.left, top - m_image.top, width, height);
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
    std::vector<platform::Monitor> m_monitors;
    platform::ScreenImage m_image;
};
