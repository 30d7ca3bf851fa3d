#include "capture/offline_text.h"

#include <cstdint>
#include <vector>

namespace offline {

namespace {

using Codes = std::vector<char32_t>;

Codes decode(std::string_view s) {
    Codes out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80         ? 1
                      : (b >> 5) == 6  ? 2
                      : (b >> 4) == 14 ? 3
                      : (b >> 3) == 30 ? 4
                                       : 0;
        if (n == 0 || i + n > s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(c);
        i += n;
    }
    return out;
}

std::string encode(const Codes& codes) {
    std::string out;
    for (char32_t c : codes) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Ideographs, kana, CJK punctuation and full-width forms: written without spaces.
bool unspaced(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

// CJK and full-width punctuation carries its own space on both sides.
bool widePunctuation(char32_t c) {
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65);
}

char32_t fullWidth(char32_t c) {
    switch (c) {
        case ',':
            return U'，';
        case ':':
            return U'：';
        case ';':
            return U'；';
        case '!':
            return U'！';
        case '?':
            return U'？';
        case '(':
            return U'（';
        case ')':
            return U'）';
        default:
            return 0;
    }
}

// The engine's readings of a full-width opening bracket, each with its own closing mark.
char32_t closerOfLookAlike(char32_t c) {
    switch (c) {
        case U'〈':
            return U'〉';
        case U'《':
            return U'》';
        case U'“':
            return U'”';
        default:
            return 0;
    }
}

// A ")" or "）" follows before the look-alike's own closing mark.
bool closedByParenthesis(const Codes& in, std::size_t from, char32_t closer) {
    for (std::size_t i = from; i < in.size(); ++i) {
        if (in[i] == closer) return false;
        if (in[i] == ')' || in[i] == U'）') return true;
    }
    return false;
}

// Punctuation next to Chinese text is Chinese punctuation: after a Chinese character at the
// end of the line or before more text, or before a Chinese character; an opening bracket
// only looks ahead. Spaces around it do not count.
Codes widenPunctuation(const Codes& in) {
    Codes out = in;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char32_t c = in[i];
        std::size_t p = i, n = i + 1;
        while (p > 0 && in[p - 1] == ' ') --p;
        while (n < in.size() && in[n] == ' ') ++n;
        const char32_t before = p > 0 ? in[p - 1] : 0;
        const char32_t after = n < in.size() ? in[n] : 0;
        if (const char32_t wide = fullWidth(c)) {
            const bool fits =
                c == '(' ? unspaced(after) : (unspaced(after) && before != 0) || unspaced(before);
            if (fits) out[i] = wide;
        } else if (const char32_t closer = closerOfLookAlike(c)) {
            if (closedByParenthesis(in, i + 1, closer)) out[i] = U'（';
        }
    }
    return out;
}

// Spaces between two characters that are written without spaces go, and so do spaces
// beside wide punctuation ("Alt+A ：截图" is "Alt+A：截图").
Codes dropSpaces(const Codes& in) {
    Codes out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == ' ') {
            std::size_t n = i;
            while (n < in.size() && in[n] == ' ') ++n;
            const bool between = !out.empty() && n < in.size();
            if (between && ((unspaced(out.back()) && unspaced(in[n])) ||
                            widePunctuation(out.back()) || widePunctuation(in[n]))) {
                i = n - 1;
                continue;
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

}  // namespace

std::string tidyLine(std::string_view line) {
    return encode(dropSpaces(widenPunctuation(decode(line))));
}

}  // namespace offline
