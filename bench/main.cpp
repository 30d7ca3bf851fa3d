// The benchmark program, run by hand (never by the tests): the local work of one
// recognition on a 1920 x 1080 screen of text, the HTTPS connection reuse, the export
// into a large workbook and the load of a long export profile, each figure beside a baseline
// measured in the same run. It prints Markdown and always exits with 0; a missed target is a
// finding, not a failure.
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/ozmira_bench
//
// Without a display the capture part is skipped and says so.
#include <curl/curl.h>

#include <QApplication>
#include <cstdlib>

#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "bench_report.h"
#include "capture/bmp_image.h"
#include "capture_bench.h"
#include "capture_path_bench.h"
#include "encode_bench.h"
#include "https_bench.h"
#include "ocr_bench.h"
#include "profile_bench.h"
#include "text_image.h"
#include "xlsx_bench.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::string processorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos) return line.substr(colon + 2);
        }
    }
    return "unknown processor";
}

std::string curlVersion() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    std::string text = info && info->version ? info->version : "unknown";
    if (info && info->ssl_version) text += std::string(" with ") + info->ssl_version;
    return text;
}

std::string machine() {
    return "Machine: " + processorName() + ", " +
           std::to_string(std::thread::hardware_concurrency()) +
           " cores; GCC " __VERSION__ ", " OZMIRA_BENCH_BUILD_TYPE " build; " + "libcurl " +
           curlVersion() + ". Test image: " + std::to_string(kWidth) + " x " +
           std::to_string(kHeight) + " synthetic text, seed " +
           std::to_string(TextImage::kDefaultSeed) + ".";
}

// The one-minute load average: the machine may be shared, and a busy one slows every row.
std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string first;
    in >> first;
    return first.empty() ? "unknown" : first;
}

bool wanted(int argc, char** argv, const std::string& part) {
    if (argc < 2) return true;
    for (int k = 1; k < argc; ++k) {
        if (argv[k] == part) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << "usage: ozmira_bench [capture] [encode] [https] [xlsx] [profile] [ocr] [path]\n"
                     "       ozmira_bench ocr-cer | ocr-speed\n"
                     "Runs the named parts (all without arguments) and prints Markdown.\n"
                     "ocr-cer: only the offline error rate of the program's recognition;\n"
                     "ocr-speed: only the offline timings.\n";
        return 0;
    }
    BenchReport report;
    const std::string loadBefore = loadAverage();

    const platform::ScreenImage image = TextImage::make(kWidth, kHeight);
    const Bytes bmp = BmpImage::encode(image);

    CaptureBench capture(report, image);
    const bool captured = wanted(argc, argv, "capture") && capture.run();
    if (wanted(argc, argv, "encode")) {
        EncodeBench encode(report, bmp);
        encode.run();
        if (captured) encode.runFromCapture(capture.captured(), capture.captureTiming());
    }
    if (wanted(argc, argv, "https")) HttpsBench(report).run();
    if (wanted(argc, argv, "xlsx")) XlsxBench(report).run();
    if (wanted(argc, argv, "profile")) {
        // The real window's grid; without a display it is drawn off screen.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QApplication app(argc, argv);
        ProfileBench(report).run();
    }
    if (wanted(argc, argv, "ocr")) OcrBench(report).run();
    if (argc > 1 && wanted(argc, argv, "ocr-cer")) OcrBench(report).run(OcrBench::Part::ErrorRate);
    if (argc > 1 && wanted(argc, argv, "ocr-speed")) OcrBench(report).run(OcrBench::Part::Speed);
    if (wanted(argc, argv, "path")) {
        // The program's own window and overlay: only where there is a display to show them.
        if (std::getenv("DISPLAY")) {
            QApplication app(argc, argv);
            CapturePathBench(report).run();
        } else {
            report.skip("Capture path", "no X display (DISPLAY is not set)");
        }
    }

    report.heading(machine() + " Load average (1 min): " + loadBefore + " at the start, " +
                   loadAverage() + " at the end.");
    report.print(std::cout);
    return 0;
}
