#pragma once
// Other applications' windows and controls over the accessibility bus (libatspi): the
// class of a window is the name of its accessible application, its title is the window's
// accessible name, and control id N is the N-th editable text control of the window in
// depth-first order. Construct it on the user-interface thread before its event loop
// runs; after that any thread may use it.
#include <map>
#include <string>
#include <vector>

#include "platform/atspi/g_ref.h"
#include "platform/windows.h"

typedef struct _AtspiAccessible AtspiAccessible;

class AtspiWindows : public platform::Windows {
public:
    AtspiWindows();
    ~AtspiWindows() override;
    AtspiWindows(const AtspiWindows&) = delete;
    AtspiWindows& operator=(const AtspiWindows&) = delete;

    platform::TargetHandle findWindow(const std::string& className,
                                      const std::string& title) override;
    platform::TargetHandle findControl(platform::TargetHandle window, int id) override;
    void setText(platform::TargetHandle control, const std::string& text) override;
    std::vector<platform::TargetWindow> listWindows() override;

private:
    // With the session's lock held.
    platform::TargetHandle remember(const GRef<AtspiAccessible>& object);
    AtspiAccessible* lookup(platform::TargetHandle handle) const;

    std::map<platform::TargetHandle, GRef<AtspiAccessible>> m_handles;
    platform::TargetHandle m_nextHandle = 1;
};
