#pragma once
// The program's INI settings files. Holds no state of its own beyond the settings path:
// every call opens, reads or writes and closes the file.
#include <string>
#include <vector>

#include "app/text_tools.h"

class SettingsStore {
public:
    // settingsPath: the full path of "windows data.ini".
    explicit SettingsStore(Text settingsPath = {});
    void setSettingsPath(const Text& path) { m_settingsPath = path; }

    static Text read(const Text& file, const Text& section, const Text& key);
    // A failed write is not reported to the user; the result says whether it landed.
    static bool write(const Text& file, const Text& section, const Text& key, const Text& value);
    static std::vector<Text> sectionNames(const Text& file);

    // Booleans are "真" and "假"; only "假" reads as false.
    bool readBool(const Text& section, const Text& key) const;
    void writeBool(const Text& section, const Text& key, bool value) const;
    // Indexes are decimal texts, read through text::toInt (no digits gives 0).
    int32_t readIndex(const Text& section, const Text& key) const;
    void writeIndex(const Text& section, const Text& key, int32_t index) const;
    Text readText(const Text& section, const Text& key) const;
    void writeText(const Text& section, const Text& key, const Text& value) const;

    const Text& settingsPath() const { return m_settingsPath; }

private:
    Text m_settingsPath;
};
