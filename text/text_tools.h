#pragma once
// Texts are UTF-8 byte strings. Every operation works per character, so a search never
// matches inside a multi-byte character; positions are 1-based byte positions and a
// failed search gives -1. Only ASCII letters are folded where case is ignored.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::string;

namespace text {

// Length in bytes of the character that starts at text[i] (1 for a malformed byte;
// a sequence cut off by the end of the text counts as the bytes that are left).
size_t charLength(std::string_view text, size_t i);

// Position of the first match at or after start (0 or 1: from the beginning), or -1.
int find(std::string_view text, std::string_view pattern, int start = 0, bool ignoreCase = false);
Text replaceAll(std::string_view text, std::string_view pattern, std::string_view replacement,
                bool ignoreCase = false);
// Inner empty pieces stay; one empty piece after the last separator is dropped;
// an empty text gives no pieces.
std::vector<Text> split(std::string_view text, std::string_view separator);
// Removes leading and trailing ASCII spaces and ideographic spaces (U+3000) only.
Text trim(std::string_view text);

// Through TextTools::toHalfWidth, then optional white space, sign and decimal digits;
// no digits gives 0; saturates at the 32-bit limits.
int32_t toInt(std::string_view text);
// The leading decimal number, fraction and exponent included; none gives 0.
double toNumber(std::string_view text);
Text fromInt(int64_t value);
// As printf "%.13g".
Text fromNumber(double value);

Text toLowerAscii(std::string_view text);
Text toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// CR LF inside the program, LF where a text leaves for Linux.
Text crlfToLf(std::string_view text);
Text lfToCrlf(std::string_view text);

}  // namespace text

// The full-width and half-width conversions of the two symbol buttons, defined on the
// code page 936 forms of the characters (so "$" becomes "￥" and "★" becomes "*").
class TextTools {
public:
    static Text toFullWidth(std::string_view text);
    static Text toHalfWidth(std::string_view text);
};
