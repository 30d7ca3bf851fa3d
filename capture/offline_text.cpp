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
        // Punctuation that follows a Chinese character and stands before another one, or at
        // the end of the line, is Chinese punctuation; an opening bracket looks ahead instead.
        const char32_t wide = fullWidth(c);
        if (wide) {
            const char32_t before = out.empty() ? 0 : out.back();
            const char32_t after = i + 1 < in.size() ? in[i + 1] : 0;
            const bool fits = c == '(' ? unspaced(after)
                                       : unspaced(before) && (after == 0 || after == ' ' ||
                                                              unspaced(after));
            if (fits) {
                out.push_back(wide);
                continue;
            }
        }
        out.push_back(c);
    }
    return encode(out);
}

}  // namespace offline
