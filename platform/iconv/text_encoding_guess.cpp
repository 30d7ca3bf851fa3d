// Which encoding a file's text is in, and UTF-16 to and from UTF-8.
//
// Short code page 936 texts are often valid UTF-8 as well ("学校" is D1 A7 D0 A3, which
// UTF-8 reads as "ѧУ"), so validity alone is no evidence. Without a byte order mark the
// text is read both ways and each reading is scored by how ordinary its characters are;
// UTF-8 is chosen only when its reading scores strictly higher. Ties go to code page 936,
// the form the program's files have always had.
#include <cstdint>

#include "platform/charset.h"

namespace {

uint8_t byteAt(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

bool inRange(uint32_t v, uint32_t lo, uint32_t hi) {
    return v >= lo && v <= hi;
}

bool isAsciiLetter(uint8_t b) {
    return inRange(b | 0x20, 'a', 'z');
}

// The code page 936 reading: a GB2312 character (hanzi, or the punctuation rows A1 and
// A3 that Chinese text is full of) counts for it; its other symbol rows are neutral; a
// GBK extension character, a user-defined code or a broken sequence counts against it.
int cp936Score(std::string_view s) {
    int score = 0;
    size_t i = 0;
    while (i < s.size()) {
        uint8_t lead = byteAt(s, i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        uint8_t trail = i + 1 < s.size() ? byteAt(s, i + 1) : 0;
        if (!inRange(lead, 0x81, 0xFE) || !inRange(trail, 0x40, 0xFE) || trail == 0x7F) {
            score -= 2;
            ++i;
            continue;
        }
        bool gb2312 = trail >= 0xA1 && (inRange(lead, 0xA1, 0xA9) || inRange(lead, 0xB0, 0xF7));
        if (!gb2312) {
            score -= 2;
        } else if (lead >= 0xB0 || lead == 0xA1 || lead == 0xA3) {
            score += 1;
        }
        i += 2;
    }
    return score;
}

// Characters that ordinary text written as UTF-8 holds beyond two bytes: punctuation and
// symbols, Vietnamese letters, CJK punctuation, kana, the common ideographs, Hangul, full-
// and half-width forms, emoji.
bool isCommonWide(uint32_t cp) {
    return inRange(cp, 0x1E00, 0x1EFF) || inRange(cp, 0x2000, 0x27BF) ||
           inRange(cp, 0x3000, 0x312F) || inRange(cp, 0x4E00, 0x9FFF) ||
           inRange(cp, 0xAC00, 0xD7A3) || inRange(cp, 0xFE30, 0xFE4F) ||
           inRange(cp, 0xFF00, 0xFFEF) || inRange(cp, 0x1F000, 0x1FAFF);
}

// Letters of the Latin, Greek and Cyrillic alphabets in their two-byte forms.
bool isLetter(uint32_t cp) {
    return (inRange(cp, 0xC0, 0x24F) && cp != 0xD7 && cp != 0xF7) || inRange(cp, 0x386, 0x3CE) ||
           inRange(cp, 0x400, 0x45F);
}

// The UTF-8 reading (of bytes known to be valid UTF-8): a common wide character counts
// twice; a letter counts, twice when it stands beside an ASCII letter (an accented letter
// inside a European word); Latin-1 punctuation counts twice beside an ASCII letter ("°C")
// and is neutral elsewhere; anything else (archaic
// Cyrillic, Armenian, Arabic, combining marks, rare ideographs...) counts against it.
int utf8Score(std::string_view s) {
    int score = 0;
    size_t i = 0;
    while (i < s.size()) {
        uint8_t lead = byteAt(s, i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t cp = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (byteAt(s, i + k) & 0x3F);
        bool besideLetter = (i > 0 && isAsciiLetter(byteAt(s, i - 1))) ||
                            (i + length < s.size() && isAsciiLetter(byteAt(s, i + length)));
        if (cp >= 0x800) {
            score += isCommonWide(cp) ? 2 : -2;
        } else if (isLetter(cp)) {
            score += besideLetter ? 2 : 1;
        } else if (inRange(cp, 0xA0, 0xBF)) {
            score += besideLetter ? 2 : 0;
        } else {
            score -= 2;
        }
        i += length;
    }
    return score;
}

void appendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendUnit(uint16_t unit, bool bigEndian, std::string& out) {
    char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

}  // namespace

namespace charset {

Detected detectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return {Encoding::Utf8, 3};
    if (bytes.starts_with("\xFF\xFE")) return {Encoding::Utf16Le, 2};
    if (bytes.starts_with("\xFE\xFF")) return {Encoding::Utf16Be, 2};
    if (isAscii(bytes) || !isValidUtf8(bytes)) return {Encoding::Cp936, 0};
    return {utf8Score(bytes) > cp936Score(bytes) ? Encoding::Utf8 : Encoding::Cp936, 0};
}

std::string fileTextToUtf8(std::string_view bytes) {
    const Detected d = detectEncoding(bytes);
    const std::string_view body = bytes.substr(d.bomLength);
    switch (d.encoding) {
        case Encoding::Utf8:
            return sanitizeUtf8(body);
        case Encoding::Utf16Le:
            return utf16ToUtf8(body, false);
        case Encoding::Utf16Be:
            return utf16ToUtf8(body, true);
        case Encoding::Cp936:
            break;
    }
    return cp936ToUtf8(body);
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unitAt = [&](size_t i) -> uint32_t {
        return bigEndian ? (byteAt(bytes, i) << 8) | byteAt(bytes, i + 1)
                         : (byteAt(bytes, i + 1) << 8) | byteAt(bytes, i);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = unitAt(i);
        if (inRange(unit, 0xD800, 0xDBFF) && i + 3 < bytes.size() &&
            inRange(unitAt(i + 2), 0xDC00, 0xDFFF)) {
            appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00), out);
            i += 2;
        } else {
            appendUtf8(inRange(unit, 0xD800, 0xDFFF) ? '?' : unit, out);  // a lone surrogate
        }
    }
    if (bytes.size() % 2 != 0) out += '?';  // half a unit at the end
    return out;
}

std::string utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    const std::string text = sanitizeUtf8(utf8);
    std::string out;
    out.reserve(text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        uint8_t lead = byteAt(text, i);
        size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t cp = length == 1 ? lead : lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (byteAt(text, i + k) & 0x3F);
        if (cp >= 0x10000) {
            appendUnit(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)), bigEndian, out);
            appendUnit(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), bigEndian, out);
        } else {
            appendUnit(static_cast<uint16_t>(cp), bigEndian, out);
        }
        i += length;
    }
    return out;
}

}  // namespace charset
