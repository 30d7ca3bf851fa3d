#include "platform/qt/qt_text.h"

namespace qttext {

QString toQt(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

std::string fromQt(const QString& text) {
    QString s = text;
    // A text cursor's selection separates paragraphs with U+2029.
    s.replace(QChar(0x2029), QLatin1Char('\n'));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return s.toStdString();
}

QString plain(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace qttext
