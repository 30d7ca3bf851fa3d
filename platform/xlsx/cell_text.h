#pragma once
// The form in which a cell text is stored in the sheet and shared-string files. XML 1.0
// cannot carry most control characters, so they are written as "_xHHHH_", as spreadsheet
// applications do, and a text that itself looks like such an escape gets its "_"
// escaped. A cell's line break is LF; the program's CR LF maps onto it.
#include <string>
#include <string_view>

namespace xlsx {

class CellText {
public:
    // The stored form of a UTF-8 text; false when the text is not well-formed UTF-8.
    static bool encode(std::string_view text, std::string& stored);
    // The text of a stored form: escapes resolved, line breaks as CR LF.
    static std::string decode(std::string_view stored);
    // True when the text starts or ends with white space, which a reader keeps only
    // under xml:space="preserve".
    static bool needsPreserve(std::string_view stored);

private:
    static bool isEscapeAt(std::string_view text, size_t i, unsigned& code);
    static size_t utf8Length(std::string_view text, size_t i);
    static void appendUtf8(std::string& out, unsigned code);
    static void appendEscape(std::string& out, unsigned code);
};

}  // namespace xlsx
