#include "platform/files.h"
#include "platform/ini.h"
#include "platform/ini/ini_index.h"

namespace {

// The read buffers and name rules of ini::read and ini::sectionNames.
constexpr size_t kValueBuffer = 10240;
constexpr size_t kSectionNamesBuffer = 204800;

std::string skipLeading(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] >= 1 && name[i] <= 32) ++i;
    return name.substr(i);
}

std::string entryName(const std::string& name) {
    std::string trimmed = skipLeading(name);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
        trimmed.pop_back();
    return trimmed;
}

}  // namespace

namespace ini {

Snapshot::Snapshot(const std::string& file) {
    const std::string path = skipLeading(file);
    std::string bytes;
    if (path.empty() || !files::readFile(path, bytes)) return;
    m_index = std::make_unique<IniIndex>(std::move(bytes));
    m_sections = m_index->sectionNames(kSectionNamesBuffer);
}

Snapshot::~Snapshot() = default;

std::string Snapshot::read(const std::string& section, const std::string& key) const {
    const std::string sectionName = entryName(section), keyName = entryName(key);
    std::string value;
    if (m_index && !sectionName.empty() && !keyName.empty())
        m_index->value(sectionName, keyName, kValueBuffer - 1, value);
    return value;
}

}  // namespace ini
