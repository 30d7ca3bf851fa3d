#pragma once
// Puts each recognized text into controls of other applications' windows, so that a
// capture can fill a field of another program. The targets come from the sync settings:
// TargetPaths "class|title|id" joined by "+", read afresh at each delivery so that an edit
// takes effect at the next recognition.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "text/text_tools.h"
#include "platform/form.h"
#include "platform/windows.h"

class TargetSync {
public:
    using SettingsSource = std::function<Text()>;

    // The settings are the content of the sync-settings box of the main window.
    TargetSync(platform::Windows& windows, platform::Form& form);
    TargetSync(platform::Windows& windows, SettingsSource settings);

    // Delivers the text to every TargetPath of the settings, in order. A path that is
    // malformed or matches nothing receives nothing; nothing is reported.
    void deliver(const Text& text);

    // The control named by a TargetPath; an empty class or title matches any. 0 when the
    // window or the control does not exist.
    platform::TargetHandle findControl(const Text& className, const Text& title, int32_t id);
    // Replaces the control's text; no effect for handle 0.
    void setControlText(platform::TargetHandle control, const Text& text);

    // One line per top-level window and one per editable control, the latter beginning
    // with its TargetPath, for the user to copy into the settings.
    std::vector<std::string> listTargets();

private:
    platform::Windows& m_windows;
    SettingsSource m_settings;
};
