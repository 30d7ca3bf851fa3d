#pragma once
// Waits until the screen has settled after the main window left it: on X11 the server's
// DAMAGE extension reports every change of the root window and what lies on it, so once the
// windows beneath have repainted (and a minimize animation has played out) the reports stop.
// Without X11, or without the extension, there is nothing to wait for.
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>

class ScreenSettle : public QAbstractNativeEventFilter {
public:
    // Starts watching; create it before the window goes away or while it goes.
    ScreenSettle();
    ~ScreenSettle() override;
    ScreenSettle(const ScreenSettle&) = delete;
    ScreenSettle& operator=(const ScreenSettle&) = delete;

    // True while the screen's changes are being watched.
    bool watching() const { return m_damage != 0; }
    // Handles events until no change has been reported for quietMs, at most limitMs in all.
    // Returns at once when nothing is watched.
    void waitUntilQuiet(int quietMs, int limitMs);
    // How many changes were reported so far.
    int changes() const { return m_changes; }

    // Handles events, without spinning, until done() holds or limitMs have passed; done()'s
    // last answer.
    static bool waitFor(const std::function<bool()>& done, int limitMs);

    // True when a window manager runs on the X display (one owns the WM_Sn selection);
    // without X11 the desktop is assumed to have one.
    static bool windowManagerPresent();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::uint32_t m_damage = 0;
    std::uint8_t m_damageEvent = 0;
    int m_changes = 0;
    QElapsedTimer m_sinceChange;
};
