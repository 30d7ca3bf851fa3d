#pragma once
// Texts cross between the program (UTF-8, CR LF line breaks) and Qt (QString, LF).
#include <QString>
#include <string>

namespace qttext {

// UTF-8 with CR LF to a QString with LF.
QString toQt(const std::string& text);
// A QString with LF (or CR LF, or the paragraph separators of a text cursor) to UTF-8 with CR LF.
std::string fromQt(const QString& text);
// A text without line-break conversion, for names and addresses.
QString plain(const std::string& text);

}  // namespace qttext
