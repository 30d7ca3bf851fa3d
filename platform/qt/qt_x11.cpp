#include "platform/qt/qt_x11.h"

#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "platform/x11/xcb_reply.h"

namespace qtx11 {

xcb_connection_t* connection() {
    auto* app = qGuiApp;
    if (!app) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_screen_t* defaultScreen(xcb_connection_t* c, int* number) {
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const std::string d = display;
        const auto colon = d.rfind(':');
        const auto dot = d.find('.', colon == std::string::npos ? 0 : colon);
        if (dot != std::string::npos) screen = std::atoi(d.c_str() + dot + 1);
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return nullptr;
    *number = screen;
    return it.data;
}

bool composited(xcb_connection_t* c, int number) {
    // The selection's atom is the same for the connection's whole life: interned once (a round
    // trip each capture saved); its owner is asked every time.
    static xcb_connection_t* internedOn = nullptr;
    static int internedFor = -1;
    static xcb_atom_t selection = XCB_NONE;
    if (c != internedOn || number != internedFor) {
        const std::string name = "_NET_WM_CM_S" + std::to_string(number);
        XcbReply<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr)};
        if (!atom) return false;
        internedOn = c;
        internedFor = number;
        selection = atom->atom;
    }
    XcbReply<xcb_get_selection_owner_reply_t> owner{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr)};
    return owner && owner->owner != XCB_NONE;
}

}  // namespace qtx11
