#pragma once
// The accessible tree of the desktop, read call by call: applications, their top-level
// windows and the editable text controls inside a window. Every method runs on the
// session's bus thread. A call that fails (a frozen or vanished application answers
// nothing within the call time limit) ends the walk that made it.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <atspi/atspi.h>

#include "platform/atspi/atspi_session.h"
#include "platform/atspi/g_ref.h"

class AtspiTree {
public:
    using Node = GRef<AtspiAccessible>;

    explicit AtspiTree(AtspiSession& session) : m_session(session) {}

    // Every accessible application of the desktop but this program, in desktop order.
    std::vector<Node> applications(const Deadline& deadline);
    // The application's top-level windows, in its order.
    std::vector<Node> windows(AtspiAccessible* application, const Deadline& deadline);
    // The editable text controls below the window in depth-first order, at most limit.
    std::vector<Node> editableControls(AtspiAccessible* window, size_t limit,
                                       const Deadline& deadline);

    // The accessible name; none when the application does not answer.
    std::optional<std::string> name(AtspiAccessible* object);
    // The first characters of a control's text, line breaks as the program keeps them.
    std::string textStart(AtspiAccessible* control, int characters);
    // Replaces a control's whole text (given with LF line breaks).
    bool setText(AtspiAccessible* control, const std::string& text);

private:
    // The number of children; -1 when the call failed.
    int childCount(AtspiAccessible* object);
    // The index-th child; fails is set when the call failed.
    Node childAt(AtspiAccessible* object, int index, bool& failed);
    bool hasState(AtspiStateSet* states, AtspiStateType state) const;

    AtspiSession& m_session;
};
