#include "app/app_state.h"

#include <utility>

AppState::AppState(Text programFolder) : m_programFolder(std::move(programFolder)) {}

AppState::~AppState() = default;

Text AppState::pathOf(const Text& fileName) const {
    if (m_programFolder.empty()) return fileName;
    return m_programFolder + "/" + fileName;
}

void AppState::setService(const Text& token, const std::array<Text, 12>* endpoints) {
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    m_accessToken = token;
    if (endpoints) m_recognitionEndpoints = *endpoints;
}

ServiceSnapshot AppState::snapshotService() const {
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    return {m_accessToken, m_recognitionEndpoints};
}

Text AppState::accessToken() const {
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    return m_accessToken;
}

std::array<Text, 12> AppState::recognitionEndpoints() const {
    std::lock_guard<std::mutex> lock(m_serviceMutex);
    return m_recognitionEndpoints;
}

void AppState::release() {
    {
        std::lock_guard<std::mutex> lock(m_serviceMutex);
        m_accessToken.clear();
        m_recognitionEndpoints = {};
    }
    capturedImage.reset();
    capturedArea = {};
    settingsPath.clear();
    keyFilePath.clear();
    languageCodes = {};
    exportProfilePath.clear();
    servicePieces = {};
    updateInfoAddress.clear();
    selection = {};
    selecting = false;
}

bool SnapshotArea::inside() const {
    return pixels && width > 0 && height > 0 && left >= 0 && top >= 0 &&
           left <= pixels->width - width && top <= pixels->height - height;
}
