#pragma once
// Percent-encoding for form fields and query strings.
#include <string_view>

#include "text/text_tools.h"

// Encodes the text's UTF-8 bytes when toUtf8 is true, otherwise its code page 936 bytes.
// With keepSafe, "-", ".", digits and ASCII letters stay as they are; every other byte
// becomes "%" and two upper-case hexadecimal digits (a space is %20, never "+").
Text UrlEncode(std::string_view text, bool keepSafe, bool toUtf8);
