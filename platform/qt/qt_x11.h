#pragma once
// The X11 connection Qt opened, for the few requests Qt has no call for.
#include <xcb/xcb.h>

namespace qtx11 {

// Qt's connection; null when Qt does not run on X11.
xcb_connection_t* connection();
// The screen Qt opened (the display's default: $DISPLAY's number after the dot) and its number.
xcb_screen_t* defaultScreen(xcb_connection_t* c, int* number);
// True when a compositing manager owns the screen of that number.
bool composited(xcb_connection_t* c, int number);

}  // namespace qtx11
