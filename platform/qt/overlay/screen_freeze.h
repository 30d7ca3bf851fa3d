#pragma once
// Freezing the live screen without copying a pixel. On X11 without a compositing manager, a
// window whose background is None shows, once mapped, what the screen held beneath it, and
// nothing beneath can draw there any more: the screen stays as it was at the map until the
// window paints. Put up unmanaged (no window manager round trip), such windows freeze the
// screen before its snapshot is read, and the snapshot then equals what they show.
class QImage;
class QWidget;

class ScreenFreeze {
public:
    // True on X11 when no compositing manager owns the screen: a compositor draws windows
    // from their own pixels, and an unpainted window would show garbage or black.
    static bool available();
    // Makes the widget's (created) native window keep what lies beneath it until painted.
    static bool showBeneath(QWidget& widget);
    // Puts the picture on the widget's mapped native window at once, at its top-left corner,
    // without the toolkit's paint (which waits for the window system's expose).
    static bool putImage(QWidget& widget, const QImage& image);
    // Waits until the server has carried out every request sent so far; false on a broken
    // connection.
    static bool roundTrip();
};
