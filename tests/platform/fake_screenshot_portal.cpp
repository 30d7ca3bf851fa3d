#include "platform/fake_screenshot_portal.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

PrivateBus::PrivateBus() {
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/ozmira-bus-XXXXXX"));
    folder.setAutoRemove(false);
    m_folder = folder.path();
    const QString config = m_folder + QStringLiteral("/bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                   "<auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>\n")
                   .arg(m_folder)
                   .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000)) return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    QDir(m_folder).removeRecursively();
}

FakeScreenshotPortal::FakeScreenshotPortal(const QString& address)
    : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("fake-portal"))),
      m_stranger(QDBusConnection::connectToBus(address, QStringLiteral("fake-stranger"))) {}

FakeScreenshotPortal::~FakeScreenshotPortal() {
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-stranger"));
}

bool FakeScreenshotPortal::start() {
    return m_bus.isConnected() &&
           m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusObjectPath FakeScreenshotPortal::Screenshot(const QString&, const QVariantMap& options) {
    ++calls;
    lastOptions = options;
    QString sender = message().service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    if (request) m_bus.unregisterObject(m_requestPath);
    m_requestPath = path;
    request = std::make_unique<FakeRequest>();
    m_bus.registerObject(path, request.get(), QDBusConnection::ExportAllSlots);
    // Like a real portal, the answer comes after the call has returned.
    QTimer::singleShot(20, this, [this, path] { respond(path); });
    return QDBusObjectPath(path);
}

void FakeScreenshotPortal::respond(const QString& path) {
    if (script.answer == Answer::Silence) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    QVariantMap results;
    if (!script.uri.isEmpty()) results.insert(QStringLiteral("uri"), script.uri);
    signal << script.response << results;
    (script.answer == Answer::Stranger ? m_stranger : m_bus).send(signal);
}
