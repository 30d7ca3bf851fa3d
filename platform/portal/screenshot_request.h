#pragma once
// One screenshot asked of the desktop portal (org.freedesktop.portal.Screenshot on the session
// bus): non-interactive, all screens. The portal answers the call with a Request object and
// later, once the desktop has taken the picture (or the user has answered its question
// whether this program may take screenshots), with that object's Response signal. The wait
// runs a local event loop, so the window keeps painting meanwhile; it is bounded, because a
// desktop that never answers must not keep the capture open for ever.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QEventLoop;

class ScreenshotRequest : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Taken,     // uri names the picture
        Refused,   // the user said no (response 1)
        Ended,     // the desktop ended the request another way, a refusal by its policy
                   // among them (response 2)
        Failed,    // another error, or an answer without a picture
        NoPortal,  // no session bus, no portal, or a portal without screenshots
        TimedOut,  // no answer within the limit
    };
    struct Answer {
        Outcome outcome = Outcome::Failed;
        QString uri;
    };

    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* kInterface = "org.freedesktop.portal.Screenshot";
    static constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

    ScreenshotRequest(QDBusConnection bus, int timeoutMs);

    // Asks once and waits for the answer.
    Answer take();

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    bool listen(const QString& path);
    void stopListening();
    void finish(Answer answer);

    QDBusConnection m_bus;
    int m_timeoutMs;
    QString m_path;  // the Request object whose Response is awaited
    QEventLoop* m_loop = nullptr;
    bool m_done = false;
    Answer m_answer;
};
