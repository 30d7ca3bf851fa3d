#pragma once
// A text file as Windows writes it (code page 936, CR LF line ends), from UTF-8 lines.
#include <string>

#include "platform/charset.h"

inline std::string windowsFile(const std::string& utf8Lines) {
    std::string crlf;
    for (char c : utf8Lines) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return charset::utf8ToCp936(crlf, true);
}
