#pragma once
// A screenshot portal of the tests on a private session bus of their own: it owns the
// portal's name, answers Screenshot with the Request path a real portal uses and then sends
// the scripted Response (or none, or one from a stranger on the bus).
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QProcess>
#include <QVariantMap>

#include <memory>

// A dbus-daemon without service files: nothing is started on demand, so a missing portal
// stays missing.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // Empty when the daemon did not start.
    const QString& address() const { return m_address; }

private:
    QString m_folder;
    QProcess m_daemon;
    QString m_address;
};

class FakeRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    bool closed = false;

public slots:
    void Close() { closed = true; }
};

class FakeScreenshotPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    enum class Answer { Response, Silence, Stranger };
    struct Script {
        Answer answer = Answer::Response;
        uint response = 0;
        QString uri;
    };

    explicit FakeScreenshotPortal(const QString& address);
    ~FakeScreenshotPortal() override;
    // Takes the portal's name on the bus.
    bool start();

    Script script;
    int calls = 0;
    QVariantMap lastOptions;
    // The Request object of the last call; it records a Close.
    std::unique_ptr<FakeRequest> request;

public slots:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& options);

private:
    void respond(const QString& path);

    QDBusConnection m_bus;
    QDBusConnection m_stranger;
    QString m_requestPath;
};
