#include "x11_pattern_window.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

std::uint32_t X11PatternWindow::colourAt(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    // None of them is the red or green that the selector draws with.
    if (!bottom) return right ? 0xffff00 : 0x0000ff;
    if (!right) return 0x00ffff;
    return (x + y) % 2 ? 0xffffff : 0xff00ff;
}

X11PatternWindow::X11PatternWindow(int left, int top, int width, int height)
    : m_left(left), m_top(top), m_width(width), m_height(height) {}

X11PatternWindow::~X11PatternWindow() {
    if (!m_connection) return;
    if (m_window) xcb_destroy_window(m_connection, m_window);
    xcb_disconnect(m_connection);
}

bool X11PatternWindow::show() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) return false;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    auto it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    const xcb_screen_t* screen = it.data;
    bool thirtyTwoBits = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24 && f.data->bits_per_pixel == 32) thirtyTwoBits = true;
    if (screen->root_depth != 24 || !thirtyTwoBits ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;

    // The picture goes into a pixmap that becomes the window's background.
    const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
    xcb_create_pixmap(m_connection, 24, pixmap, screen->root, std::uint16_t(m_width),
                      std::uint16_t(m_height));
    const xcb_gcontext_t gc = xcb_generate_id(m_connection);
    xcb_create_gc(m_connection, gc, pixmap, 0, nullptr);
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const std::uint32_t c = colourAt(x, y);
            pixels.insert(pixels.end(),
                          {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 0});
        }
    }
    // Row by row, so that no single request exceeds the server's request size.
    for (int y = 0; y < m_height; ++y) {
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(m_width),
                      1, 0, std::int16_t(y), 0, 24, std::uint32_t(m_width) * 4,
                      pixels.data() + std::size_t(y) * m_width * 4);
    }
    xcb_free_gc(m_connection, gc);

    m_window = xcb_generate_id(m_connection);
    const std::uint32_t values[] = {pixmap, 1};
    xcb_create_window(m_connection, 24, m_window, screen->root, std::int16_t(m_left),
                      std::int16_t(m_top), std::uint16_t(m_width), std::uint16_t(m_height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_free_pixmap(m_connection, pixmap);
    // At the bottom of the stack, so that any window a test opens comes above it.
    const std::uint32_t below = XCB_STACK_MODE_BELOW;
    xcb_configure_window(m_connection, m_window, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    xcb_map_window(m_connection, m_window);
    // A round trip: once it returns, the server has mapped and painted the window.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return true;
}
