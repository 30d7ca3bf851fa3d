#pragma once
// Atoms and selection owners on a test's own X connection: the tests wait for a window
// manager or a compositing manager by the selection it owns.
#include <xcb/xcb.h>

// The atom of the name, made when the server has none yet; XCB_NONE when the server did not
// answer.
xcb_atom_t atom(xcb_connection_t* connection, const char* name);
// True when some client owns the selection of the name (WM_S0, _NET_WM_CM_S0, ...).
bool selectionOwned(xcb_connection_t* connection, const char* name);
// True once a window manager owns WM_S0, has announced itself on the root window and has
// taken over a window mapped now (a throwaway one, within a second). openbox announces itself
// before it handles the requests to map windows, and a window shown in between can stay
// unmapped for good.
bool windowManagerReady(xcb_connection_t* connection);
