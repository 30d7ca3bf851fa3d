#pragma once
// The program's INI settings files. Holds no state of its own beyond the settings path:
// every call opens, reads or writes and closes the file.
#include <functional>
#include <string>
#include <vector>

#include "text/text_tools.h"

class SettingsStore {
public:
    // settingsPath: the full path of "windows data.ini".
    explicit SettingsStore(Text settingsPath = {});
    void setSettingsPath(const Text& path) { m_settingsPath = path; }

    static Text read(const Text& file, const Text& section, const Text& key);
    // The result says whether the value landed; only the value's first line is written.
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

    // Writes into any file of the program's, reporting a failure like the writes above.
    bool writeTo(const Text& file, const Text& section, const Text& key, const Text& value) const;
    // Called with the file's path whenever one of the writes of this store fails (read-only
    // file or folder, folder gone, disk full), so that the user hears of it.
    void setFailureHandler(std::function<void(const Text& file)> handler);

    const Text& settingsPath() const { return m_settingsPath; }

private:
    Text m_settingsPath;
    std::function<void(const Text& file)> m_failed;
};
