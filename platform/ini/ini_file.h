#pragma once
// One INI file held as its bytes, with the position of every line. Edits change only the
// bytes of the line they touch, so the rest of a hand-edited file (its encoding, line
// ends, comments and even undecodable bytes) stays exactly as it was.
#include <string>
#include <string_view>
#include <vector>

#include "platform/charset.h"

class IniFile {
public:
    // The file keeps the encoding charset::detectEncoding finds: code page 936 (with
    // GB18030's forms for what 936 lacks), UTF-8, or UTF-16 with its byte order mark. A
    // new (empty) file is code page 936.
    explicit IniFile(std::string bytes);

    // The file's bytes, in its own encoding.
    std::string bytes() const;

    // Names and values are UTF-8. The value comes trimmed, unquoted and cut to at most
    // maxBytes in the file's encoding; false when the section or key is missing.
    bool value(std::string_view section, std::string_view key, size_t maxBytes,
               std::string& value) const;
    std::vector<std::string> sectionNames(size_t bufferBytes) const;
    // Replaces the key's line, or adds the key after the last line of its section, or
    // adds the section at the end.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

private:
    enum class Kind { Blank, Section, Key, Other };
    struct Line {
        size_t begin = 0, end = 0, next = 0;  // text, end of text, start of the next line
        Kind kind = Kind::Blank;
        size_t nameBegin = 0, nameEnd = 0;    // section or key name, trimmed
        size_t valueBegin = 0, valueEnd = 0;  // value, trimmed
    };

    bool isWide() const;
    void parse();
    void keepEncoding();
    Line parseLine(size_t begin, size_t end, size_t next) const;
    size_t charEnd(size_t i) const;
    std::string decode(std::string_view raw) const;
    std::string encode(std::string_view utf8) const;
    std::string_view slice(size_t begin, size_t end) const;
    // Index of the first section line with that name, or -1; lastLine receives the index
    // of its last non-blank line.
    int findSection(std::string_view name, int& lastLine) const;
    int findKey(int section, std::string_view key) const;
    std::string lineEnd() const;

    std::string m_bytes;  // a UTF-16 file is held as UTF-8
    charset::Encoding m_encoding = charset::Encoding::Cp936;
    bool m_utf8 = false;
    size_t m_bomLength = 0;
    std::vector<Line> m_lines;
};
