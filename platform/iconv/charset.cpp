#include "platform/charset.h"

#include <cstdint>

#include "platform/iconv/iconv_converter.h"

namespace {

// Descriptors are per thread: iconv state must not be shared, and opening one per call
// would cost more than most conversions.
struct Converters {
    IconvConverter cp936ToUtf8{"UTF-8", "CP936"};
    IconvConverter gb18030ToUtf8{"UTF-8", "GB18030"};
    IconvConverter utf8ToCp936{"CP936", "UTF-8"};
    IconvConverter utf8ToGb18030{"GB18030", "UTF-8"};
};

Converters& converters() {
    thread_local Converters instance;
    return instance;
}

uint8_t byteAt(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

// Length of the well-formed UTF-8 character at s[i], or 0 when none starts there
// (overlong forms, surrogates and code points above U+10FFFF are malformed).
// maximalPart receives the length of the longest prefix that could still have become a
// character, at least 1, which is what one "?" replaces.
size_t utf8CharLength(std::string_view s, size_t i, size_t& maximalPart) {
    maximalPart = 1;
    uint8_t lead = byteAt(s, i);
    if (lead < 0x80) {
        return 1;
    }
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if (i + k >= s.size()) {
            return 0;
        }
        uint8_t b = byteAt(s, i + k);
        uint8_t lo = k == 1 ? low : 0x80;
        uint8_t hi = k == 1 ? high : 0xBF;
        if (b < lo || b > hi) {
            return 0;
        }
        maximalPart = k + 1;
    }
    return length;
}

// Where the next tag character (U+E0000 to U+E007F: F3 A0 80 80 to F3 A0 81 BF) starts
// at or after from, or the size of the text.
size_t nextTagCharacter(std::string_view s, size_t from) {
    for (size_t i = s.find('\xF3', from); i != std::string_view::npos; i = s.find('\xF3', i + 1)) {
        if (i + 2 < s.size() && byteAt(s, i + 1) == 0xA0 &&
            (byteAt(s, i + 2) == 0x80 || byteAt(s, i + 2) == 0x81)) {
            return i;
        }
    }
    return s.size();
}

// The length of the code page 936 / GB18030 sequence that starts at s[i] by its shape
// alone: 4 for a four-byte GB18030 form, 2 for a lead byte with a valid trail byte,
// otherwise 1.
size_t gbSequenceLength(std::string_view s, size_t i) {
    auto inRange = [&](size_t k, uint8_t lo, uint8_t hi) {
        return k < s.size() && byteAt(s, k) >= lo && byteAt(s, k) <= hi;
    };
    if (!inRange(i, 0x81, 0xFE)) {
        return 1;
    }
    if (inRange(i + 1, 0x30, 0x39)) {
        return inRange(i + 2, 0x81, 0xFE) && inRange(i + 3, 0x30, 0x39) ? 4 : 1;
    }
    if (inRange(i + 1, 0x40, 0x7E) || inRange(i + 1, 0x80, 0xFE)) {
        return 2;
    }
    return 1;
}

}  // namespace

namespace charset {

std::string cp936ToUtf8(std::string_view bytes) {
    Converters& c = converters();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    size_t pos = 0;
    while (pos < bytes.size()) {
        pos += c.cp936ToUtf8.convert(bytes.substr(pos), out);
        if (pos >= bytes.size()) {
            break;
        }
        // Code page 936 stops here: a four-byte GB18030 form, a two-byte code outside
        // 936 (the user-defined areas), or bytes that are neither.
        size_t length = gbSequenceLength(bytes, pos);
        if (length == 1 || !c.gb18030ToUtf8.convertWhole(bytes.substr(pos, length), out)) {
            out += '?';
        }
        pos += length;
    }
    return out;
}

std::string utf8ToCp936(std::string_view utf8, bool gb18030Fallback) {
    Converters& c = converters();
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    // glibc's code page 936 drops the tag characters silently instead of failing, so
    // they never reach it: the conversion stops before each one.
    size_t tag = nextTagCharacter(utf8, 0);
    while (pos < utf8.size()) {
        if (tag < pos) {
            tag = nextTagCharacter(utf8, pos);
        }
        pos += c.utf8ToCp936.convert(utf8.substr(pos, tag - pos), out);
        if (pos >= utf8.size()) {
            break;
        }
        size_t maximalPart = 1;
        size_t length = utf8CharLength(utf8, pos, maximalPart);
        if (length == 0) {
            out += '?';
            pos += maximalPart;
            continue;
        }
        // A character 936 lacks keeps its GB18030 code, so nothing is lost on disk.
        if (!gb18030Fallback || !c.utf8ToGb18030.convertWhole(utf8.substr(pos, length), out)) {
            out += '?';
        }
        pos += length;
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    size_t maximalPart = 0;
    while (i < bytes.size()) {
        // Most texts are mostly ASCII: skip eight such bytes at a time.
        while (i + 8 <= bytes.size()) {
            uint64_t word = 0;
            for (size_t k = 0; k < 8; ++k) {
                word |= static_cast<uint64_t>(byteAt(bytes, i + k)) << (8 * k);
            }
            if (word & 0x8080808080808080ull) {
                break;
            }
            i += 8;
        }
        if (i >= bytes.size()) {
            break;
        }
        size_t length = utf8CharLength(bytes, i, maximalPart);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        size_t maximalPart = 1;
        size_t length = utf8CharLength(bytes, i, maximalPart);
        if (length == 0) {
            out += '?';
            i += maximalPart;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

bool isAscii(std::string_view bytes) {
    for (char ch : bytes) {
        if (static_cast<uint8_t>(ch) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace charset
