#pragma once
// The live screen (backend: platform/x11). Coordinates are physical pixels with the origin at
// the top-left corner of the primary screen; a rectangle may reach beyond the screen, and
// what lies outside it comes back black.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
    bool operator==(const ScreenSize&) const = default;
};

// Pixels as 0xAARRGGBB words (alpha always 0xff), top row first, width words a row.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

class Screen {
public:
    virtual ~Screen() = default;

    // Size of the primary screen.
    virtual ScreenSize size() = 0;

    // The rectangle as a complete BMP file: 32 bits per pixel, rows bottom-up, file size
    // 54 + 4 * width * height. Empty bytes when the pixels cannot be read or the rectangle
    // is empty.
    virtual std::string capture(int left, int top, int width, int height) = 0;

    // The whole primary screen; an empty image when the pixels cannot be read.
    virtual ScreenImage snapshot() = 0;

    // Why the last capture or snapshot came back empty, as a status text for the user
    // ("状态：..."), when the desktop refused or could not deliver the picture (the Wayland
    // backend in platform/portal asks the desktop for it); empty when there is nothing to
    // tell (the pixels just could not be read, or they were).
    virtual std::string lastFailure() { return {}; }
};

}  // namespace platform
