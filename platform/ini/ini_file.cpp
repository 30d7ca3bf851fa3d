#include "platform/ini/ini_file.h"

#include "platform/charset.h"

namespace {

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

uint8_t byteAt(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace

IniFile::IniFile(std::string bytes) {
    const charset::Detected detected = charset::detectEncoding(bytes);
    m_encoding = detected.encoding;
    m_utf8 = m_encoding != charset::Encoding::Cp936;
    if (isWide()) {
        // Edited as UTF-8 and written back as UTF-16, as Notepad's "Unicode" saved it.
        m_bytes = charset::utf16ToUtf8(std::string_view(bytes).substr(detected.bomLength),
                                       m_encoding == charset::Encoding::Utf16Be);
    } else {
        m_bytes = std::move(bytes);
        m_bomLength = detected.bomLength;
    }
    parse();
}

bool IniFile::isWide() const {
    return m_encoding == charset::Encoding::Utf16Le || m_encoding == charset::Encoding::Utf16Be;
}

std::string IniFile::bytes() const {
    if (!isWide()) {
        return m_bytes;
    }
    const bool bigEndian = m_encoding == charset::Encoding::Utf16Be;
    return (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + charset::utf8ToUtf16(m_bytes, bigEndian);
}

// Where the character at i ends. In code page 936 a trail byte may look like "[", "]" or
// a letter, so the structure of a line is found character by character; line ends,
// "=", quotes, spaces and tabs are never part of a double-byte character.
size_t IniFile::charEnd(size_t i) const {
    std::string_view s = m_bytes;
    uint8_t lead = byteAt(s, i);
    if (lead < 0x80) {
        return i + 1;
    }
    auto byteIn = [&](size_t k, uint8_t lo, uint8_t hi) {
        return k < s.size() && byteAt(s, k) >= lo && byteAt(s, k) <= hi;
    };
    if (m_utf8) {
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        return std::min(i + length, s.size());
    }
    if (lead < 0x81 || lead > 0xFE) {
        return i + 1;
    }
    if (byteIn(i + 1, 0x30, 0x39) && byteIn(i + 2, 0x81, 0xFE) && byteIn(i + 3, 0x30, 0x39)) {
        return i + 4;
    }
    if (byteIn(i + 1, 0x40, 0x7E) || byteIn(i + 1, 0x80, 0xFE)) {
        return i + 2;
    }
    return i + 1;
}

void IniFile::parse() {
    m_lines.clear();
    size_t begin = 0;
    while (begin < m_bytes.size()) {
        size_t end = m_bytes.find_first_of("\r\n", begin);
        size_t next;
        if (end == std::string::npos) {
            end = next = m_bytes.size();
        } else {
            next = end + (m_bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
        size_t textBegin = m_lines.empty() ? std::max(begin, m_bomLength) : begin;
        m_lines.push_back(parseLine(textBegin, end, next));
        begin = next;
    }
}

IniFile::Line IniFile::parseLine(size_t begin, size_t end, size_t next) const {
    Line line;
    line.begin = begin;
    line.end = end;
    line.next = next;
    auto trimmed = [&](size_t from, size_t to, size_t& outBegin, size_t& outEnd) {
        while (from < to && isBlank(m_bytes[from])) ++from;
        while (to > from && isBlank(m_bytes[to - 1])) --to;
        outBegin = from;
        outEnd = to;
    };
    size_t p = begin;
    while (p < end && isBlank(m_bytes[p])) {
        ++p;
    }
    if (p == end) {
        return line;
    }
    if (m_bytes[p] == '[') {
        size_t close = std::string::npos;
        for (size_t i = p + 1; i < end; i = charEnd(i)) {
            if (m_bytes[i] == ']') close = i;
        }
        if (close == std::string::npos) {
            line.kind = Kind::Other;  // not a section header, and no key either
            return line;
        }
        line.kind = Kind::Section;
        trimmed(p + 1, close, line.nameBegin, line.nameEnd);
        return line;
    }
    size_t equals = end;
    for (size_t i = p; i < end; i = charEnd(i)) {
        if (m_bytes[i] == '=') {
            equals = i;
            break;
        }
    }
    // A line without "=" is a key without a value.
    line.kind = Kind::Key;
    trimmed(p, equals, line.nameBegin, line.nameEnd);
    trimmed(std::min(equals + 1, end), end, line.valueBegin, line.valueEnd);
    return line;
}

std::string_view IniFile::slice(size_t begin, size_t end) const {
    return std::string_view(m_bytes).substr(begin, end - begin);
}

std::string IniFile::decode(std::string_view raw) const {
    return m_utf8 ? std::string(raw) : charset::cp936ToUtf8(raw);
}

std::string IniFile::encode(std::string_view utf8) const {
    return m_utf8 ? charset::sanitizeUtf8(utf8) : charset::utf8ToCp936(utf8, true);
}

int IniFile::findSection(std::string_view name, int& lastLine) const {
    int count = static_cast<int>(m_lines.size());
    for (int s = 0; s < count; ++s) {
        const Line& line = m_lines[s];
        if (line.kind != Kind::Section ||
            !equalsIgnoreAsciiCase(decode(slice(line.nameBegin, line.nameEnd)), name)) {
            continue;
        }
        lastLine = s;
        for (int k = s + 1; k < count && m_lines[k].kind != Kind::Section; ++k) {
            if (m_lines[k].kind != Kind::Blank) {
                lastLine = k;
            }
        }
        return s;
    }
    return -1;
}

int IniFile::findKey(int section, std::string_view key) const {
    int count = static_cast<int>(m_lines.size());
    for (int k = section + 1; k < count && m_lines[k].kind != Kind::Section; ++k) {
        const Line& line = m_lines[k];
        if (line.kind == Kind::Key &&
            equalsIgnoreAsciiCase(decode(slice(line.nameBegin, line.nameEnd)), key)) {
            return k;
        }
    }
    return -1;
}

bool IniFile::value(std::string_view section, std::string_view key, size_t maxBytes,
                    std::string& value) const {
    int lastLine = -1;
    int s = findSection(section, lastLine);
    int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0) {
        return false;
    }
    size_t begin = m_lines[k].valueBegin, end = m_lines[k].valueEnd;
    char first = begin < end ? m_bytes[begin] : '\0';
    if (end - begin >= 2 && (first == '"' || first == '\'') && m_bytes[end - 1] == first) {
        ++begin;
        --end;
    }
    // The read buffer holds maxBytes of the file's bytes; a character that does not fit
    // whole is left out.
    if (end - begin > maxBytes) {
        size_t cut = begin;
        for (size_t next = charEnd(cut); next <= begin + maxBytes; next = charEnd(cut)) {
            cut = next;
        }
        end = cut;
    }
    value = decode(slice(begin, end));
    return true;
}

std::vector<std::string> IniFile::sectionNames(size_t bufferBytes) const {
    // The names are listed as if each took its bytes and a terminator in a buffer of
    // bufferBytes that ends with one more terminator; names that do not fit are lost.
    std::vector<std::string> names;
    size_t used = 1;
    for (const Line& line : m_lines) {
        if (line.kind != Kind::Section || line.nameBegin == line.nameEnd) {
            continue;
        }
        used += line.nameEnd - line.nameBegin + 1;
        if (used > bufferBytes) {
            break;
        }
        names.push_back(decode(slice(line.nameBegin, line.nameEnd)));
    }
    return names;
}

std::string IniFile::lineEnd() const {
    for (const Line& line : m_lines) {
        if (line.next > line.end) {
            return m_bytes.substr(line.end, line.next - line.end);
        }
    }
    return "\r\n";
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string eol = lineEnd();
    const std::string encodedValue = encode(value);
    int lastLine = -1;
    int s = findSection(section, lastLine);
    if (s < 0) {
        std::string added;
        if (!m_bytes.empty() && m_bytes.back() != '\n' && m_bytes.back() != '\r') {
            added += eol;
        }
        added += "[" + encode(section) + "]" + eol + encode(key) + "=" + encodedValue + eol;
        m_bytes += added;
    } else if (int k = findKey(s, key); k >= 0) {
        // The line becomes key=value with the key spelt as the file spells it.
        const Line& line = m_lines[k];
        std::string replaced =
            std::string(slice(line.nameBegin, line.nameEnd)) + "=" + encodedValue;
        m_bytes.replace(line.begin, line.end - line.begin, replaced);
    } else {
        const Line& last = m_lines[lastLine];
        std::string added = encode(key) + "=" + encodedValue + eol;
        if (last.next == last.end) {
            added.insert(0, eol);  // the section's last line ended the file without a break
        }
        m_bytes.insert(last.next, added);
    }
    keepEncoding();
    parse();
}

// Without a byte order mark the encoding is guessed from the bytes, so an edit can tip the
// next read the other way (a code page 936 value whose bytes are also good UTF-8 in a
// file that was ASCII, or rare characters added to a UTF-8 file) and every value would then
// read garbled. UTF-8's mark settles it: a code page 936 file becomes UTF-8 holding the text
// it has always read as.
void IniFile::keepEncoding() {
    if (isWide() || m_bomLength > 0 || charset::detectEncoding(m_bytes).encoding == m_encoding) {
        return;
    }
    if (!m_utf8) {
        m_bytes = charset::cp936ToUtf8(m_bytes);
    }
    m_bytes.insert(0, "\xEF\xBB\xBF");
    m_encoding = charset::Encoding::Utf8;
    m_utf8 = true;
    m_bomLength = 3;
}
