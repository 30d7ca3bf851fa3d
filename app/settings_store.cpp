#include "app/settings_store.h"

#include <utility>

#include "platform/ini.h"

SettingsStore::SettingsStore(Text settingsPath) : m_settingsPath(std::move(settingsPath)) {}

Text SettingsStore::read(const Text& file, const Text& section, const Text& key) {
    return ini::read(file, section, key);
}

bool SettingsStore::write(const Text& file, const Text& section, const Text& key,
                          const Text& value) {
    return ini::write(file, section, key, value);
}

std::vector<Text> SettingsStore::sectionNames(const Text& file) { return ini::sectionNames(file); }

bool SettingsStore::readBool(const Text& section, const Text& key) const {
    return read(m_settingsPath, section, key) != "假";
}

bool SettingsStore::writeTo(const Text& file, const Text& section, const Text& key,
                            const Text& value) const {
    const bool written = write(file, section, key, value);
    if (!written && m_failed) m_failed(file);
    return written;
}

void SettingsStore::setFailureHandler(std::function<void(const Text& file)> handler) {
    m_failed = std::move(handler);
}

void SettingsStore::writeBool(const Text& section, const Text& key, bool value) const {
    writeTo(m_settingsPath, section, key, value ? "真" : "假");
}

int32_t SettingsStore::readIndex(const Text& section, const Text& key) const {
    return text::toInt(read(m_settingsPath, section, key));
}

void SettingsStore::writeIndex(const Text& section, const Text& key, int32_t index) const {
    writeTo(m_settingsPath, section, key, text::fromInt(index));
}

Text SettingsStore::readText(const Text& section, const Text& key) const {
    return read(m_settingsPath, section, key);
}

void SettingsStore::writeText(const Text& section, const Text& key, const Text& value) const {
    writeTo(m_settingsPath, section, key, value);
}
