#pragma once
// In-memory top-level windows of other applications with their editable controls. Window
// handles are 1, 2, ... in list order; the handle of control id of window w is
// w * kPerWindow + id.
// Every call is recorded, so a test sees what was searched and what was sent.
#include <map>
#include <string>
#include <vector>

#include "platform/windows.h"

class FakeWindows : public platform::Windows {
public:
    struct Window {
        std::string className, title;
        std::map<int, std::string> controls;  // id -> current text
    };
    static constexpr platform::TargetHandle kPerWindow = 100000;
    static platform::TargetHandle control(platform::TargetHandle window, int id) {
        return window * kPerWindow + id;
    }
    struct Search {
        std::string className, title;
        bool operator==(const Search&) const = default;
    };
    struct Sent {
        platform::TargetHandle control;
        std::string text;
        bool operator==(const Sent&) const = default;
    };

    std::vector<Window> windows;
    std::vector<Search> searches;
    std::vector<Sent> sent;

    platform::TargetHandle findWindow(const std::string& className,
                                      const std::string& title) override;
    platform::TargetHandle findControl(platform::TargetHandle window, int id) override;
    void setText(platform::TargetHandle control, const std::string& text) override;
    std::vector<platform::TargetWindow> listWindows() override;
};
