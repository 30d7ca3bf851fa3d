#include "platform/portal/command_service.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>
#include <QMetaObject>

using namespace command_bus;

CommandService::CommandService(Run run) : m_run(std::move(run)) {}

CommandService::~CommandService() {
    if (!m_started) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
}

std::string CommandService::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return "no session bus (" + bus.lastError().message().toStdString() + ")";
    // Another instance that holds the name keeps it: the command goes to the window the user
    // has had longest, and this one does not take over when that one ends.
    QDBusConnectionInterface* names = bus.interface();
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        names->registerService(kService, QDBusConnectionInterface::DontQueueService,
                               QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) return reply.error().message().toStdString();
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return std::string("another Ozmira already answers ") + kService;
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots)) {
        names->unregisterService(kService);
        return std::string("cannot offer ") + kPath;
    }
    m_started = true;
    return {};
}

void CommandService::RunCommand(int command) {
    // Any program on the bus may call: only the five commands run.
    if (command < 1 || command > kCommandCount) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("there is no command %1; the commands are 1 to %2")
                           .arg(command)
                           .arg(kCommandCount));
        return;
    }
    // The reply goes out first: command 1 opens the region selector, which would otherwise hold
    // the caller until the user has dragged.
    QMetaObject::invokeMethod(
        this, [this, command] { m_run(command); }, Qt::QueuedConnection);
}
