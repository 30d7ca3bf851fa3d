#include "text/text_tools.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>

#include "platform/charset.h"

namespace {

uint8_t byteAt(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

char foldAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
}

bool matchesAt(std::string_view text, size_t i, std::string_view pattern, bool ignoreCase) {
    if (text.size() - i < pattern.size()) {
        return false;
    }
    for (size_t k = 0; k < pattern.size(); ++k) {
        char a = text[i + k], b = pattern[k];
        if (ignoreCase ? foldAscii(a) != foldAscii(b) : a != b) {
            return false;
        }
    }
    return true;
}

// Byte offset of the first match at a character start at or after from, or npos. The
// characters are counted from walk, a character start at or before from (an earlier match),
// so that a loop over every match stays linear in the text's length.
size_t findFrom(std::string_view text, std::string_view pattern, size_t from, bool ignoreCase,
                size_t walk = 0) {
    if (pattern.empty()) {
        return std::string_view::npos;
    }
    for (size_t i = walk; i < text.size(); i += text::charLength(text, i)) {
        if (i >= from && matchesAt(text, i, pattern, ignoreCase)) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool isSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// The value of a decimal number too large or too small for a double, as strtod gives
// it: infinity or zero, signed. Only the decimal position of the first significant digit
// matters at those magnitudes.
double outOfRange(std::string_view number) {
    bool negative = number.starts_with('-');
    size_t e = std::min(number.find_first_of("eE"), number.size());
    std::string_view mantissa = number.substr(0, e);
    long long position = 0;  // 10^position is the place of the first significant digit
    size_t point = std::min(mantissa.find('.'), mantissa.size());
    size_t first = mantissa.find_first_of("123456789");
    if (first != std::string_view::npos) {
        position = first < point ? static_cast<long long>(point - first - 1)
                                 : -static_cast<long long>(first - point);
    }
    long long exponent = 0;
    if (e + 1 < number.size()) {
        std::string_view digits = number.substr(e + 1);
        if (digits.starts_with('+')) {
            digits.remove_prefix(1);
        }
        auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (parsed.ec == std::errc::result_out_of_range) {
            exponent = digits.starts_with('-') ? -1'000'000'000'000 : 1'000'000'000'000;
        }
    }
    double magnitude = position + exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

// The two symbol conversions, built once from the code page 936 forms: the full-width
// form of an ASCII symbol is the 936 character A3 xx (xx = byte + 0x80), except the space
// (A1 A1) and "~" (A1 AB); the stars A1 EE and A1 EF become "*".
struct WidthTables {
    std::string fullOf[128];
    std::map<std::string, char, std::less<>> halfOf;

    WidthTables() {
        auto fromCp936 = [](uint8_t lead, uint8_t trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            return charset::cp936ToUtf8(std::string_view(bytes, 2));
        };
        for (int b = 0x21; b <= 0x7E; ++b) {
            halfOf[fromCp936(0xA3, static_cast<uint8_t>(b + 0x80))] = static_cast<char>(b);
        }
        for (int b = 0x21; b <= 0x7D; ++b) {
            fullOf[b] = fromCp936(0xA3, static_cast<uint8_t>(b + 0x80));
        }
        // The two ASCII symbols outside row A3, as indexes (a char subscript could be
        // negative on other characters).
        constexpr int kSpace = ' ', kTilde = '~';
        fullOf[kSpace] = fromCp936(0xA1, 0xA1);
        fullOf[kTilde] = fromCp936(0xA1, 0xAB);
        halfOf[fullOf[kSpace]] = ' ';
        halfOf[fullOf[kTilde]] = '~';
        halfOf[fromCp936(0xA1, 0xEE)] = '*';
        halfOf[fromCp936(0xA1, 0xEF)] = '*';
    }
};

const WidthTables& widthTables() {
    static const WidthTables tables;
    return tables;
}

// A character cut off by the end of the text is dropped, as a lone lead byte is.
bool isCutOff(std::string_view text, size_t i, size_t length) {
    if (i + length < text.size() || byteAt(text, i) < 0xC2) {
        return false;
    }
    size_t expected = byteAt(text, i) >= 0xF0 ? 4 : byteAt(text, i) >= 0xE0 ? 3 : 2;
    return length < expected;
}

}  // namespace

namespace text {

size_t charLength(std::string_view text, size_t i) {
    if (i >= text.size()) {
        return 0;
    }
    uint8_t lead = byteAt(text, i);
    size_t length;
    uint8_t low = 0x80, high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    for (size_t k = 1; k < length; ++k) {
        if (i + k >= text.size()) {
            return k;  // cut off by the end: the bytes that are left
        }
        uint8_t b = byteAt(text, i + k);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
            return 1;
        }
    }
    return length;
}

int find(std::string_view text, std::string_view pattern, int start, bool ignoreCase) {
    size_t from = start > 1 ? static_cast<size_t>(start) - 1 : 0;
    if (from >= text.size()) {
        return -1;
    }
    size_t at = findFrom(text, pattern, from, ignoreCase);
    return at == std::string_view::npos ? -1 : static_cast<int>(at + 1);
}

Text replaceAll(std::string_view text, std::string_view pattern, std::string_view replacement,
                bool ignoreCase) {
    Text out;
    size_t done = 0, walk = 0;
    for (;;) {
        size_t at = findFrom(text, pattern, done, ignoreCase, walk);
        if (at == std::string_view::npos) {
            break;
        }
        out.append(text.substr(done, at - done));
        out.append(replacement);
        done = at + pattern.size();
        walk = at;
    }
    out.append(text.substr(done));
    return out;
}

std::vector<Text> split(std::string_view text, std::string_view separator) {
    std::vector<Text> pieces;
    if (text.empty()) {
        return pieces;
    }
    size_t done = 0, walk = 0;
    for (;;) {
        size_t at = findFrom(text, separator, done, false, walk);
        if (at == std::string_view::npos) {
            break;
        }
        pieces.emplace_back(text.substr(done, at - done));
        done = at + separator.size();
        walk = at;
    }
    if (done < text.size()) {
        pieces.emplace_back(text.substr(done));
    }
    return pieces;
}

Text trim(std::string_view text) {
    for (;;) {
        if (text.starts_with(' ')) {
            text.remove_prefix(1);
        } else if (text.starts_with(kIdeographicSpace)) {
            text.remove_prefix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    for (;;) {
        if (text.ends_with(' ')) {
            text.remove_suffix(1);
        } else if (text.ends_with(kIdeographicSpace)) {
            text.remove_suffix(kIdeographicSpace.size());
        } else {
            break;
        }
    }
    return Text(text);
}

int32_t toInt(std::string_view text) {
    Text half = TextTools::toHalfWidth(text);
    size_t i = 0;
    while (i < half.size() && isSpace(half[i])) {
        ++i;
    }
    bool negative = false;
    if (i < half.size() && (half[i] == '+' || half[i] == '-')) {
        negative = half[i] == '-';
        ++i;
    }
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    for (; i < half.size() && half[i] >= '0' && half[i] <= '9'; ++i) {
        value = value * 10 + (half[i] - '0');
        if (value > limit) {
            value = limit;  // saturate, but keep consuming the digits
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

double toNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    size_t begin = i;
    auto digits = [&]() {
        size_t first = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        return i - first;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t count = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0) {
        return 0;
    }
    size_t mantissaEnd = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            i = mantissaEnd;  // "2e" is the number 2 followed by a letter
        }
    }
    // from_chars takes no leading "+" and ignores the locale, unlike strtod.
    if (text[begin] == '+') {
        ++begin;
    }
    double value = 0;
    auto result = std::from_chars(text.data() + begin, text.data() + i, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone there; give what strtod gives instead.
        value = outOfRange(text.substr(begin, i - begin));
    }
    return value;
}

Text fromInt(int64_t value) {
    return std::to_string(value);
}

Text fromNumber(double value) {
    // to_chars with a precision is printf's "%g" in the C locale, whatever the process
    // locale says about the decimal point.
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    return Text(buffer, result.ptr);
}

Text toLowerAscii(std::string_view text) {
    Text out(text);
    for (char& ch : out) {
        ch = foldAscii(ch);
    }
    return out;
}

Text toUpperAscii(std::string_view text) {
    Text out(text);
    for (char& ch : out) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 32);
        }
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && matchesAt(a, 0, b, true);
}

Text crlfToLf(std::string_view text) {
    return replaceAll(text, "\r\n", "\n");
}

Text lfToCrlf(std::string_view text) {
    Text out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

}  // namespace text

Text TextTools::toFullWidth(std::string_view text) {
    const WidthTables& tables = widthTables();
    Text out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size();) {
        size_t length = text::charLength(text, i);
        if (isCutOff(text, i, length)) {
            break;
        }
        uint8_t b = byteAt(text, i);
        if (length == 1 && b < 0x80 && !tables.fullOf[b].empty()) {
            out += tables.fullOf[b];
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

Text TextTools::toHalfWidth(std::string_view text) {
    const WidthTables& tables = widthTables();
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = text::charLength(text, i);
        if (isCutOff(text, i, length)) {
            break;
        }
        std::string_view ch = text.substr(i, length);
        auto found = length > 1 ? tables.halfOf.find(ch) : tables.halfOf.end();
        if (found != tables.halfOf.end()) {
            out += found->second;
        } else {
            out.append(ch);
        }
        i += length;
    }
    return out;
}
