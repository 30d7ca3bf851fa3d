// Wires the real backends to the logic and runs the main window until it closes.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/service_config.h"
#include "capture/ocr_client.h"
#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "platform/files.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ozmira");
    QApplication::setWindowIcon(QIcon(":/ozmira/ozmira.png"));

    AppState state(files::programFolder());
    CurlTransport transport;
    HttpClient http(transport);
    QtForm form;
    QtClipboard clipboard;
    OcrClient ocr(state, form, http);

    MainWindow window(state, form, clipboard);
    MainWindowServices services;
    services.loadServicePieces = [&] {
        ServiceConfig::apply(state);
        const Text& ca = state.servicePieces.caFile;
        if (!ca.empty()) transport.setCaFile(ca.front() == '/' ? ca : state.pathOf(ca));
    };
    services.fetchToken = [&] { ocr.FetchToken(); };
    window.setServices(services);
    window.setHttpClient(&http);
    form.setFetcher([&http](const std::string& url) { return http.Request(url); });

    form.setEvents(&window);
    form.show();
    app.exec();

    state.release();
    // Recognition and translation workers may still be waiting on the network; they hold
    // no files open for writing, so the process ends here without waiting for them.
    std::fflush(nullptr);
    std::_Exit(0);
}
