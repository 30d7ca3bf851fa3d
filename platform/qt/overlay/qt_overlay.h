#pragma once
// The region selector's overlay as Qt windows: one frameless, full-screen window on each
// monitor, on top, each a top-level window of its own, run in a local event loop until it
// closes; meanwhile the program's other windows take no input. Over a frozen screen the hint
// is a small window of its own above them. Create and use it on the
// user-interface thread, after the QApplication.
#include <memory>
#include <vector>

#include "platform/overlay.h"

class OverlayScene;
class QRect;
class QString;
class OverlayWidget;

class QtOverlay : public platform::Overlay {
public:
    QtOverlay();
    ~QtOverlay() override;
    QtOverlay(const QtOverlay&) = delete;
    QtOverlay& operator=(const QtOverlay&) = delete;

    void run(const platform::ScreenImage& snapshot, const std::vector<platform::Monitor>& monitors,
             platform::OverlayEvents& events) override;
    void close() override;
    bool cover(const std::vector<platform::Monitor>& monitors) override;
    bool coverAhead(const std::vector<platform::Monitor>& monitors, int left, int top, int width,
                    int height) override;
    void clearFigures() override;
    void drawOutline(int x1, int y1, int x2, int y2) override;
    void showHint(const std::string& text, int left, int top, int width, int height) override;
    void hideHint() override;
    void setMagnifierVisible(bool visible) override;
    void updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) override;
    void moveSource(int left, int top) override;

private:
    struct Windows;
    // The windows and scene that cover() put up (before the snapshot), or those run() opens.
    std::unique_ptr<Windows> open(const std::vector<platform::Monitor>& monitors, bool freeze);
    // The hint as a window of its own over frozen windows; false where it cannot be one.
    static bool showHintWindow(Windows& windows, const QString& text, const QRect& rect);

    // What cover() put up, waiting for the run that shows the snapshot in it.
    std::unique_ptr<Windows> m_covering;
    // The scene and windows of the run under way; empty between runs, when every call does
    // nothing.
    OverlayScene* m_scene = nullptr;
    Windows* m_running = nullptr;
    std::vector<OverlayWidget*> m_widgets;
};
