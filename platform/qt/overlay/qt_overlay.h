#pragma once
// The region selector's overlay as a Qt window: frameless, full screen on the primary
// screen, on top and application-modal, run in a local event loop until it closes.
// Create and use it on the user-interface thread, after the QApplication.
#include "platform/overlay.h"

class OverlayWidget;

class QtOverlay : public platform::Overlay {
public:
    QtOverlay() = default;
    ~QtOverlay() override = default;
    QtOverlay(const QtOverlay&) = delete;
    QtOverlay& operator=(const QtOverlay&) = delete;

    void run(const platform::ScreenImage& snapshot, platform::OverlayEvents& events) override;
    void close() override;
    void clearFigures() override;
    void drawOutline(int x1, int y1, int x2, int y2) override;
    void showHint(const std::string& text, int left, int top, int width, int height) override;
    void hideHint() override;
    void setMagnifierVisible(bool visible) override;
    void updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) override;
    void moveSource(int left, int top) override;

private:
    // The window of the run under way; null between runs, when every call does nothing.
    OverlayWidget* m_widget = nullptr;
};
