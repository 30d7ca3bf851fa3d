#pragma once
// Other applications' windows and controls over the accessibility bus (libatspi): the
// class of a window is the name of its accessible application, its title is the window's
// accessible name, and control id N is the N-th editable text control of the window in
// depth-first order. Any thread may use it: every call is carried out on the session's
// bus thread, which also holds the objects behind the handles.
#include <memory>
#include <string>
#include <vector>

#include "platform/windows.h"

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
    class Handles;

    // Used on the bus thread only; shared with calls that overrun their wait.
    std::shared_ptr<Handles> m_handles;
};
