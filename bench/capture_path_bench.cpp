#include "capture_path_bench.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTest>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/app_state.h"
#include "app/control_names.h"
#include "capture/capture_commands.h"
#include "capture/image_encoder.h"
#include "capture/ocr_client.h"
#include "capture/recognition_workflow.h"
#include "capture/region_selector.h"
#include "net/base64.h"
#include "net/http_client.h"
#include "platform/http.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/ui_gate.h"
#include "platform/x11/x11_screen.h"
#include "text_image.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Notes when the request arrives and answers with one line of text at once.
class StampingTransport : public platform::HttpTransport {
public:
    platform::HttpWireResponse perform(const platform::HttpWireRequest&) override {
        arrived.store(Clock::now().time_since_epoch().count());
        platform::HttpWireResponse reply;
        reply.connected = reply.ok = true;
        reply.headers = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
        reply.body = R"({"words_result":[{"words":"x"}],"words_result_num":1})";
        return reply;
    }
    std::atomic<Clock::rep> arrived{0};
};

// The screen, noting when a capture's pixels are in hand.
class StampingScreen : public platform::Screen {
public:
    platform::ScreenSize size() override { return m_screen.size(); }
    std::vector<platform::Monitor> monitors() override { return m_screen.monitors(); }
    std::string capture(int left, int top, int width, int height) override {
        std::string bmp = m_screen.capture(left, top, width, height);
        captured = Clock::now();
        return bmp;
    }
    platform::ScreenImage snapshot() override { return m_screen.snapshot(); }
    Clock::time_point captured;

private:
    X11Screen m_screen;
};

// The overlay, noting when the button's release reaches the region selector.
class StampingOverlay : public platform::Overlay, private platform::OverlayEvents {
public:
    void run(const platform::ScreenImage& snapshot, const std::vector<platform::Monitor>& monitors,
             platform::OverlayEvents& events) override {
        m_events = &events;
        m_overlay.run(snapshot, monitors, *this);
        opened = false;
    }
    void close() override { m_overlay.close(); }
    void clearFigures() override { m_overlay.clearFigures(); }
    void drawOutline(int a, int b, int c, int d) override { m_overlay.drawOutline(a, b, c, d); }
    void showHint(const std::string& t, int l, int tp, int w, int h) override {
        m_overlay.showHint(t, l, tp, w, h);
    }
    void hideHint() override { m_overlay.hideHint(); }
    void setMagnifierVisible(bool v) override { m_overlay.setMagnifierVisible(v); }
    void updateMagnifier(int a, int b, int c, int d) override {
        m_overlay.updateMagnifier(a, b, c, d);
    }
    void moveSource(int l, int t) override { m_overlay.moveSource(l, t); }
    Clock::time_point released;
    std::atomic<bool> opened{false};

private:
    void onOpened() override {
        m_events->onOpened();
        opened = true;
    }
    void onLeftPress(int x, int y) override { m_events->onLeftPress(x, y); }
    void onLeftRelease(int x, int y) override {
        released = Clock::now();
        m_events->onLeftRelease(x, y);
    }
    void onRightPress(int x, int y) override { m_events->onRightPress(x, y); }
    void onMove(int x, int y) override { m_events->onMove(x, y); }
    void onEscape() override { m_events->onEscape(); }

    QtOverlay m_overlay;
    platform::OverlayEvents* m_events = nullptr;
};

}  // namespace

CapturePathBench::CapturePathBench(BenchReport& report) : m_report(report) {}

void CapturePathBench::run() {
    if (!std::getenv("DISPLAY")) {
        m_report.skip("Capture path", "no X display (DISPLAY is not set)");
        return;
    }
    AppState state("/nonexistent");
    std::array<Text, 12> endpoints;
    endpoints.fill("http://127.0.0.1:9/ocr");
    state.setService("token", &endpoints);
    QtForm form;
    QtClipboard clipboard;
    UiGate uiTasks;
    StampingTransport transport;
    HttpClient http(transport);
    OcrClient ocr(state, form, http);
    RecognitionWorkflow workflow(state, form, clipboard, ocr, nullptr);
    workflow.setUiRunner([&uiTasks](const std::function<void()>& group) { uiTasks.run(group); });
    // As the program does: memory a run freed goes back, so every run starts on fresh pages.
    workflow.setAfterRun([] { malloc_trim(0); });
    StampingScreen screen;
    StampingOverlay overlay;
    RegionSelector selector(state, screen, overlay);
    CaptureCommands captures(
        state, form, screen, selector,
        {[&workflow](int kind) { workflow.start(kind); }, [&workflow] { workflow.stopLast(); }});
    // The screen beneath the window shows the encoding benchmark's page of text, so the
    // captures encode what a user's screen holds rather than an empty black one.
    const platform::ScreenSize size = screen.size();
    const platform::ScreenImage page = TextImage::make(size.width, size.height);
    QLabel desktop;
    desktop.setWindowFlags(Qt::FramelessWindowHint);
    desktop.setPixmap(
        QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(page.pixels.data()), page.width,
                                  page.height, page.width * 4, QImage::Format_RGB32)));
    desktop.setGeometry(0, 0, size.width, size.height);
    desktop.show();
    if (!QTest::qWaitForWindowExposed(&desktop)) {
        m_report.skip("Capture path", "the page beneath the window never showed");
        return;
    }
    form.show();
    if (!QTest::qWaitForWindowExposed(form.window())) {
        m_report.skip("Capture path", "the main window never showed");
        return;
    }
    const Text whole = "0|0|" + text::fromInt(size.width) + "|" + text::fromInt(size.height);
    form.setText(ctl::编辑框坐标, whole);
    form.setSelectedIndex(ctl::组合框识别, 1);

    // Runs the command and waits for its body; milliseconds from the stamp to the body.
    auto timeOne = [&](int command, const std::function<Clock::time_point()>& from) {
        transport.arrived = 0;
        captures.runCommand(command);
        QElapsedTimer limit;
        limit.start();
        while (transport.arrived.load() == 0 && limit.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(300);  // the worker's last steps and the window's return
        const Clock::time_point body{Clock::duration(transport.arrived.load())};
        return transport.arrived.load() == 0 ? -1.0 : msBetween(from(), body);
    };
    // The baseline: the image the program has just captured, to the same body, directly, right
    // after each run, so both see the machine's load of that moment: one unmeasured warm-up,
    // then three timed runs in a row, all pooled.
    auto direct = [&](std::vector<double>& samples) {
        const std::shared_ptr<const Bytes> image = state.capturedImage;
        for (int k = 0; k < 4 && image; ++k) {
            const Clock::time_point start = Clock::now();
            Bytes jpeg;
            ImageEncoder::Convert(*image, ImageFormat::Jpeg, jpeg);
            Text body = OcrClient::bodyPrefix(2, "token", "CHN_ENG");
            body += "image=";
            body += Base64::EncodeUrlEncoded(jpeg);
            if (k > 0) samples.push_back(msBetween(start, Clock::now()));
        }
    };
    std::vector<double> coordinate, dragged, coordinateDirect, draggedDirect;
    for (int i = 0; i < kRuns + 2; ++i) {
        const double ms = timeOne(2, [&] { return screen.captured; });
        if (i < 2 || ms < 0) continue;
        coordinate.push_back(ms);
        direct(coordinateDirect);
    }
    const int right = size.width - 100, bottom = size.height - 100;
    for (int i = 0; i < kRuns + 2; ++i) {
        // The drag comes from outside once the overlay's loop runs; should it be lost, Esc
        // ends the overlay so the run goes on.
        overlay.opened = false;
        std::thread drag([&overlay, right, bottom] {
            for (int k = 0; k < 3000 && !overlay.opened; ++k)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const std::string command =
                "xdotool mousemove 100 100 sleep 0.1 mousedown 1 sleep 0.1 mousemove 600 400 "
                "sleep 0.1 mousemove " +
                std::to_string(right) + " " + std::to_string(bottom) + " sleep 0.1 mouseup 1";
            if (std::system(command.c_str()) != 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(3000));
            if (overlay.opened && std::system("xdotool key Escape") != 0) return;
        });
        const double ms = timeOne(1, [&] { return overlay.released; });
        drag.join();
        if (i < 2 || ms < 0) continue;
        dragged.push_back(ms);
        direct(draggedDirect);
    }

    const std::string rect = std::to_string(size.width) + " x " + std::to_string(size.height);
    auto verdict = [](const Timing& t, const Timing& base) {
        const double ratio = t.medianMs / base.medianMs;
        return BenchReport::verdict(ratio <= 1.2, BenchTimer::ratio(ratio - 1.2) + " over");
    };
    const Timing c = BenchTimer::summarize(coordinate);
    const Timing d = BenchTimer::summarize(dragged);
    const Timing cDirect = BenchTimer::summarize(coordinateDirect);
    const Timing dDirect = BenchTimer::summarize(draggedDirect);
    m_report.add({"In the program: coordinate capture " + rect + ", pixels → request body", c, 0,
                  "the same pixels → body directly", cDirect, "≤ 1.2×", verdict(c, cDirect)});
    m_report.add({"In the program: dragged " + std::to_string(right - 100) + " x " +
                      std::to_string(bottom - 100) + ", release → request body",
                  d, 0, "the cut → body directly", dDirect, "≤ 1.2×", verdict(d, dDirect)});
    form.window()->close();
}
