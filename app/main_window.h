#pragma once
// The controller of the main window: it owns the window's event handlers, runs the startup
// sequence and lays the window out on every resize. It reaches the window only through the
// form port, so the same code drives the Qt widgets and the tests' fake form.
#include <functional>
#include <string>

#include "app/app_state.h"
#include "app/layout.h"
#include "app/results_table.h"
#include "app/settings_store.h"
#include "app/status_line.h"
#include "net/http_client.h"
#include "platform/clipboard.h"
#include "platform/form.h"

// A step that waits on the network, in two halves: wait runs on a worker and touches neither
// the window nor the state; finish then runs on the user-interface thread.
struct NetworkStep {
    std::function<void()> wait;
    std::function<void()> finish;
};

// Where the other subsystems plug into the window. A subsystem that is not wired leaves its
// member empty and its step is skipped.
struct MainWindowServices {
    // Startup step 2: fills AppState::servicePieces and updateInfoAddress.
    std::function<void()> loadServicePieces;
    // Startup step 5 and after the settings page is saved.
    std::function<void()> registerHotkeys;
    // Startup step 9 and every choice in 组合框key: reads the chosen key profile and returns
    // the token exchange.
    std::function<NetworkStep()> fetchToken;
    // Runs wait on a worker thread, then finish on the user-interface thread; returns at once.
    // Unwired, both run at once, in order.
    std::function<void(std::function<void()> wait, std::function<void()> finish)> background;
    // Startup step 10, after the export profile path has been computed.
    std::function<void()> loadExportProfile;
    // A capture button; the argument is the hotkey id of its command (1 to 5).
    std::function<void(int)> startCaptureCommand;
    std::function<void()> translate;
    std::function<void()> exportAll;
    // A key release in one of the key boxes 1 to 5.
    std::function<void(int box, int keyCode)> keyBoxReleased;
    // Whether the offline engine can read at all (its data is installed).
    std::function<bool()> offlineUsable;
};

class MainWindow : public platform::FormEvents {
public:
    MainWindow(AppState& state, platform::Form& form, platform::Clipboard& clipboard);

    void setServices(MainWindowServices services) { m_services = std::move(services); }
    // The network client of the update notice; without one the notice reports failure.
    void setHttpClient(HttpClient* http) { m_http = http; }

    // The control with the tag; a control of another kind than expected is a program error.
    const layout::Control& findByTag(int tag, layout::Kind expected) const;
    void restoreCardCoordinates();
    // Startup step 8: the title, then the update document's notice, page and usage text.
    // The document is fetched on a worker; then, when given, runs after the notice.
    void showUpdateNotice(std::function<void()> then = nullptr);

    StatusLine& statusLine() { return m_status; }
    ResultsTable& resultsTable() { return m_table; }
    SettingsStore& settings() { return m_settings; }
    AppState& state() { return m_state; }
    platform::Form& form() { return m_form; }
    platform::Clipboard& clipboard() { return m_clipboard; }

    // platform::FormEvents
    void onCreated() override;
    void onResized() override;
    void onClicked(const std::string& control) override;
    void onItemSelected(const std::string& control) override;
    void onTextChanged(const std::string& control) override;
    void onKeyReleased(const std::string& control, int keyCode) override;
    void onPageChanged(const std::string& control) override;
    void onGridRightButtonUp(const std::string& control) override;
    void onMenuItem(const std::string& menu, int item) override;
    void onClosing() override;

private:
    // Startup.
    void restoreSettings();
    void restoreExportList();
    void restoreUsageText();
    void restoreHotkeyRows();
    void loadKeyProfiles();
    void computeExportProfilePath();
    void runInBackground(std::function<void()> wait, std::function<void()> finish);
    // The token step; a later one supersedes a pending one, whose result is then dropped.
    void fetchToken(std::function<void()> then);
    void finishStartup();
    void applyUpdateNotice(const Text& document);
    // The offline item of 组合框识别 (main_window_offline.cpp).
    void chooseFirstStartKind();
    // After the startup's token step: without a key profile, where key.ini goes.
    void pointToKeyFile();
    void updateTextCaptureButtons();

    // Commands.
    void copySource();
    void clearTexts();
    void convertWidth(bool toFull);
    void saveSyncSettings();
    void saveHotkeyRows();
    void gridCopy(bool cut);
    void gridPaste();
    void gridDelete();
    void saveAllContent();
    void saveExportSettings();
    void saveCardCoordinate(const std::string& control);
    void writeIfChanged(const Text& section, const Text& key, const Text& value);

    AppState& m_state;
    platform::Form& m_form;
    platform::Clipboard& m_clipboard;
    SettingsStore m_settings;
    StatusLine m_status;
    ResultsTable m_table;
    MainWindowServices m_services;
    HttpClient* m_http = nullptr;
    // Set while startup restores the controls: their change notifications write nothing.
    bool m_restoring = false;
    // The startup has not yet reached its token step: a key choice waits for it.
    bool m_beforeStartupToken = false;
    unsigned m_tokenGeneration = 0;
};
