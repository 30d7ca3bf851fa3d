#include "platform/atspi/atspi_windows.h"

#include <atspi/atspi.h>

#include <chrono>
#include <limits>

#include "app/text_tools.h"
#include "platform/atspi/atspi_session.h"
#include "platform/atspi/atspi_tree.h"

namespace {

using namespace std::chrono_literals;

// Time one search may take (each call within it is limited on its own as well), so a
// delivery of one path stays within a few seconds whatever the targets do.
constexpr auto kSearchBudget = 2500ms;
// Time the listing may spend on one application.
constexpr auto kListBudgetPerApplication = 3000ms;
// Handles kept alive; the oldest goes when a new one would exceed this.
constexpr size_t kMaxHandles = 64;
// Characters of a control's text that the listing gets: enough to show its start and to
// tell that there is more.
constexpr int kListedCharacters = 64;

}  // namespace

AtspiWindows::AtspiWindows() {
    AtspiSession& session = AtspiSession::instance();
    auto lock = session.hold();
    session.connected();
}

AtspiWindows::~AtspiWindows() {
    auto lock = AtspiSession::instance().hold();
    m_handles.clear();
}

platform::TargetHandle AtspiWindows::findWindow(const std::string& className,
                                                const std::string& title) {
    AtspiSession& session = AtspiSession::instance();
    auto lock = session.hold();
    if (!session.connected()) return 0;
    AtspiTree tree(session);
    Deadline deadline(kSearchBudget);
    for (const AtspiTree::Node& app : tree.applications(deadline)) {
        if (deadline.passed()) break;
        if (!className.empty()) {
            std::optional<std::string> name = tree.name(app.get());
            if (!name || !text::equalsIgnoreCase(*name, className)) continue;
        }
        for (const AtspiTree::Node& window : tree.windows(app.get(), deadline)) {
            if (!title.empty()) {
                std::optional<std::string> name = tree.name(window.get());
                if (!name || *name != title) continue;
            }
            return remember(window);
        }
    }
    return 0;
}

platform::TargetHandle AtspiWindows::findControl(platform::TargetHandle window, int id) {
    if (window == 0 || id < 1) return 0;
    AtspiSession& session = AtspiSession::instance();
    auto lock = session.hold();
    AtspiAccessible* object = lookup(window);
    if (!object || !session.connected()) return 0;
    AtspiTree tree(session);
    Deadline deadline(kSearchBudget);
    std::vector<AtspiTree::Node> controls =
        tree.editableControls(object, static_cast<size_t>(id), deadline);
    if (controls.size() < static_cast<size_t>(id)) return 0;
    return remember(controls[static_cast<size_t>(id) - 1]);
}

void AtspiWindows::setText(platform::TargetHandle control, const std::string& text) {
    if (control == 0) return;
    AtspiSession& session = AtspiSession::instance();
    auto lock = session.hold();
    AtspiAccessible* object = lookup(control);
    if (!object || !session.connected()) return;
    AtspiTree(session).setText(object, text::crlfToLf(text));
}

std::vector<platform::TargetWindow> AtspiWindows::listWindows() {
    std::vector<platform::TargetWindow> out;
    AtspiSession& session = AtspiSession::instance();
    auto lock = session.hold();
    if (!session.connected()) return out;
    AtspiTree tree(session);
    Deadline all(std::chrono::hours(1));  // the applications themselves are bounded below
    for (const AtspiTree::Node& app : tree.applications(all)) {
        std::optional<std::string> className = tree.name(app.get());
        if (!className) continue;  // not answering
        Deadline deadline(kListBudgetPerApplication);
        for (const AtspiTree::Node& window : tree.windows(app.get(), deadline)) {
            platform::TargetWindow listed{*className, tree.name(window.get()).value_or(""), {}};
            for (const AtspiTree::Node& control : tree.editableControls(
                     window.get(), std::numeric_limits<size_t>::max(), deadline)) {
                listed.controlTexts.push_back(tree.textStart(control.get(), kListedCharacters));
            }
            out.push_back(std::move(listed));
        }
    }
    return out;
}

platform::TargetHandle AtspiWindows::remember(const GRef<AtspiAccessible>& object) {
    // libatspi keeps one object per accessible, so the same control keeps its handle.
    for (const auto& [handle, known] : m_handles) {
        if (known.get() == object.get()) return handle;
    }
    platform::TargetHandle handle = m_nextHandle++;
    m_handles.emplace(handle, object);
    if (m_handles.size() > kMaxHandles) m_handles.erase(m_handles.begin());
    return handle;
}

AtspiAccessible* AtspiWindows::lookup(platform::TargetHandle handle) const {
    auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : it->second.get();
}
