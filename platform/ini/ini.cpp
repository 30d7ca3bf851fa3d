#include "platform/ini.h"

#include "platform/files.h"
#include "platform/ini/ini_file.h"

namespace {

// Windows reads values into a buffer of this size, terminator included.
constexpr size_t kValueBuffer = 10240;
constexpr size_t kSectionNamesBuffer = 204800;

// Leading characters with codes 1 to 32 are skipped in every name.
std::string skipLeading(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] >= 1 && name[i] <= 32) {
        ++i;
    }
    return name.substr(i);
}

// Section and key names also lose trailing spaces and tabs: the file cannot keep them.
std::string entryName(const std::string& name) {
    std::string trimmed = skipLeading(name);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
        trimmed.pop_back();
    }
    return trimmed;
}

// A value keeps only its first line: that is all a later read gives back (and all that
// Windows ever read back), and a second line written raw would become a section or a key
// of its own.
std::string firstLine(const std::string& value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

bool spansLines(const std::string& name) {
    return name.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

namespace ini {

std::string read(const std::string& file, const std::string& section, const std::string& key) {
    std::string path = skipLeading(file), sectionName = entryName(section),
                keyName = entryName(key);
    std::string bytes;
    if (path.empty() || sectionName.empty() || keyName.empty() || !files::readFile(path, bytes)) {
        return {};
    }
    std::string value;
    IniFile(std::move(bytes)).value(sectionName, keyName, kValueBuffer - 1, value);
    return value;
}

bool write(const std::string& file, const std::string& section, const std::string& key,
           const std::string& value) {
    std::string path = skipLeading(file), sectionName = entryName(section),
                keyName = entryName(key);
    if (path.empty() || sectionName.empty() || keyName.empty() || spansLines(sectionName) ||
        spansLines(keyName)) {
        return false;
    }
    std::string bytes;
    bool existed = files::exists(path);
    if (existed && !files::readFile(path, bytes)) {
        return false;  // never replace a file that could not be read
    }
    IniFile ini(bytes);
    ini.setValue(sectionName, keyName, firstLine(value));
    if (existed && ini.bytes() == bytes) {
        return true;  // the same value written back: leave the file alone
    }
    return files::replaceFile(path, ini.bytes());
}

std::vector<std::string> sectionNames(const std::string& file) {
    std::string path = skipLeading(file);
    std::string bytes;
    if (path.empty() || !files::readFile(path, bytes)) {
        return {};
    }
    return IniFile(std::move(bytes)).sectionNames(kSectionNamesBuffer);
}

}  // namespace ini
