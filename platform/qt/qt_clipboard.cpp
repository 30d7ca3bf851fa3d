#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include "platform/qt/qt_text.h"
#include "platform/qt/ui_gate.h"

namespace {

// A Wayland compositor takes a selection only with the serial of a recent input event of
// the client; a capture started from the desktop's shortcut (`ozmira --command N`) has had
// none, and Qt's request is then refused without a word. wl-copy sets the selection through
// the compositor's data-control protocol, which needs no serial, and serves it from the
// background. The text goes only through its standard input; where wl-copy is missing, Qt's
// attempt is all there is.
void copyThroughWlCopy(const QString& text) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("wl-copy"));
    if (program.isEmpty()) return;
    auto* process = new QProcess(QGuiApplication::instance());
    process->setProgram(program);
    // The type is given so that wl-copy does not guess one from the text's first bytes.
    process->setArguments({QStringLiteral("--type"), QStringLiteral("text/plain;charset=utf-8")});
    // It outlives the program in the background: it must hold none of the program's own
    // outputs open, or whoever reads them (a terminal's pipe, a test) waits for it.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // wl-copy forks and its first process ends at once; deleting it then reaps that one.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) process->deleteLater();
                     });
    process->start(QIODevice::ReadWrite);
    process->write(text.toUtf8());
    process->closeWriteChannel();
}

}  // namespace

QtClipboard::QtClipboard() : m_gate(std::make_unique<UiGate>()) {}

QtClipboard::~QtClipboard() = default;

void QtClipboard::setText(const std::string& text) {
    m_gate->run([&] {
        const QString shown = qttext::toQt(text);
        QGuiApplication::clipboard()->setText(shown);
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            copyThroughWlCopy(shown);
    });
}

std::string QtClipboard::text() {
    std::string result;
    m_gate->run([&] { result = qttext::fromQt(QGuiApplication::clipboard()->text()); });
    return result;
}
