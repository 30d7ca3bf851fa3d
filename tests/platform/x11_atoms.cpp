#include "platform/x11_atoms.h"

#include <cstdint>
#include <cstring>

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
    return check && xcb_get_property_value_length(check.value) >= 4;
}
