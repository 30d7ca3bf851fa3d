#include "platform/xlsx/cell_text.h"

namespace xlsx {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

bool CellText::isEscapeAt(std::string_view text, size_t i, unsigned& code) {
    if (text.size() - i < 7 || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
        return false;
    code = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
        int v = hexValue(text[k]);
        if (v < 0) return false;
        code = code * 16 + static_cast<unsigned>(v);
    }
    return true;
}

// Length of the well-formed UTF-8 sequence at text[i], 0 when it is malformed.
size_t CellText::utf8Length(std::string_view text, size_t i) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = b(i);
    if (c < 0x80) return 1;
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || text.size() - i < n) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    if (c == 0xE0 && b(i + 1) < 0xA0) return 0;                       // overlong
    if (c == 0xED && b(i + 1) >= 0xA0) return 0;                      // surrogate
    if (c == 0xF0 && b(i + 1) < 0x90) return 0;                       // overlong
    if (c == 0xF4 && b(i + 1) >= 0x90) return 0;                      // beyond U+10FFFF
    if (c == 0xEF && b(i + 1) == 0xBF && b(i + 2) >= 0xBE) return 0;  // U+FFFE, U+FFFF
    return n;
}

void CellText::appendUtf8(std::string& out, unsigned code) {
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // a lone surrogate has no UTF-8 form
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void CellText::appendEscape(std::string& out, unsigned code) {
    static const char digits[] = "0123456789ABCDEF";
    out += "_x";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(code >> shift) & 0xF];
    out += '_';
}

bool CellText::encode(std::string_view text, std::string& stored) {
    stored.clear();
    stored.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        unsigned code = 0;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            stored += '\n';
            i += 2;
        } else if (c == '\t' || c == '\n') {
            stored += c;
            ++i;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            appendEscape(stored, static_cast<unsigned char>(c));
            ++i;
        } else if (c == '_' && isEscapeAt(text, i, code)) {
            appendEscape(stored, '_');
            ++i;
        } else {
            size_t n = utf8Length(text, i);
            if (n == 0) return false;
            stored.append(text.substr(i, n));
            i += n;
        }
    }
    return true;
}

std::string CellText::decode(std::string_view stored) {
    std::string text;
    text.reserve(stored.size());
    for (size_t i = 0; i < stored.size();) {
        unsigned code = 0;
        if (stored[i] == '_' && isEscapeAt(stored, i, code)) {
            if (code == '\r' && i + 14 <= stored.size() && stored.substr(i + 7, 7) == "_x000A_") {
                text += "\r\n";
                i += 14;
                continue;
            }
            if (code == '\n')
                text += "\r\n";
            else
                appendUtf8(text, code);
            i += 7;
        } else if (stored[i] == '\n') {
            text += "\r\n";
            ++i;
        } else if (stored[i] == '\r') {
            // A CR LF pair in the file is one line break.
            text += "\r\n";
            i += (i + 1 < stored.size() && stored[i + 1] == '\n') ? 2 : 1;
        } else {
            text += stored[i++];
        }
    }
    return text;
}

bool CellText::needsPreserve(std::string_view stored) {
    return !stored.empty() && (isSpace(stored.front()) || isSpace(stored.back()));
}

}  // namespace xlsx
