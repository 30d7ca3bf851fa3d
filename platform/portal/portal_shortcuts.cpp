#include "platform/portal/portal_shortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>

#include "platform/portal/portal_triggers.h"

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// The portal may show the user a dialog before it answers a binding.
constexpr int kAnswerTimeoutMs = 120000;
constexpr int kCallTimeoutMs = 5000;
const QString kIdPrefix = QStringLiteral("command-");

// One shortcut as the portal takes and gives it: an id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& s) {
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

int64_t ignoreEvent(platform::WindowHandle, const platform::WindowEvent&) {
    return 0;
}

// The id of a shortcut the portal names, 0 for one that is not ours.
int32_t commandOf(const QString& shortcut) {
    if (!shortcut.startsWith(kIdPrefix)) return 0;
    bool ok = false;
    const int id = shortcut.mid(kIdPrefix.size()).toInt(&ok);
    return ok && id > 0 ? id : 0;
}

}  // namespace

Q_DECLARE_METATYPE(PortalShortcut)

bool PortalShortcuts::offered() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortal, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

PortalShortcuts::PortalShortcuts(Describe describe) : m_describe(std::move(describe)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    QDBusConnection::sessionBus().connect(kPortal, kPortalPath, kInterface,
                                          QStringLiteral("Activated"), this,
                                          SLOT(onActivated(QDBusMessage)));
}

PortalShortcuts::~PortalShortcuts() {
    closeSession();
}

bool PortalShortcuts::registerHotkey(platform::WindowHandle window, int32_t id, int32_t modifiers,
                                     int32_t keyCode) {
    const std::string trigger = portal_triggers::trigger(modifiers, keyCode);
    if (trigger.empty() || id <= 0) return false;
    // One combination for two commands is refused here, as the X11 grabs refuse it.
    for (const Shortcut& s : m_wanted)
        if (s.trigger == trigger) return false;
    m_wanted.push_back({window, id, trigger});
    if (m_batch) return true;
    const std::vector<int32_t> refused = bind();
    return std::find(refused.begin(), refused.end(), id) == refused.end();
}

void PortalShortcuts::unregisterHotkey(platform::WindowHandle window, int32_t id) {
    const auto erased = std::erase_if(
        m_wanted, [&](const Shortcut& s) { return s.window == window && s.id == id; });
    if (erased > 0 && !m_batch) bind();
}

platform::WindowHandler PortalShortcuts::setWindowHandler(platform::WindowHandle window,
                                                          platform::WindowHandler handler) {
    auto [slot, added] = m_handlers.try_emplace(window, ignoreEvent);
    platform::WindowHandler previous = std::move(slot->second);
    slot->second = std::move(handler);
    return previous ? previous : platform::WindowHandler(ignoreEvent);
}

void PortalShortcuts::beginBatch() {
    m_batch = true;
}

std::vector<int32_t> PortalShortcuts::endBatch() {
    m_batch = false;
    // Rows register again one by one on every save; in id order the same set compares equal.
    std::sort(m_wanted.begin(), m_wanted.end(),
              [](const Shortcut& a, const Shortcut& b) { return a.id < b.id; });
    // An unchanged set stays bound: a new session would ask the user again for nothing.
    if (m_wanted == m_bound && (!m_session.isEmpty() || m_wanted.empty())) return {};
    return bind();
}

std::vector<int32_t> PortalShortcuts::bind() {
    closeSession();
    m_bound.clear();
    std::vector<int32_t> refused;
    for (const Shortcut& s : m_wanted) refused.push_back(s.id);
    if (m_wanted.empty()) return refused;

    const QString token = QStringLiteral("ozmira%1").arg(++m_requests);
    const std::optional<QVariantMap> created =
        request(QStringLiteral("CreateSession"),
                {QVariantMap{{QStringLiteral("handle_token"), token},
                             {QStringLiteral("session_handle_token"), QStringLiteral("ozmira")}}},
                token);
    if (!created) {
        m_wanted.clear();
        return refused;
    }
    const QVariant handle = created->value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                     : handle.toString();
    if (m_session.isEmpty()) {
        m_wanted.clear();
        return refused;
    }

    QList<PortalShortcut> shortcuts;
    for (const Shortcut& s : m_wanted) {
        shortcuts.push_back(
            {kIdPrefix + QString::number(s.id),
             {{QStringLiteral("description"), QString::fromStdString(m_describe(s.id))},
              {QStringLiteral("preferred_trigger"), QString::fromStdString(s.trigger)}}});
    }
    const QString bindToken = QStringLiteral("ozmira%1").arg(++m_requests);
    const std::optional<QVariantMap> bound =
        request(QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
                 QString(), QVariantMap{{QStringLiteral("handle_token"), bindToken}}},
                bindToken);
    std::vector<int32_t> accepted;
    if (bound) {
        const auto list =
            qdbus_cast<QList<PortalShortcut>>(bound->value(QStringLiteral("shortcuts")));
        for (const PortalShortcut& s : list) accepted.push_back(commandOf(s.id));
    }
    // What the portal did not bind is not held: the row reports its failure.
    std::erase_if(m_wanted, [&](const Shortcut& s) {
        return std::find(accepted.begin(), accepted.end(), s.id) == accepted.end();
    });
    std::erase_if(refused, [&](int32_t id) {
        return std::find(accepted.begin(), accepted.end(), id) != accepted.end();
    });
    m_bound = m_wanted;
    if (m_wanted.empty()) closeSession();
    return refused;
}

std::optional<QVariantMap> PortalShortcuts::request(const QString& method,
                                                    QList<QVariant> arguments,
                                                    const QString& token) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::nullopt;
    // The answer comes as a signal of a request object whose path the caller can know in
    // advance; listening before the call means a quick answer is not missed.
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    const char* slot = SLOT(onResponse(uint, QVariantMap));
    bus.connect(kPortal, path, kRequest, QStringLiteral("Response"), this, slot);
    m_answer.reset();
    m_answered = false;

    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInterface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        bus.disconnect(kPortal, path, kRequest, QStringLiteral("Response"), this, slot);
        return std::nullopt;
    }
    // An older portal may choose another path than the one asked for.
    const QString given = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    if (!given.isEmpty() && given != path) {
        bus.disconnect(kPortal, path, kRequest, QStringLiteral("Response"), this, slot);
        path = given;
        bus.connect(kPortal, path, kRequest, QStringLiteral("Response"), this, slot);
    }
    // The window keeps painting meanwhile; the user's input to it waits until the answer.
    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    while (!m_answered && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    bus.disconnect(kPortal, path, kRequest, QStringLiteral("Response"), this, slot);
    return m_answer;
}

void PortalShortcuts::onResponse(uint response, const QVariantMap& results) {
    m_answered = true;
    // 0 is success; 1 the user cancelled, 2 anything else.
    if (response == 0) m_answer = results;
}

void PortalShortcuts::onActivated(const QDBusMessage& message) {
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty()) return;
    if (arguments[0].value<QDBusObjectPath>().path() != m_session) return;
    const int32_t id = commandOf(arguments[1].toString());
    const auto bound =
        std::find_if(m_bound.begin(), m_bound.end(), [&](const Shortcut& s) { return s.id == id; });
    if (bound == m_bound.end()) return;
    const platform::WindowHandle window = bound->window;
    // As a key grab's press would: the handler runs after the bus's dispatch, not inside it.
    QMetaObject::invokeMethod(
        this,
        [this, window, id] {
            const auto it = m_handlers.find(window);
            if (it != m_handlers.end() && it->second)
                it->second(window, {platform::kHotkeyEvent, id});
        },
        Qt::QueuedConnection);
}

void PortalShortcuts::closeSession() {
    if (m_session.isEmpty()) return;
    QDBusMessage close = QDBusMessage::createMethodCall(
        kPortal, m_session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::NoBlock);
    m_session.clear();
}
