#pragma once
// The five global hotkeys of the capture commands: their registration from the settings page,
// the captions and failure texts that report it, and the dispatch of a pressed hotkey to its
// command. The main window's event handling is replaced at the first successful registration
// and chains every other event to the handling it replaced.
#include <cstdint>
#include <functional>
#include <vector>

#include "app/app_state.h"
#include "app/status_line.h"
#include "platform/form.h"
#include "platform/hotkeys.h"

class HotkeyManager {
public:
    using Action = std::function<int32_t()>;
    // The capture command of hotkey id (1 to 5), the same as a click on its button.
    using Command = std::function<int32_t(int32_t id)>;

    struct HotkeyEntry {
        platform::WindowHandle window = 0;
        int32_t id = 0;
        Action action;
    };

    // The manager must outlive the window's use of its handler: once installed, the
    // handler is never taken back.
    HotkeyManager(const AppState& state, platform::Form& form, StatusLine& status,
                  platform::Hotkeys& hotkeys, platform::WindowHandle mainWindow, Command command);
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // Registers hotkeys 1 to hotkeyCount from the settings page and reports each outcome on
    // its button (success) or in the status line (failure).
    void registerAll();
    // On a desktop that gives no program global keys (a Wayland desktop without the shortcuts
    // portal) the rows register nothing; registerAll says instead, after a save or when a row
    // holds a key, that `ozmira --command N` is bound in the desktop's own keyboard settings.
    void setKeysBoundByDesktop(bool bound) { m_keysBoundByDesktop = bound; }
    // The name of command id (1 to 5), as its button caption and the desktop show it.
    static Text actionName(int32_t id);
    bool registerHotkey(platform::WindowHandle window, int32_t modifiers, int32_t keyCode,
                        Action action, int32_t id);
    // 1-based position of the first entry with the id, 0 when there is none.
    int32_t findEntry(int32_t id) const;
    // The replacement of the main window's event handling.
    int64_t windowProc(platform::WindowHandle window, const platform::WindowEvent& event);

    // A key release in key box 1 to hotkeyCount: the box shows the key's name, or nothing
    // when the key has none.
    void onKeyBoxKeyUp(int box, int32_t keyCode);

    const std::vector<HotkeyEntry>& entries() const { return m_entries; }

private:
    enum class Outcome { Unset, Registered, Failed };
    Outcome registerRow(int n);
    void reportRow(int n, Outcome outcome);
    bool clearRowsForDesktop();

    const AppState& m_state;
    platform::Form& m_form;
    StatusLine& m_status;
    platform::Hotkeys& m_hotkeys;
    platform::WindowHandle m_mainWindow;
    Command m_command;
    // Entries are never removed: a saved row appends again, and dispatch takes the first.
    std::vector<HotkeyEntry> m_entries;
    platform::WindowHandler m_previous;
    bool m_keysBoundByDesktop = false;
    bool m_ranBefore = false;  // the first run is the startup's; later ones follow a save
};
