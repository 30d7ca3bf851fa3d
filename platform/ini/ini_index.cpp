#include "platform/ini/ini_index.h"

#include "platform/charset.h"

namespace {

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

void foldAscii(std::string& text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
}

}  // namespace

IniIndex::IniIndex(std::string bytes) {
    // The encoding is decided as IniFile decides it; a UTF-16 file is read as UTF-8.
    const charset::Detected detected = charset::detectEncoding(bytes);
    m_utf8 = detected.encoding != charset::Encoding::Cp936;
    if (detected.encoding == charset::Encoding::Utf16Le ||
        detected.encoding == charset::Encoding::Utf16Be) {
        m_bytes = charset::utf16ToUtf8(std::string_view(bytes).substr(detected.bomLength),
                                       detected.encoding == charset::Encoding::Utf16Be);
    } else {
        m_bytes = std::move(bytes);
        m_bomLength = detected.bomLength;
    }
    index();
}

// As IniFile reads characters: in code page 936 a trail byte may look like "]" or "=", so a
// line's structure is found character by character.
size_t IniIndex::charEnd(size_t i) const {
    const auto byteAt = [&](size_t k) { return static_cast<uint8_t>(m_bytes[k]); };
    const uint8_t lead = byteAt(i);
    if (lead < 0x80) return i + 1;
    auto byteIn = [&](size_t k, uint8_t lo, uint8_t hi) {
        return k < m_bytes.size() && byteAt(k) >= lo && byteAt(k) <= hi;
    };
    if (m_utf8) return std::min(i + (lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2), m_bytes.size());
    if (lead < 0x81 || lead > 0xFE) return i + 1;
    if (byteIn(i + 1, 0x30, 0x39) && byteIn(i + 2, 0x81, 0xFE) && byteIn(i + 3, 0x30, 0x39))
        return i + 4;
    if (byteIn(i + 1, 0x40, 0x7E) || byteIn(i + 1, 0x80, 0xFE)) return i + 2;
    return i + 1;
}

IniIndex::Range IniIndex::trimmed(size_t begin, size_t end) const {
    while (begin < end && isBlank(m_bytes[begin])) ++begin;
    while (end > begin && isBlank(m_bytes[end - 1])) --end;
    return {begin, end};
}

std::string IniIndex::decode(std::string_view raw) const {
    return m_utf8 || charset::isAscii(raw) ? std::string(raw) : charset::cp936ToUtf8(raw);
}

std::string IniIndex::nameKey(Range raw) const {
    std::string name = decode(std::string_view(m_bytes).substr(raw.begin, raw.end - raw.begin));
    foldAscii(name);
    return name;
}

bool IniIndex::sectionLine(size_t p, size_t end, Range& name) const {
    if (m_bytes[p] != '[') return false;
    size_t close = std::string_view::npos;
    for (size_t i = p + 1; i < end; i = charEnd(i))
        if (m_bytes[i] == ']') close = i;
    if (close == std::string_view::npos) return false;
    name = trimmed(p + 1, close);
    return true;
}

void IniIndex::keyLine(size_t p, size_t end, Keys& keys) const {
    size_t equals = end;
    for (size_t i = p; i < end; i = charEnd(i)) {
        if (m_bytes[i] == '=') {
            equals = i;
            break;
        }
    }
    // The first line of a key name wins, as a search from the section's start finds it.
    keys.emplace(nameKey(trimmed(p, equals)), trimmed(std::min(equals + 1, end), end));
}

void IniIndex::index() {
    Keys* section = nullptr;  // keys of the current section; none before the first one
    size_t begin = 0;
    while (begin < m_bytes.size()) {
        size_t end = m_bytes.find_first_of("\r\n", begin);
        size_t next = end;
        if (end == std::string_view::npos) {
            end = next = m_bytes.size();
        } else {
            next = end + (std::string_view(m_bytes).substr(end, 2) == "\r\n" ? 2 : 1);
        }
        size_t p = begin == 0 ? m_bomLength : begin;
        while (p < end && isBlank(m_bytes[p])) ++p;
        Range name;
        if (p == end) {
            // a blank line
        } else if (sectionLine(p, end, name)) {
            // Only the first section of a name is ever read.
            if (name.end > name.begin) m_sectionNames.push_back(name);
            auto [at, added] = m_sections.try_emplace(nameKey(name));
            section = added ? &at->second : nullptr;
        } else if (m_bytes[p] != '[' && section) {
            keyLine(p, end, *section);
        }
        begin = next;
    }
}

bool IniIndex::value(std::string_view sectionName, std::string_view key, size_t maxBytes,
                     std::string& value) const {
    std::string sectionKey(sectionName), keyKey(key);
    foldAscii(sectionKey);
    foldAscii(keyKey);
    const auto section = m_sections.find(sectionKey);
    if (section == m_sections.end()) return false;
    const auto entry = section->second.find(keyKey);
    if (entry == section->second.end()) return false;
    size_t begin = entry->second.begin, end = entry->second.end;
    const char first = begin < end ? m_bytes[begin] : '\0';
    if (end - begin >= 2 && (first == '"' || first == '\'') && m_bytes[end - 1] == first) {
        ++begin;
        --end;
    }
    if (end - begin > maxBytes) {
        size_t cut = begin;
        for (size_t next = charEnd(cut); next <= begin + maxBytes; next = charEnd(cut)) cut = next;
        end = cut;
    }
    value = decode(std::string_view(m_bytes).substr(begin, end - begin));
    return true;
}

std::vector<std::string> IniIndex::sectionNames(size_t bufferBytes) const {
    // Listed as if each name took its bytes and a terminator in a buffer of bufferBytes that
    // ends with one more terminator; names that do not fit are lost.
    std::vector<std::string> names;
    size_t used = 1;
    for (const Range& name : m_sectionNames) {
        used += name.end - name.begin + 1;
        if (used > bufferBytes) break;
        names.push_back(
            decode(std::string_view(m_bytes).substr(name.begin, name.end - name.begin)));
    }
    return names;
}
