#include "platform/qt/overlay/screen_freeze.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "platform/qt/qt_x11.h"
#include "platform/x11/xcb_reply.h"

bool ScreenFreeze::available() {
    xcb_connection_t* c = qtx11::connection();
    return c && !xcb_connection_has_error(c);
}

bool ScreenFreeze::composited() {
    xcb_connection_t* c = qtx11::connection();
    int number = 0;
    return c && !xcb_connection_has_error(c) && qtx11::defaultScreen(c, &number) &&
           qtx11::composited(c, number);
}

bool ScreenFreeze::showBeneath(QWidget& widget) {
    xcb_connection_t* c = qtx11::connection();
    if (!c) return false;
    const auto window = xcb_window_t(widget.winId());
    if (!widget.testAttribute(Qt::WA_TranslucentBackground)) {
        const std::uint32_t none = XCB_BACK_PIXMAP_NONE;
        return !xcb_request_check(
            c, xcb_change_window_attributes_checked(c, window, XCB_CW_BACK_PIXMAP, &none));
    }
    // Only a window with an alpha channel is see-through; pixel 0 is then wholly transparent.
    const XcbReply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)};
    const bool alpha = geometry && geometry->depth == 32;
    const std::uint32_t transparent = 0;
    return alpha && !xcb_request_check(c, xcb_change_window_attributes_checked(
                                              c, window, XCB_CW_BACK_PIXEL, &transparent));
}

bool ScreenFreeze::roundTrip() {
    xcb_connection_t* c = qtx11::connection();
    if (!c) return false;
    const XcbReply<xcb_get_input_focus_reply_t> reply{
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)};
    return bool(reply);
}

bool ScreenFreeze::putImage(QWidget& widget, const QImage& image) {
    xcb_connection_t* c = qtx11::connection();
    if (!c) return false;
    const auto window = xcb_window_t(widget.winId());
    const XcbReply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)};
    if (!geometry) return false;
    const std::uint8_t depth = geometry->depth;
    // 32 bits a pixel, blue first in memory: the Z pixmap of a 24- or 32-bit visual.
    if (depth != 24 && depth != 32) return false;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const std::size_t bytes = std::size_t(pixels.sizeInBytes());
    if (bytes + 64 > std::size_t(xcb_get_maximum_request_length(c)) * 4) return false;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, std::uint16_t(pixels.width()),
                  std::uint16_t(pixels.height()), 0, 0, 0, depth, std::uint32_t(bytes),
                  pixels.constBits());
    xcb_free_gc(c, gc);
    return true;
}
