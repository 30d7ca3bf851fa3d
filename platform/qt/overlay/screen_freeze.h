#pragma once
// Covering the live screen before its snapshot is read, without copying a pixel. On X11
// without a compositing manager, a window whose background is None shows, once mapped, what
// the screen held beneath it, and nothing beneath can draw there any more: the screen stays
// as it was at the map until the window paints, and the snapshot equals what it shows. A
// compositing manager draws windows from their own pixels instead; there the cover is a fully
// transparent window, and the live screen shows through until the snapshot is painted.
class QImage;
class QWidget;

class ScreenFreeze {
public:
    // True on X11.
    static bool available();
    // True when a compositing manager owns the screen.
    static bool composited();
    // Makes the widget's (created) native window show what lies beneath it until painted:
    // a background of None, or under a compositing manager a transparent one (the widget
    // then has a translucent background).
    static bool showBeneath(QWidget& widget);
    // Puts the picture on the widget's mapped native window at once, at its top-left corner,
    // without the toolkit's paint (which waits for the window system's expose).
    static bool putImage(QWidget& widget, const QImage& image);
    // Waits until the server has carried out every request sent so far; false on a broken
    // connection.
    static bool roundTrip();
};
