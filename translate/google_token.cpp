#include "translate/google_token.h"

#include <cmath>
#include <string>

namespace {

// The three constants of the key: its first part, and two numbers whose sum is the
// second part. The sum is above 2^31, so the key's xor goes through the 32-bit wrap.
constexpr int64_t kTkkFirst = 431276;
constexpr int64_t kTkkLow = 512846279;
constexpr int64_t kTkkHigh = 1989367541;

constexpr double kTwoTo32 = 4294967296.0;

// JavaScript's ToUint32 and ToInt32: the integer part taken modulo 2^32.
uint32_t toUint32(double x) {
    if (!std::isfinite(x)) return 0;
    double m = std::fmod(std::trunc(x), kTwoTo32);
    if (m < 0) m += kTwoTo32;
    return static_cast<uint32_t>(m);
}

int32_t toInt32(double x) {
    return static_cast<int32_t>(toUint32(x));
}

double shiftLeft(double a, int count) {
    return static_cast<int32_t>(toUint32(a) << (count & 31));
}

double shiftRightUnsigned(double a, int count) {
    return toUint32(a) >> (count & 31);
}

double bitAnd(double a, double b) {
    return toInt32(a) & toInt32(b);
}

double bitXor(double a, double b) {
    return toInt32(a) ^ toInt32(b);
}

// A part of the key: decimal digits only, anything else is 0.
double keyPart(std::string_view part) {
    if (part.empty()) return 0;
    double value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The routine's mixing step: groups of three characters, "+" adding or "^" xoring, "+"
// shifting right unsigned or "-" left, and the count ("a" is 10).
double mix(double a, std::string_view ops) {
    for (size_t d = 0; d + 2 < ops.size(); d += 3) {
        const char c = ops[d + 2];
        const int count = c >= 'a' ? c - 87 : c - '0';
        const double shifted =
            ops[d + 1] == '+' ? shiftRightUnsigned(a, count) : shiftLeft(a, count);
        a = ops[d] == '+' ? bitAnd(a + shifted, 4294967295.0) : bitXor(a, shifted);
    }
    return a;
}

// The routine's own UTF-8 encoding of the code units, pairs of surrogates combined.
std::vector<uint32_t> scriptBytes(const std::vector<uint16_t>& units) {
    std::vector<uint32_t> bytes;
    bytes.reserve(units.size() * 3);
    for (size_t g = 0; g < units.size(); ++g) {
        uint32_t u = units[g];
        if (u < 128) {
            bytes.push_back(u);
        } else if (u < 2048) {
            bytes.push_back(u >> 6 | 192);
            bytes.push_back((u & 63) | 128);
        } else if ((u & 64512) == 55296 && g + 1 < units.size() &&
                   (units[g + 1] & 64512) == 56320) {
            u = 65536 + ((u & 1023) << 10) + (units[++g] & 1023);
            bytes.push_back(u >> 18 | 240);
            bytes.push_back((u >> 12 & 63) | 128);
            bytes.push_back((u >> 6 & 63) | 128);
            bytes.push_back((u & 63) | 128);
        } else {
            bytes.push_back(u >> 12 | 224);
            bytes.push_back((u >> 6 & 63) | 128);
            bytes.push_back((u & 63) | 128);
        }
    }
    return bytes;
}

// Decimal text of a non-negative integer held in a double, as JavaScript prints it.
Text integerText(double value) {
    return std::to_string(static_cast<int64_t>(value));
}

}  // namespace

Text GoogleToken::tkk() {
    return std::to_string(kTkkFirst) + "." + std::to_string(kTkkLow + kTkkHigh);
}

Text GoogleToken::tk(std::string_view text) {
    return tk(text, tkk());
}

Text GoogleToken::tk(std::string_view text, std::string_view tkk) {
    const size_t dot = tkk.find('.');
    const double h = keyPart(tkk.substr(0, dot));
    const double k = dot == std::string_view::npos ? 0 : keyPart(tkk.substr(dot + 1));
    double a = h;
    for (uint32_t byte : scriptBytes(utf16Units(text))) {
        a += byte;
        a = mix(a, "+-a^+6");
    }
    a = mix(a, "+-3^+b+-f");
    a = bitXor(a, k);
    if (a < 0) a = bitAnd(a, 2147483647) + 2147483648.0;
    a = std::fmod(a, 1e6);
    return integerText(a) + "." + integerText(bitXor(a, h));
}

std::vector<uint16_t> GoogleToken::utf16Units(std::string_view text) {
    std::vector<uint16_t> units;
    units.reserve(text.size());
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](size_t i) {
        return i < text.size() && (byteAt(i) & 0xC0) == 0x80;
    };
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = byteAt(i);
        uint32_t cp = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead < 0xE0 && continuation(i + 1)) {
            cp = (lead & 0x1Fu) << 6 | (byteAt(i + 1) & 0x3Fu);
            length = 2;
        } else if (lead >= 0xE0 && lead < 0xF0 && continuation(i + 1) && continuation(i + 2)) {
            const uint32_t v =
                (lead & 0x0Fu) << 12 | (byteAt(i + 1) & 0x3Fu) << 6 | (byteAt(i + 2) & 0x3Fu);
            if (v >= 0x800) {
                cp = v;
                length = 3;
            }
        } else if (lead >= 0xF0 && lead < 0xF5 && continuation(i + 1) && continuation(i + 2) &&
                   continuation(i + 3)) {
            const uint32_t v = (lead & 0x07u) << 18 | (byteAt(i + 1) & 0x3Fu) << 12 |
                               (byteAt(i + 2) & 0x3Fu) << 6 | (byteAt(i + 3) & 0x3Fu);
            if (v >= 0x10000 && v <= 0x10FFFF) {
                cp = v;
                length = 4;
            }
        }
        if (cp >= 0x10000) {
            units.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
        i += length;
    }
    return units;
}
