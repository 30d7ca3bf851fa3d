#pragma once
// The full-screen overlay on which the user drags out a capture rectangle (backend:
// platform/qt/overlay). It covers every monitor with its part of a frozen snapshot of the
// desktop; every coordinate is a screen coordinate of platform/screen.h (physical pixels,
// origin at the primary monitor's top-left), as in a capture rectangle, on any monitor.
// The logic decides everything; the overlay only draws what it is told and reports input.
#include <string>
#include <vector>

#include "platform/screen.h"

namespace platform {

// Input while the overlay runs, on the user-interface thread. During a drag the pointer
// stays with the monitor where the button went down, so moves and the release may lie
// outside it, counted from that monitor.
class OverlayEvents {
public:
    virtual ~OverlayEvents() = default;
    // Once, when the overlay has been created and before any input: the moment to put up
    // the hint and the rest of the furniture.
    virtual void onOpened() = 0;
    virtual void onLeftPress(int x, int y) = 0;
    virtual void onLeftRelease(int x, int y) = 0;
    virtual void onRightPress(int x, int y) = 0;
    virtual void onMove(int x, int y) = 0;
    virtual void onEscape() = 0;
};

class Overlay {
public:
    // Side of the magnifier's source square and of its magnified view.
    static constexpr int kSourceSize = 21;
    static constexpr int kViewSize = 100;

    virtual ~Overlay() = default;

    // Shows the overlay over the snapshot, one window on each monitor showing that monitor's
    // part, modal and on top, with the cross pointer, no figures, the hint and the magnifier
    // hidden; calls onOpened, delivers input to events and returns once close() was called
    // (or the window system closed the overlay). Every other call does nothing unless the
    // overlay is running. Figures are drawn wherever they fall, on any monitor.
    virtual void run(const ScreenImage& snapshot, const std::vector<Monitor>& monitors,
                     OverlayEvents& events) = 0;
    // Closes a running overlay; after cover() without a run, takes the cover away.
    virtual void close() = 0;

    // Before the snapshot is taken: where the window system can freeze the live screen under
    // windows that show what lies beneath them, puts the overlay's windows up at once, so the
    // screen stops changing before a single pixel is read and the next run() reuses them;
    // true then. Elsewhere it does nothing, returns false and run() opens the windows itself.
    virtual bool cover(const std::vector<Monitor>& monitors) {
        (void)monitors;
        return false;
    }
    // Like cover(), but called while the program's own windows are still on the screen, before
    // they leave it for the capture: only where the cover lets the live screen show through
    // until the snapshot is painted (under a compositing manager), and only when none of the
    // program's windows lies over the screen rectangle (left, top, width, height) that must
    // show what is beneath it then. true when the cover is up; the next run() reuses it.
    virtual bool coverAhead(const std::vector<Monitor>& monitors, int left, int top, int width,
                            int height) {
        (void)monitors, (void)left, (void)top, (void)width, (void)height;
        return false;
    }

    // Removes the drawn figures; the snapshot stays.
    virtual void clearFigures() = 0;
    // The selection outline between two corners: green, 2 pixels wide, hollow.
    virtual void drawOutline(int x1, int y1, int x2, int y2) = 0;

    // A label with the text (UTF-8) at that geometry. Also between a cover() that froze the
    // screen and the run: the label is then on the screen at once, so the snapshot taken
    // after it shows it too.
    virtual void showHint(const std::string& text, int left, int top, int width, int height) = 0;
    virtual void hideHint() = 0;

    // The magnifier: its source square and the view showing it magnified, together.
    virtual void setMagnifierVisible(bool visible) = 0;
    // Copies the kSourceSize block of the canvas (snapshot and outline; black beyond the
    // monitors) at (sourceLeft, sourceTop) into the source square, draws the red crosshair
    // over it and shows the result scaled to kViewSize in the view at (viewLeft, viewTop).
    virtual void updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) = 0;
    // Where the source square sits (a kSourceSize square).
    virtual void moveSource(int left, int top) = 0;
};

}  // namespace platform
