#include "platform/portal/command_sender.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <memory>

#include "platform/portal/command_service.h"

namespace {

// A running program answers at once (the command itself runs after the reply).
constexpr int kReplyTimeoutMs = 10000;

}  // namespace

namespace command_sender {

std::string send(int command) {
    // QtDBus wants an application object; a core one needs no display.
    std::unique_ptr<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "ozmira";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return "no session bus to reach a running Ozmira: " +
               bus.lastError().message().toStdString();
    QDBusMessage call = QDBusMessage::createMethodCall(
        command_bus::kService, command_bus::kPath, command_bus::kInterface, command_bus::kMethod);
    call << command;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kReplyTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return {};
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return "Ozmira is not running: nothing on the session bus answers as " +
               std::string(command_bus::kService);
    if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        error == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return "the running Ozmira did not answer";
    return "the running Ozmira did not take command " + std::to_string(command) + ": " +
           reply.errorMessage().toStdString();
}

}  // namespace command_sender
