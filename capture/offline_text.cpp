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
        const int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
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

char32_t fullWidth(char32_t c) {
    switch (c) {
        case ',': return U'，';
        case ':': return U'：';
        case ';': return U'；';
        case '!': return U'！';
        case '?': return U'？';
        case '(': return U'（';
        case ')': return U'）';
        default: return 0;
    }
}

// A ")" or "）" follows before any "〉".
bool closedByParenthesis(const Codes& in, std::size_t from) {
    for (std::size_t i = from; i < in.size(); ++i) {
        if (in[i] == U'〉') return false;
        if (in[i] == ')' || in[i] == U'）') return true;
    }
    return false;
}

}  // namespace

std::string tidyLine(std::string_view line) {
    const Codes in = decode(line);
    Codes out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char32_t c = in[i];
        if (c == ' ') {
            std::size_t next = i;
            while (next < in.size() && in[next] == ' ') ++next;
            if (!out.empty() && next < in.size() && unspaced(out.back()) && unspaced(in[next])) {
                i = next - 1;
                continue;
            }
            out.push_back(c);
            continue;
        }
        const char32_t before = out.empty() ? 0 : out.back();
        const char32_t after = i + 1 < in.size() ? in[i + 1] : 0;
        std::size_t k = i + 1;
        while (k < in.size() && in[k] == ' ') ++k;
        const char32_t nextVisible = k < in.size() ? in[k] : 0;
        // Punctuation between Chinese characters, after one at the end of the line, or before
        // one, is Chinese punctuation; an opening bracket only looks ahead.
        const char32_t wide = fullWidth(c);
        if (wide) {
            const bool fits =
                c == '(' ? unspaced(nextVisible)
                         : (unspaced(nextVisible) && before != 0) ||
                               (unspaced(before) && (after == 0 || after == ' ' || unspaced(after)));
            if (fits) {
                out.push_back(wide);
                continue;
            }
        }
        // The engine takes a full-width opening bracket for an angle bracket.
        if (c == U'〈' && closedByParenthesis(in, i + 1)) {
            out.push_back(U'（');
            continue;
        }
        out.push_back(c);
    }
    return encode(out);
}

}  // namespace offline
