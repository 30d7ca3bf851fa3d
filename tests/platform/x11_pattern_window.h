#pragma once
// A window of a known picture on the X server of $DISPLAY, for tests that read the screen:
// four coloured quadrants (blue, yellow / cyan, and a one-pixel checker of white and
// magenta). The server paints it itself (background pixmap, no window manager involved), so
// the pixels are there as soon as show() returns. It stays below every other window.
#include <cstdint>

struct xcb_connection_t;

class X11PatternWindow {
public:
    // The colour (0xRRGGBB) of pixel (x, y) of a width x height pattern.
    static std::uint32_t colourAt(int x, int y, int width, int height);

    X11PatternWindow(int left, int top, int width, int height);
    ~X11PatternWindow();
    X11PatternWindow(const X11PatternWindow&) = delete;
    X11PatternWindow& operator=(const X11PatternWindow&) = delete;

    // False without a server, or when it is not 24-bit true colour in 32-bit pixels.
    bool show();

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    std::uint32_t colourAt(int x, int y) const { return colourAt(x, y, m_width, m_height); }

private:
    int m_left, m_top, m_width, m_height;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_window = 0;
};
