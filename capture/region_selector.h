#pragma once
// The interactive capture: a modal full-screen overlay over a frozen snapshot of every
// monitor, on which the user drags out a rectangle with the left button, on one monitor
// (the one where the button went down; the pointer is held to it). The hint sits on the
// primary monitor, the magnifier on the monitor under the pointer. The
// rectangle is cut from the snapshot (never from the live screen, and without the outline)
// and handed back; starting the recognition and putting the main window back are the
// caller's business. A right click or Esc cancels.
#include <functional>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "capture/capture_rect.h"
#include "capture/monitor_layout.h"
#include "platform/overlay.h"
#include "platform/screen.h"
#include "text/text_tools.h"

class RegionSelector : private platform::OverlayEvents {
public:
    static constexpr const char* kHint = "按住鼠标左键不放，拉动鼠标到合适的位置即可";
    static constexpr int kHintTop = 8;
    static constexpr int kHintWidth = 428;
    static constexpr int kHintHeight = 32;

    struct Result {
        // Empty only when the screen could not be read; bmp is then empty too.
        CaptureRect rect;
        Bytes bmp;
    };

    RegionSelector(AppState& state, platform::Screen& screen, platform::Overlay& overlay);

    // Stores kind as the pending kind, opens the overlay and returns when it has closed:
    // the rectangle and its image, or nothing when cancelled or when the release selected
    // no area (a plain click). Nothing either, at once and
    // without opening anything, while an overlay is already open. When the screen cannot be
    // read the result is empty without an overlay, so the caller reports an empty capture.
    // onSelected, when given, is told of the rectangle the moment the button is released,
    // with the snapshot and the rectangle in its coordinates, while the overlay is still up:
    // the recognition can start on those pixels while the overlay closes and the rectangle
    // is cut out.
    using Selected = std::function<void(const SnapshotArea& area)>;
    std::optional<Result> run(int kind, const Selected& onSelected = {});
    // Called before the program's window leaves the screen for a run: where the overlay can
    // go up over the live screen at once (Overlay::coverAhead), it does so with its hint, and
    // the next run takes its snapshot under them.
    void coverAhead();
    bool isOpen() const { return m_open; }

    // The rectangle between the drag's start and end point, whichever way it went.
    static CaptureRect normalize(int x1, int y1, int x, int y);
    // Left edge of the hint label, centred on a monitor of that width (counted from its left).
    static int hintLeft(int screenWidth);

private:
    void onOpened() override;
    void onLeftPress(int x, int y) override;
    void onLeftRelease(int x, int y) override;
    void onRightPress(int x, int y) override;
    void onMove(int x, int y) override;
    void onEscape() override;

    // The hint label's place on that monitor.
    static CaptureRect hintArea(const platform::Monitor& primary);
    // The same on the primary one of those monitors.
    static CaptureRect hintArea(const std::vector<platform::Monitor>& monitors);
    // On a frozen screen: the hint goes up before the snapshot is read; what it hides of the
    // screen is read first, to be put back into the snapshot. Empty when unreadable.
    platform::ScreenImage showHintEarly(const CaptureRect& hint);

    void updateMagnifier(int x, int y);
    // Puts the magnifier's source square on that monitor, in its bottom-left corner, when
    // the pointer has moved there from another one.
    void follow(std::size_t monitor);
    void placeSource();
    const platform::Monitor& magnifierMonitor() const;
    bool overHint(int x, int y) const;
    bool overSource(int x, int y) const;

    AppState& m_state;
    platform::Screen& m_screen;
    platform::Overlay& m_overlay;
    bool m_open = false;
    // Shared: a recognition started on release may still be reading it.
    std::shared_ptr<const platform::ScreenImage> m_snapshot;
    Selected m_onSelected;
    std::optional<MonitorLayout> m_layout;
    std::size_t m_magnifierMonitor = 0;
    std::size_t m_dragMonitor = 0;
    bool m_hintVisible = false;
    bool m_magnifierVisible = false;
    // Left edge of the source square, counted from its monitor's left edge.
    int m_sourceLeft = 0;
    std::optional<Result> m_result;
    // What coverAhead() put up: for those monitors, and what the hint hides.
    struct Ahead {
        std::vector<platform::Monitor> monitors;
        platform::ScreenImage beneathHint;
    };
    std::optional<Ahead> m_ahead;
};
