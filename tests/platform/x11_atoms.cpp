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
