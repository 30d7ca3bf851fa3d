#pragma once
// One INI file parsed once for many reads: every section's keys in a hash table, so a file
// of thousands of keys is read in one pass rather than one pass per key. It answers as
// IniFile does: the first section of a name, the first key of a name in it, ASCII case
// ignored, the value trimmed, one pair of quotes removed and cut to the read buffer.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniIndex {
public:
    explicit IniIndex(std::string bytes);
    IniIndex(const IniIndex&) = delete;
    IniIndex& operator=(const IniIndex&) = delete;

    // Names and values are UTF-8; false when the section or key is missing.
    bool value(std::string_view section, std::string_view key, size_t maxBytes,
               std::string& value) const;
    std::vector<std::string> sectionNames(size_t bufferBytes) const;

private:
    struct Range {
        size_t begin = 0, end = 0;
    };
    using Keys = std::unordered_map<std::string, Range>;

    void index();
    // The section name of the line, or false when the line is no section header.
    bool sectionLine(size_t p, size_t end, Range& name) const;
    void keyLine(size_t p, size_t end, Keys& keys) const;
    size_t charEnd(size_t i) const;
    Range trimmed(size_t begin, size_t end) const;
    // The name as matched: decoded, ASCII letters folded.
    std::string nameKey(Range raw) const;
    std::string decode(std::string_view raw) const;

    // The text as IniFile holds it: its own bytes, or UTF-8 for a UTF-16 file.
    std::string m_bytes;
    bool m_utf8 = false;
    size_t m_bomLength = 0;
    std::unordered_map<std::string, Keys> m_sections;
    std::vector<Range> m_sectionNames;  // every section header with a name, in file order
};
