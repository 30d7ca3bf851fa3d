#pragma once
// Global hotkeys: a key combination that reaches one window of the program whatever
// application has the focus. A pressed combination arrives at the window's event handling
// as a hotkey event carrying the registration's id. The handling of a window can be
// replaced; the replacement gets the previous handling back and chains to it, so a window
// can be watched without knowing who else handles its events.
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// An opaque window handle; the program chooses the value for its main window.
using WindowHandle = std::uintptr_t;

// Modifier flags of a registration; one registration may combine several of them.
inline constexpr int32_t kModAlt = 1;
inline constexpr int32_t kModControl = 2;
inline constexpr int32_t kModShift = 4;
inline constexpr int32_t kModWin = 8;

// The type of a hotkey event; the id is then the registration's id. Other types are free
// for the window's own use and carry whatever id their sender gives.
inline constexpr uint32_t kHotkeyEvent = 786;

struct WindowEvent {
    uint32_t type = 0;
    int64_t id = 0;
    bool operator==(const WindowEvent&) const = default;
};

// Handles one event of a window and gives the event's result.
using WindowHandler = std::function<int64_t(WindowHandle window, const WindowEvent& event)>;

class Hotkeys {
public:
    virtual ~Hotkeys() = default;

    // Makes the combination global for the window under the id; false when it cannot be
    // registered: key code 0 or a key code without a key on this keyboard, modifiers other
    // than a combination of the kMod flags (-1 stands for "no choice" and is refused), or a
    // combination that this or another program already holds. keyCode is a virtual-key code
    // in Windows numbering. Several registrations may share an id.
    virtual bool registerHotkey(WindowHandle window, int32_t id, int32_t modifiers,
                                int32_t keyCode) = 0;
    // Releases every registration of the window with the id; nothing when there is none.
    virtual void unregisterHotkey(WindowHandle window, int32_t id) = 0;

    // Installs the window's event handling and returns the one it replaces. A window that
    // had none set has the default handling, which ignores every event and gives 0.
    // Events are handled on the user-interface thread.
    virtual WindowHandler setWindowHandler(WindowHandle window, WindowHandler handler) = 0;

    // A desktop that binds a program's keys as one set (the desktop portal) may hold back the
    // registrations made between beginBatch and endBatch: registerHotkey then only says whether
    // the combination can be asked for, and endBatch makes them all and gives the ids that the
    // desktop refused after all. A backend that registers at once refuses nothing here.
    virtual void beginBatch() {}
    virtual std::vector<int32_t> endBatch() { return {}; }
};

}  // namespace platform
