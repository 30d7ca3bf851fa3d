#pragma once
// One full-screen window of the region selector, on one monitor. It paints its monitor's part
// of the scene in physical pixels, whatever the device pixel ratio, so that one pixel of the
// snapshot is one pixel of the screen, and reports input in screen coordinates, those of a
// capture rectangle.
#include <QMouseEvent>
#include <QWidget>
#include <functional>

#include "platform/overlay.h"
#include "platform/qt/overlay/overlay_scene.h"

class QScreen;

class OverlayWidget : public QWidget {
public:
    // A top-level window of its own, kept with no other: a Wayland compositor may keep a
    // window on its parent's output.
    // An unmanaged window (freezing) bypasses the window manager, so it is on the screen as
    // soon as it is mapped; it reports input from the first setEvents() on.
    OverlayWidget(const OverlayScene& scene, const platform::Monitor& monitor, bool unmanaged);

    void setEvents(platform::OverlayEvents& events) { m_events = &events; }

    // Called once when the window goes away, whoever closed it.
    std::function<void()> onClosed;

    // Covers the screen; the window that takes the keyboard also gets the focus.
    void open(QScreen* screen, bool takeKeyboard);
    // Covers the screen with an unmanaged window that shows, unpainted, the frozen screen
    // beneath it (seeThrough, under a compositing manager: a transparent window over the live
    // screen); false when the window system did not let it (the window is then hidden).
    bool freeze(QScreen* screen, bool takeKeyboard, bool seeThrough);
    // Lets a frozen window paint the scene (the same pixels, once it holds the snapshot).
    void reveal();
    // Hides the window without reporting input any more.
    void dismiss();
    // Schedules a repaint of what of a screen rectangle lies on this window.
    void dirty(const QRect& screenRect);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint toScreen(const QMouseEvent& event) const;
    void finish();

    const OverlayScene& m_scene;
    platform::Monitor m_monitor;
    platform::OverlayEvents* m_events = nullptr;
    bool m_active = false;
    bool m_keyboard = false;
};
