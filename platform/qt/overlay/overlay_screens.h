#pragma once
// Which of the toolkit's screens shows which monitor of the screen port, and how a point of
// a window maps to screen coordinates. Qt counts a screen in device-independent pixels, with
// a device pixel ratio of its own; the port counts every monitor in its physical pixels.
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <vector>

#include "platform/screen.h"

class OverlayScreens {
public:
    // What the overlay needs to know of a QScreen.
    struct Screen {
        QString name;
        QRect geometry;
        qreal ratio = 1;
        bool primary = false;
    };

    // For each monitor, the index of the screen that shows it, or -1. A screen is found by
    // its name, else by where it lies (X11 keeps a screen's top-left in device pixels, so
    // its offset from the primary screen is the monitor's place), else the screens left
    // over are handed out in order, the primary one to the primary monitor.
    static std::vector<int> match(const std::vector<platform::Monitor>& monitors,
                                  const std::vector<Screen>& screens);

    // The screen pixel under a point of the monitor's window (device-independent pixels
    // from its top-left corner, which may lie outside the window during a drag).
    static QPoint toScreen(const platform::Monitor& monitor, qreal ratio, QPointF local);
    // The window's own area (device-independent pixels) that covers a screen rectangle.
    static QRect toLocal(const platform::Monitor& monitor, qreal ratio, const QRect& screenRect);
};
