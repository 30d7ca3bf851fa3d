#pragma once
// Waits until the place of a window that leaves the screen has been redrawn without it, so a
// capture taken then shows what lies beneath. On X11 the window's frame (the window manager's
// decoration, or the window itself without one) is watched for its unmap, and the server's
// DAMAGE extension reports every rectangle drawn on the screen from then on: once every pixel
// of the place that was showing has been drawn again, nothing of the window is left. Under a
// compositing manager, which may fade a window out, the screen must also have stopped
// changing. On Wayland a round trip to the compositor is enough: once it has taken the
// surface off its scene, no screenshot it renders holds the window.
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QRegion>
#include <cstdint>
#include <functional>

class QWindow;

class ScreenSettle : public QAbstractNativeEventFilter {
public:
    // Starts watching the window's place; create it before the window is hidden.
    explicit ScreenSettle(QWindow* window);
    ~ScreenSettle() override;
    ScreenSettle(const ScreenSettle&) = delete;
    ScreenSettle& operator=(const ScreenSettle&) = delete;

    // Handles events until the window and its frame are off the screen and their place has
    // been redrawn, at most limitMs; true when that was seen. Call after hiding the window.
    // The user's input waits meanwhile: it is meant for whatever shows once the window is
    // gone (an overlay that is already up, or the next command).
    bool waitUntilRedrawn(int limitMs);

    // How long the screen must not change under a compositing manager.
    static constexpr int kComposedQuietMs = 25;

    // Handles events but the user's input, without spinning, until done() holds or limitMs
    // have passed; done()'s last answer.
    static bool waitFor(const std::function<bool()>& done, int limitMs);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void watch(QWindow* window);
    bool redrawn() const;

    QWindow* m_window;
    std::uint32_t m_frame = 0;
    bool m_selectedOnFrame = false;
    std::uint32_t m_damage = 0;
    std::uint8_t m_damageEvent = 0;
    bool m_composited = false;
    bool m_frameGone = false;
    // What of the place showed the window (root coordinates) and has not been drawn since the
    // frame went.
    QRegion m_place;
    QRegion m_left;
    QElapsedTimer m_sinceChange;
};
