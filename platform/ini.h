#pragma once
// Private-profile INI files (backend: platform/ini). Paths, names and values are UTF-8;
// on disk a file is code page 936 (GB18030's four-byte form for what 936 lacks), or UTF-8
// when it already was UTF-8 with non-ASCII text. Every write replaces the file atomically.
#include <memory>
#include <string>
#include <vector>

class IniIndex;

namespace ini {

// The value, trimmed, one pair of enclosing quotes removed, at most 10,239 bytes in the
// file's encoding; empty when the file, section or key is missing. Leading characters
// with codes 1 to 32 are skipped in the file, section and key names; a name left empty
// reads nothing.
std::string read(const std::string& file, const std::string& section, const std::string& key);
// Replaces the value where it stands, or adds the key at the end of its section, or the
// section at the end of the file; creates the file. Only the value's first line is
// written (what a read gives back); a section or key name that spans lines writes
// nothing. False when the file could not be written (the old file is then left whole).
bool write(const std::string& file, const std::string& section, const std::string& key,
           const std::string& value);
// Section names in file order; empty when the file is missing.
std::vector<std::string> sectionNames(const std::string& file);

// A file read and parsed once for many reads (an export profile of thousands of keys):
// the same answers that read() and sectionNames() give, as the file was when it was made.
class Snapshot {
public:
    explicit Snapshot(const std::string& file);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    std::string read(const std::string& section, const std::string& key) const;
    const std::vector<std::string>& sectionNames() const { return m_sections; }

private:
    std::unique_ptr<IniIndex> m_index;
    std::vector<std::string> m_sections;
};

}  // namespace ini
