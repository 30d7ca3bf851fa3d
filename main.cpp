// Wires the real backends to the logic and runs the main window until it closes.
#include <QApplication>
#include <QIcon>
#include <QMetaObject>
#include <QWidget>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/service_config.h"
#include "capture/capture_commands.h"
#include "capture/offline_recognizer.h"
#include "capture/ocr_client.h"
#include "capture/recognition_workflow.h"
#include "capture/region_selector.h"
#include "export/excel_exporter.h"
#include "hotkeys/hotkey_manager.h"
#include "net/http_client.h"
#include "platform/atspi/atspi_windows.h"
#include "platform/curl/curl_transport.h"
#include "platform/files.h"
#include "platform/launcher/xdg_launcher.h"
#include "platform/portal/command_sender.h"
#include "platform/portal/command_service.h"
#include "platform/portal/portal_screen.h"
#include "platform/portal/portal_shortcuts.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/tray_icon.h"
#include "platform/qt/ui_gate.h"
#include "platform/tesseract/tesseract_engine.h"
#include "platform/x11/hotkeys_x11.h"
#include "platform/x11/session_check.h"
#include "platform/x11/x11_screen.h"
#include "sync/target_sync.h"
#include "translate/translator.h"

namespace {

// The main window is the program's one window; its hotkeys are registered under this handle.
constexpr platform::WindowHandle kMainWindow = 1;

// A Wayland desktop gives no program the keys of others, whichever window system the program
// itself speaks to.
bool waylandDesktop() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (type && std::strcmp(type, "wayland") == 0);
}

// ozmira --list-targets: the TargetPath of every editable control of the other programs'
// windows, one per line, for the sync settings.
int listTargets() {
    AtspiWindows windows;
    TargetSync sync(windows, [] { return Text(); });
    for (const std::string& line : sync.listTargets()) std::cout << line << '\n';
    return 0;
}

// The screen of the session: in a Wayland session only the desktop portal can read it.
std::unique_ptr<platform::Screen> sessionScreen(bool wayland) {
    if (wayland) return std::make_unique<PortalScreen>();
    return std::make_unique<X11Screen>();
}

// argv with "-platform NAME" after the program name when the session chose the window
// system; an argument rather than QT_QPA_PLATFORM, so programs started from here do not
// inherit the choice. The strings live as long as the process.
std::vector<char*> qtArguments(int argc, char** argv, const std::string& platform) {
    static std::string option = "-platform", name;
    std::vector<char*> args(argv, argv + argc);
    if (!platform.empty() && !args.empty()) {
        name = platform;
        args.insert(args.begin() + 1, {option.data(), name.data()});
    }
    args.push_back(nullptr);
    return args;
}

// ozmira --recognize / --image: recognition without a window; ozmira --command N: a command
// for the running program (app/command_line.h).
int commandLine(int argc, char** argv, const std::vector<std::string>& args) {
    AppState state(files::programFolder());
    std::unique_ptr<QGuiApplication> gui;
    std::vector<char*> guiArgs;
    int guiArgc = 0;
    std::unique_ptr<platform::Screen> screen;
    std::unique_ptr<TesseractEngine> engine;
    std::unique_ptr<CurlTransport> transport;
    std::unique_ptr<HttpClient> http;
    CommandLine::Backends backends;
    backends.screen = [&]() -> platform::Screen& {
        // The portal answers through Qt's event loop and places the primary screen by Qt's
        // screens, so a Wayland capture needs the application object.
        const session_check::Choice session = session_check::choose();
        const bool wayland = session.problem.empty() && session.wayland;
        if (wayland) {
            guiArgs = qtArguments(argc, argv, session.platform);
            guiArgc = int(guiArgs.size()) - 1;
            gui = std::make_unique<QGuiApplication>(guiArgc, guiArgs.data());
        }
        return *(screen = sessionScreen(wayland));
    };
    backends.engine = [&]() -> platform::TextEngine& {
        return *(engine = std::make_unique<TesseractEngine>());
    };
    backends.http = [&]() -> HttpClient& {
        transport = std::make_unique<CurlTransport>();
        const Text& ca = state.servicePieces.caFile;
        if (!ca.empty()) transport->setCaFile(ca.front() == '/' ? ca : state.pathOf(ca));
        return *(http = std::make_unique<HttpClient>(*transport));
    };
    backends.sendCommand = command_sender::send;
    const int status = CommandLine(state, backends, std::cout, std::cerr).run(args);
    std::cout.flush();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--list-targets") == 0) return listTargets();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (CommandLine::handles(args)) return commandLine(argc, argv, args);

    const session_check::Choice session = session_check::choose();
    if (!session.problem.empty()) {
        std::cerr << "ozmira needs a graphical desktop session (X11 or Wayland): "
                  << session.problem << ".\n";
        return 1;
    }
    std::vector<char*> qtArgs = qtArguments(argc, argv, session.platform);
    int qtArgc = int(qtArgs.size()) - 1;
    QApplication app(qtArgc, qtArgs.data());
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    QApplication::setApplicationName("Ozmira");
    // Desktops match the window to the installed menu entry (and its icon) by this name.
    QApplication::setDesktopFileName("org.ozmira.Ozmira");
    QApplication::setWindowIcon(QIcon(":/ozmira/ozmira.png"));

    AppState state(files::programFolder());
    CurlTransport transport;
    HttpClient http(transport);
    // The update page's view fetches its picture through the same transport.
    HttpClient pageHttp(transport, HttpClient::kPageReplyLimit);
    QtForm form;
    QtClipboard clipboard;
    UiGate uiTasks;
    OcrClient ocr(state, form, http);
    AtspiWindows windows;
    TargetSync targets(windows, form);
    RecognitionWorkflow workflow(state, form, clipboard, ocr,
                                 [&targets](const Text& text) { targets.deliver(text); });
    workflow.setUiRunner([&uiTasks](const std::function<void()>& group) { uiTasks.run(group); });
    // A run frees megabytes (image, JPEG, request body) in its thread's arena, which glibc
    // would otherwise keep for good.
    workflow.setAfterRun([] { malloc_trim(0); });
    TesseractEngine textEngine;
    OfflineRecognizer offline(textEngine);
    workflow.setOfflineRecognizer(&offline);
    const std::unique_ptr<platform::Screen> screenBackend = sessionScreen(wayland);
    platform::Screen& screen = *screenBackend;
    QtOverlay overlay;
    RegionSelector selector(state, screen, overlay);
    CaptureCommands captures(state, form, screen, selector,
                             {[&workflow](int kind) { workflow.start(kind); },
                              [&workflow] { workflow.stopLast(); }});
    Translator translator(state, form, clipboard, http);
    XdgLauncher launcher;
    ExcelExporter exporter(state, form, launcher);

    MainWindow window(state, form, clipboard);
    // Key grabs on X11; on a Wayland desktop the shortcuts portal where it has one, and
    // otherwise the desktop's own keyboard settings with `ozmira --command N`.
    const bool waylandKeys = waylandDesktop();
    std::unique_ptr<platform::Hotkeys> hotkeys;
    if (waylandKeys && PortalShortcuts::offered()) {
        hotkeys = std::make_unique<PortalShortcuts>(HotkeyManager::actionName);
    } else {
        hotkeys = std::make_unique<HotkeysX11>([&app](std::function<void()> task) {
            QMetaObject::invokeMethod(&app, std::move(task), Qt::QueuedConnection);
        });
    }
    HotkeyManager hotkeyManager(state, form, window.statusLine(), *hotkeys, kMainWindow,
                                [&captures](int32_t id) { return captures.runCommand(id); });
    hotkeyManager.setKeysBoundByDesktop(waylandKeys && !dynamic_cast<PortalShortcuts*>(hotkeys.get()));

    MainWindowServices services;
    services.loadServicePieces = [&] {
        ServiceConfig::apply(state);
        const Text& ca = state.servicePieces.caFile;
        if (!ca.empty()) transport.setCaFile(ca.front() == '/' ? ca : state.pathOf(ca));
    };
    services.registerHotkeys = [&] { hotkeyManager.registerAll(); };
    services.fetchToken = [&ocr] {
        auto token = std::make_shared<Text>();
        return NetworkStep{
            [&ocr, token, address = ocr.tokenAddress()] { *token = ocr.requestToken(address); },
            [&ocr, token] { ocr.applyToken(*token); }};
    };
    // Network waits of the startup and the token step: on a worker, their end on the
    // user-interface thread; nothing of theirs runs once the window has closed.
    services.background = [&uiTasks, &form](std::function<void()> wait,
                                            std::function<void()> finish) {
        std::thread([&uiTasks, &form, wait = std::move(wait), finish = std::move(finish)] {
            wait();
            uiTasks.post([&form, finish] {
                if (!form.isClosed()) finish();
            });
        }).detach();
    };
    services.loadExportProfile = [&] { exporter.loadProfile(); };
    services.startCaptureCommand = [&](int id) { captures.runCommand(id); };
    services.translate = [&] { translator.start(); };
    services.exportAll = [&] { exporter.exportAll(); };
    services.keyBoxReleased = [&](int box, int key) { hotkeyManager.onKeyBoxKeyUp(box, key); };
    services.offlineUsable = [&] { return offline.usable(); };
    window.setServices(services);
    window.setHttpClient(&http);
    form.setFetcher([&pageHttp](const std::string& url) { return pageHttp.Request(url); });

    // `ozmira --command N` from the desktop's own keyboard settings: the same as hotkey N.
    CommandService commandService([&captures](int id) { captures.runCommand(id); });
    const std::string noCommands = commandService.start();
    if (!noCommands.empty())
        std::cerr << "ozmira: `ozmira --command` will not reach this window: " << noCommands << ".\n";

    form.setEvents(&window);
    form.show();
    // The tray's menu runs the capture commands as the hotkeys do; its "退出" closes the
    // window as the user would, and a minimized window keeps tray and hotkeys.
    TrayIcon tray(TrayMenu({[&captures](int id) { captures.runCommand(id); },
                            [&form] { form.raise(); }, [&form] { form.window()->close(); }}),
                  QApplication::windowIcon(), AppState::kTitle);
    app.exec();

    state.release();
    // Recognition and translation workers may still be waiting on the network; they hold
    // no files open for writing, so the process ends here without waiting for them.
    std::fflush(nullptr);
    std::_Exit(0);
}
