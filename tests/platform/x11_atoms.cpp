#include "platform/x11_atoms.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/x11/xcb_reply.h"

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const XcbReply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name),
        nullptr)};
    return reply ? reply->atom : XCB_NONE;
}

bool selectionOwned(xcb_connection_t* connection, const char* name) {
    const XcbReply<xcb_get_selection_owner_reply_t> owner{xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom(connection, name)), nullptr)};
    return owner && owner->owner != XCB_NONE;
}

bool windowManagerReady(xcb_connection_t* connection) {
    if (!selectionOwned(connection, "WM_S0")) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const XcbReply<xcb_get_property_reply_t> check{xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, atom(connection, "_NET_SUPPORTING_WM_CHECK"),
                         XCB_ATOM_WINDOW, 0, 1),
        nullptr)};
    if (!check || xcb_get_property_value_length(check.value) < 4) return false;
    // A managed window carries the WM_STATE the manager gives it.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t probe = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(connection, probe);
    const xcb_atom_t state = atom(connection, "WM_STATE");
    bool managed = false;
    for (int waited = 0; waited < 1000 && !managed; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const XcbReply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, probe, state, state, 0, 2), nullptr)};
        managed = reply && xcb_get_property_value_length(reply.value) >= 4;
    }
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return managed;
}
