#pragma once
// The live screen (backends: platform/x11, platform/portal). Coordinates are physical pixels
// with the origin at the top-left corner of the primary monitor, the coordinates of a capture
// rectangle: a monitor left of or above the primary one has negative x or y. Every monitor
// is counted at its own scale, in its physical pixels. A rectangle may reach beyond the
// monitors, and what lies outside every monitor comes back black.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
    bool operator==(const ScreenSize&) const = default;
};

// One monitor, in screen coordinates.
struct Monitor {
    // The window system's name for it (RandR monitor, Wayland output), as the toolkit's
    // screens carry it, so a window can be put on it; may be empty.
    std::string name;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool primary = false;
    bool operator==(const Monitor&) const = default;
};

// Pixels as 0xAARRGGBB words (alpha always 0xff), top row first, width words a row.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    // Screen coordinates of the top-left pixel: a snapshot of a desktop whose monitors reach
    // left of the primary one starts at a negative left.
    int left = 0;
    int top = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

class Screen {
public:
    virtual ~Screen() = default;

    // Size of the primary monitor.
    virtual ScreenSize size() = 0;

    // Every monitor, the primary one (at 0, 0) marked; empty when the screen cannot be read.
    // With one monitor that is the primary one. A backend that gets one picture of all
    // outputs (the desktop portal) lists each output where its pixels lie in that picture,
    // shifted so that the primary output's top-left is 0, 0.
    virtual std::vector<Monitor> monitors() = 0;

    // The rectangle as a complete BMP file: 32 bits per pixel, rows bottom-up, file size
    // 54 + 4 * width * height. Empty bytes when the pixels cannot be read or the rectangle
    // is empty.
    virtual std::string capture(int left, int top, int width, int height) = 0;

    // The whole desktop: the smallest rectangle holding every monitor, its corner in left and
    // top (0, 0 with one monitor), black wherever no monitor is. An empty image when the
    // pixels cannot be read.
    virtual ScreenImage snapshot() = 0;

    // Why the last capture or snapshot came back empty, as a status text for the user
    // ("状态：..."), when the desktop refused or could not deliver the picture (the Wayland
    // backend in platform/portal asks the desktop for it); empty when there is nothing to
    // tell (the pixels just could not be read, or they were).
    virtual std::string lastFailure() { return {}; }
};

}  // namespace platform
