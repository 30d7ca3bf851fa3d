#pragma once
// Global hotkeys through the desktop portal's GlobalShortcuts interface, for a Wayland desktop
// that gives no program the keys of others but binds them on its behalf. The portal binds a
// session's shortcuts as one set, once: each batch of registrations that changes the set opens
// a new session and binds the whole set there, waiting for the portal's answer (the desktop may
// ask the user first) while the window goes on painting. A shortcut the portal activates
// reaches the window's handler as a hotkey event, on the user-interface thread.
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/hotkeys.h"

class PortalShortcuts : public QObject, public platform::Hotkeys {
    Q_OBJECT

public:
    // The text the desktop shows for command id.
    using Describe = std::function<std::string(int32_t id)>;

    // Whether the desktop portal on the session bus offers global shortcuts.
    static bool offered();

    explicit PortalShortcuts(Describe describe);
    ~PortalShortcuts() override;
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;

    bool registerHotkey(platform::WindowHandle window, int32_t id, int32_t modifiers,
                        int32_t keyCode) override;
    void unregisterHotkey(platform::WindowHandle window, int32_t id) override;
    platform::WindowHandler setWindowHandler(platform::WindowHandle window,
                                             platform::WindowHandler handler) override;
    void beginBatch() override;
    std::vector<int32_t> endBatch() override;

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& message);

private:
    struct Shortcut {
        platform::WindowHandle window = 0;
        int32_t id = 0;
        std::string trigger;
        bool operator==(const Shortcut&) const = default;
    };

    // Binds the wanted set in a new session; the ids the portal did not bind.
    std::vector<int32_t> bind();
    // Calls a portal method that answers through a request object and waits for the answer;
    // nothing when the call failed, was refused or timed out.
    std::optional<QVariantMap> request(const QString& method, QList<QVariant> arguments,
                                       const QString& token);
    void closeSession();

    Describe m_describe;
    std::vector<Shortcut> m_wanted;
    std::vector<Shortcut> m_bound;
    QString m_session;
    bool m_batch = false;
    int m_requests = 0;
    std::map<platform::WindowHandle, platform::WindowHandler> m_handlers;
    // The request being waited for.
    std::optional<QVariantMap> m_answer;
    bool m_answered = false;
};
