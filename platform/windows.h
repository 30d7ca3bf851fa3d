#pragma once
// Other applications' top-level windows and their editable text controls (backend:
// platform/atspi, over the accessibility bus). A window is named by its class and title;
// on Linux the class is the name of the accessible application that owns the window and
// the title is the window's accessible name. A control is named by its id: the id-th
// editable text control of the window in depth-first order, counting from 1.
//
// Every call is bounded in time: a target that does not answer (frozen, or busy for
// long) costs a few seconds at most and then counts as not found. Calls may come from
// any thread; the backend serializes them. Texts are UTF-8 with CR LF line breaks.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An opaque reference to a window or a control; 0 is none. A handle stays usable while
// its window or control exists, at least until the next few dozen handles are given out.
using TargetHandle = std::uint64_t;

// One top-level window as the listing shows it.
struct TargetWindow {
    std::string className;
    std::string title;
    // The current text of each editable control, in id order (element 0 is id 1); only
    // its start when the text is long.
    std::vector<std::string> controlTexts;
};

class Windows {
public:
    virtual ~Windows() = default;
    // The first top-level window whose class (ASCII case ignored) and title (exact) match;
    // an empty class or title matches any. 0 when none matches. The program's own windows
    // never match.
    virtual TargetHandle findWindow(const std::string& className, const std::string& title) = 0;
    // The id-th editable text control of the window, counting from 1; 0 when the window
    // has fewer, when id is below 1 or when window is 0.
    virtual TargetHandle findControl(TargetHandle window, int id) = 0;
    // Replaces the whole text of the control. Nothing happens for handle 0 or a control
    // that is gone; nothing is reported.
    virtual void setText(TargetHandle control, const std::string& text) = 0;
    // Every top-level window of every accessible application but this program, in the
    // order findWindow searches them, each with its editable controls.
    virtual std::vector<TargetWindow> listWindows() = 0;
};

}  // namespace platform
