#include "platform/atspi/atspi_windows.h"

#include <atspi/atspi.h>

#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <optional>

#include "text/text_tools.h"
#include "platform/atspi/atspi_session.h"
#include "platform/atspi/atspi_tree.h"
#include "platform/atspi/g_ref.h"

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
// How long a caller waits for the bus thread beyond the work's own budget: the last call
// of a search may start just before the budget ends, and earlier work may be queued.
constexpr auto kWaitMargin = std::chrono::milliseconds(AtspiSession::kCallTimeoutMs) + 1500ms;
// How long a caller waits for the bus thread to connect.
constexpr auto kConnectWait = 5000ms;
// A listing visits every application; it only runs where nobody else waits for the bus.
constexpr auto kListWait = std::chrono::minutes(2);

}  // namespace

// The objects behind the handles given out. libatspi keeps one object per accessible, so
// the same control keeps its handle.
class AtspiWindows::Handles {
public:
    platform::TargetHandle remember(const GRef<AtspiAccessible>& object) {
        for (const auto& [handle, known] : m_objects) {
            if (known.get() == object.get()) return handle;
        }
        platform::TargetHandle handle = m_next++;
        m_objects.emplace(handle, object);
        if (m_objects.size() > kMaxHandles) m_objects.erase(m_objects.begin());
        return handle;
    }

    AtspiAccessible* lookup(platform::TargetHandle handle) const {
        auto it = m_objects.find(handle);
        return it == m_objects.end() ? nullptr : it->second.get();
    }

private:
    std::map<platform::TargetHandle, GRef<AtspiAccessible>> m_objects;
    platform::TargetHandle m_next = 1;
};

AtspiWindows::AtspiWindows() : m_handles(std::make_shared<Handles>()) {
    // Connecting before the caller goes on (in the program, before the event loop runs).
    AtspiSession& session = AtspiSession::instance();
    session.run([&session] { session.connected(); }, kConnectWait);
}

AtspiWindows::~AtspiWindows() {
    // The objects are released on the bus thread.
    AtspiSession::instance().post([handles = std::move(m_handles)]() mutable { handles.reset(); });
}

platform::TargetHandle AtspiWindows::findWindow(const std::string& className,
                                                const std::string& title) {
    AtspiSession& session = AtspiSession::instance();
    std::function<platform::TargetHandle()> task = [&session, handles = m_handles, className,
                                                    title]() -> platform::TargetHandle {
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
                return handles->remember(window);
            }
        }
        return 0;
    };
    return session.call(std::move(task), kSearchBudget + kWaitMargin, platform::TargetHandle{0});
}

platform::TargetHandle AtspiWindows::findControl(platform::TargetHandle window, int id) {
    if (window == 0 || id < 1) return 0;
    AtspiSession& session = AtspiSession::instance();
    std::function<platform::TargetHandle()> task = [&session, handles = m_handles, window,
                                                    id]() -> platform::TargetHandle {
        AtspiAccessible* object = handles->lookup(window);
        if (!object || !session.connected()) return 0;
        AtspiTree tree(session);
        Deadline deadline(kSearchBudget);
        std::vector<AtspiTree::Node> controls =
            tree.editableControls(object, static_cast<size_t>(id), deadline);
        if (controls.size() < static_cast<size_t>(id)) return 0;
        return handles->remember(controls[static_cast<size_t>(id) - 1]);
    };
    return session.call(std::move(task), kSearchBudget + kWaitMargin, platform::TargetHandle{0});
}

void AtspiWindows::setText(platform::TargetHandle control, const std::string& text) {
    if (control == 0) return;
    AtspiSession& session = AtspiSession::instance();
    session.run(
        [&session, handles = m_handles, control, text = text::crlfToLf(text)] {
            AtspiAccessible* object = handles->lookup(control);
            if (!object || !session.connected()) return;
            AtspiTree(session).setText(object, text);
        },
        kWaitMargin);
}

std::vector<platform::TargetWindow> AtspiWindows::listWindows() {
    AtspiSession& session = AtspiSession::instance();
    std::function<std::vector<platform::TargetWindow>()> task = [&session] {
        std::vector<platform::TargetWindow> out;
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
    };
    return session.call(std::move(task), kListWait, std::vector<platform::TargetWindow>{});
}
