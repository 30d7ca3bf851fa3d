#include "platform/portal/screenshot_request.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

namespace {

// What the portal's Response signal says (org.freedesktop.portal.Request).
constexpr uint kResponseSuccess = 0;
constexpr uint kResponseCancelled = 1;

// Errors that mean there is nothing on the bus that could take a screenshot.
bool missingPortal(const QDBusError& error) {
    switch (error.type()) {
        case QDBusError::ServiceUnknown:
        case QDBusError::UnknownMethod:
        case QDBusError::UnknownInterface:
        case QDBusError::UnknownObject:
        case QDBusError::Disconnected:
            return true;
        default:
            // Activation failures come as org.freedesktop.DBus.Error.Spawn.*.
            return error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
    }
}

// The path of the Request object the portal makes for a call with this token: the sender's
// unique name without its colon, dots as underscores, then the token.
QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

}  // namespace

ScreenshotRequest::ScreenshotRequest(QDBusConnection bus, int timeoutMs)
    : m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {}

ScreenshotRequest::Answer ScreenshotRequest::take() {
    m_done = false;
    m_answer = {};
    if (!m_bus.isConnected()) return {Outcome::NoPortal, {}};

    // Listening starts before the call, so a Response that overtakes the call's reply is
    // not lost.
    const QString token = QStringLiteral("ozmira%1").arg(QRandomGenerator::global()->generate());
    if (!listen(requestPath(m_bus, token))) return {Outcome::Failed, {}};

    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kInterface), QStringLiteral("Screenshot"));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("interactive"), false);
    options.insert(QStringLiteral("modal"), false);
    call << QString() << options;

    QEventLoop loop;
    m_loop = &loop;
    QDBusPendingCallWatcher watcher(m_bus.asyncCall(call, m_timeoutMs));
    connect(&watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            const QDBusError error = reply.error();
            finish({missingPortal(error) ? Outcome::NoPortal
                    : error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout
                        ? Outcome::TimedOut
                        : Outcome::Failed,
                    {}});
            return;
        }
        // Portals before version 0.9 chose the path themselves.
        const QString path = reply.value().path();
        if (!m_done && path != m_path) {
            stopListening();
            if (!listen(path)) finish({Outcome::Failed, {}});
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, this, [this] { finish({Outcome::TimedOut, {}}); });
    limit.start(m_timeoutMs);
    if (!m_done) loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_loop = nullptr;

    if (m_answer.outcome == Outcome::TimedOut && !m_path.isEmpty()) {
        // Takes the desktop's question off the screen; nobody waits for its answer any more.
        m_bus.asyncCall(QDBusMessage::createMethodCall(QLatin1String(kService), m_path,
                                                       QLatin1String(kRequestInterface),
                                                       QStringLiteral("Close")));
    }
    stopListening();
    return m_answer;
}

bool ScreenshotRequest::listen(const QString& path) {
    m_path = path;
    // Bound to the portal's name: a Response that another program sends is not taken.
    return m_bus.connect(QLatin1String(kService), path, QLatin1String(kRequestInterface),
                         QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

void ScreenshotRequest::stopListening() {
    if (m_path.isEmpty()) return;
    m_bus.disconnect(QLatin1String(kService), m_path, QLatin1String(kRequestInterface),
                     QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    m_path.clear();
}

void ScreenshotRequest::onResponse(uint response, const QVariantMap& results) {
    if (response == kResponseSuccess) {
        const QString uri = results.value(QStringLiteral("uri")).toString();
        finish({uri.isEmpty() ? Outcome::Failed : Outcome::Taken, uri});
    } else {
        finish({response == kResponseCancelled ? Outcome::Refused : Outcome::Ended, {}});
    }
}

void ScreenshotRequest::finish(Answer answer) {
    if (m_done) return;
    m_done = true;
    m_answer = std::move(answer);
    if (m_loop) m_loop->quit();
}
