#pragma once
// The single process-wide state record. Workers never read the token, the addresses or the
// captured image directly: they take a snapshot when they start (see snapshotService), so
// a token step or a new capture never changes data under a running recognition.
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/screen.h"
#include "text/text_tools.h"

// Fixed pieces from which the OCR and update addresses are put together; they come from
// service.ini in the program folder, with built-in defaults for what it leaves out.
struct ServicePieces {
    Text tokenEndpoint;
    Text apiBaseUrl;
    Text generalPath;
    Text handwritingPath;
    Text vehicleLicencePath;
    Text updateInfoUrl;
    Text caFile;
    Text youdaoHost;
    Text googleHost;
};

// A rectangle of a frozen snapshot, in the snapshot's own pixel coordinates.
struct SnapshotArea {
    std::shared_ptr<const platform::ScreenImage> pixels;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    // Pixels there, and the rectangle wholly inside them.
    bool inside() const;
};

struct Selection {
    int x1 = 0;
    int x2 = 0;
    int y1 = 0;
    int y2 = 0;
};

// A consistent copy of what one recognition needs from the token step.
struct ServiceSnapshot {
    Text accessToken;
    std::array<Text, 12> recognitionEndpoints;
};

class AppState {
public:
    static constexpr const char* kVersion = "3.9";
    static constexpr const char* kTitle = "OzmiraV3.9";

    explicit AppState(Text programFolder);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // The program folder joined with a file name.
    Text pathOf(const Text& fileName) const;
    const Text& programFolder() const { return m_programFolder; }

    int32_t hotkeyCount = 0;
    Text settingsPath;
    Text keyFilePath;
    std::array<Text, 21> languageCodes;

    // The token step writes these on the user-interface thread; workers use snapshots.
    void setService(const Text& token, const std::array<Text, 12>* endpoints);
    ServiceSnapshot snapshotService() const;
    Text accessToken() const;
    std::array<Text, 12> recognitionEndpoints() const;

    // The most recent capture; each worker is handed its own shared, immutable buffer.
    std::shared_ptr<const Bytes> capturedImage;
    // A dragged capture from the button's release until it has been cut out into
    // capturedImage: its recognition starts on these pixels at once. Empty otherwise.
    SnapshotArea capturedArea;

    int32_t pendingKind = 0;
    bool minimizedForCapture = false;
    Selection selection;
    bool selecting = false;
    Text exportProfilePath;
    ServicePieces servicePieces;
    Text updateInfoAddress;

    // Frees everything the state holds; runs once at process end.
    void release();

private:
    Text m_programFolder;
    mutable std::mutex m_serviceMutex;
    Text m_accessToken;
    std::array<Text, 12> m_recognitionEndpoints;
};
