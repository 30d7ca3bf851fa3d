#include "platform/atspi/atspi_tree.h"

#include <algorithm>

#include "text/text_tools.h"

namespace {

// Deeper trees than this are not walked; no real window nests its fields that far.
constexpr size_t kMaxDepth = 64;
// Children beyond this many are not looked at (huge lists, table cells).
constexpr int kMaxChildren = 4096;

// The children of an application are its top-level windows: frames, dialogs, windows,
// and whatever a toolkit calls a plain top-level widget (Qt says "filler"). Tool tips and
// menus are transient popups, not windows a user would name.
bool isTopLevelRole(AtspiRole role) {
    return role != ATSPI_ROLE_TOOL_TIP && role != ATSPI_ROLE_POPUP_MENU &&
           role != ATSPI_ROLE_MENU && role != ATSPI_ROLE_INVALID;
}

// Frees a GError and reports whether there was one.
bool failed(GError* error) {
    if (!error) return false;
    g_error_free(error);
    return true;
}

}  // namespace

std::vector<AtspiTree::Node> AtspiTree::applications(const Deadline& deadline) {
    std::vector<Node> out;
    Node desktop(atspi_get_desktop(0));
    if (!desktop) return out;
    int count = childCount(desktop.get());
    for (int i = 0; i < count && !deadline.passed(); ++i) {
        bool callFailed = false;
        Node app = childAt(desktop.get(), i, callFailed);
        if (callFailed) break;  // the registry itself stopped answering
        if (app && !m_session.isOwnApplication(app.get())) out.push_back(app);
    }
    return out;
}

std::vector<AtspiTree::Node> AtspiTree::windows(AtspiAccessible* application,
                                                const Deadline& deadline) {
    std::vector<Node> out;
    int count = childCount(application);
    for (int i = 0; i < count && !deadline.passed(); ++i) {
        bool callFailed = false;
        Node window = childAt(application, i, callFailed);
        if (callFailed) break;
        if (!window) continue;
        GError* error = nullptr;
        AtspiRole role = atspi_accessible_get_role(window.get(), &error);
        if (failed(error)) break;
        if (isTopLevelRole(role)) out.push_back(window);
    }
    return out;
}

std::vector<AtspiTree::Node> AtspiTree::editableControls(AtspiAccessible* window, size_t limit,
                                                         const Deadline& deadline) {
    struct Level {
        Node node;
        int count;
        int next;
    };
    std::vector<Node> found;
    std::vector<Level> stack;
    int count = childCount(window);
    if (count < 0) return found;
    stack.push_back({Node(static_cast<AtspiAccessible*>(g_object_ref(window))), count, 0});
    while (!stack.empty() && found.size() < limit) {
        if (deadline.passed()) break;
        Level& level = stack.back();
        if (level.next >= std::min(level.count, kMaxChildren)) {
            stack.pop_back();
            continue;
        }
        bool callFailed = false;
        Node child = childAt(level.node.get(), level.next++, callFailed);
        if (callFailed) break;
        if (!child) continue;
        AtspiStateSet* states = atspi_accessible_get_state_set(child.get());
        bool editable = hasState(states, ATSPI_STATE_EDITABLE);
        // A container that manages its descendants (a grid, a terminal) may claim
        // millions of them; its cells are no fields of the window.
        bool descend = !hasState(states, ATSPI_STATE_MANAGES_DESCENDANTS);
        if (states) g_object_unref(states);
        if (editable) {
            GRef<AtspiEditableText> text(atspi_accessible_get_editable_text_iface(child.get()));
            if (text) found.push_back(child);
        }
        if (descend && stack.size() < kMaxDepth) {
            int grandchildren = childCount(child.get());
            if (grandchildren < 0) break;
            if (grandchildren > 0) stack.push_back({child, grandchildren, 0});
        }
    }
    return found;
}

std::optional<std::string> AtspiTree::name(AtspiAccessible* object) {
    GError* error = nullptr;
    gchar* name = atspi_accessible_get_name(object, &error);
    std::optional<std::string> out;
    if (!failed(error)) out = name ? name : "";
    g_free(name);
    return out;
}

std::string AtspiTree::textStart(AtspiAccessible* control, int characters) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(control));
    if (!text) return {};
    GError* error = nullptr;
    int count = atspi_text_get_character_count(text.get(), &error);
    if (failed(error) || count <= 0) return {};
    gchar* start = atspi_text_get_text(text.get(), 0, std::min(count, characters), &error);
    std::string out = !failed(error) && start ? text::lfToCrlf(start) : std::string();
    g_free(start);
    return out;
}

bool AtspiTree::setText(AtspiAccessible* control, const std::string& text) {
    GRef<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(control));
    if (!editable) return false;
    GError* error = nullptr;
    gboolean done = atspi_editable_text_set_text_contents(editable.get(), text.c_str(), &error);
    return !failed(error) && done;
}

int AtspiTree::childCount(AtspiAccessible* object) {
    GError* error = nullptr;
    int count = atspi_accessible_get_child_count(object, &error);
    return failed(error) ? -1 : count;
}

AtspiTree::Node AtspiTree::childAt(AtspiAccessible* object, int index, bool& callFailed) {
    GError* error = nullptr;
    Node child(atspi_accessible_get_child_at_index(object, index, &error));
    callFailed = failed(error);
    return callFailed ? Node() : child;
}

bool AtspiTree::hasState(AtspiStateSet* states, AtspiStateType state) const {
    return states && atspi_state_set_contains(states, state);
}
