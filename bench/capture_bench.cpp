#include "capture_bench.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/bmp_image.h"
#include "platform/x11/x11_screen.h"

namespace {

constexpr const char* kHowToRun = "run it under xvfb-run -a -s \"-screen 0 1920x1080x24\"";

struct ConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

}  // namespace

CaptureBench::CaptureBench(BenchReport& report, const platform::ScreenImage& image)
    : m_report(report), m_image(image) {}

bool CaptureBench::run() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        m_report.skip("Capture", std::string("no X display (DISPLAY is not set); ") + kHowToRun);
        return false;
    }
    X11Screen shared(X11Screen::Transfer::SharedMemoryWhereOffered);
    X11Screen plain(X11Screen::Transfer::PlainGetImage);
    if (!shared.connected() || !plain.connected()) {
        m_report.skip("Capture",
                      std::string("cannot connect to display ") + display + "; " + kHowToRun);
        return false;
    }
    const platform::ScreenSize size = shared.size();
    if (size.width < m_image.width || size.height < m_image.height) {
        m_report.skip("Capture", "the screen is " + std::to_string(size.width) + " x " +
                                     std::to_string(size.height) + ", smaller than the image; " +
                                     kHowToRun);
        return false;
    }
    if (const std::string why = paintRoot(); !why.empty()) {
        m_report.skip("Capture", "cannot paint the test image: " + why);
        return false;
    }

    const int w = m_image.width;
    const int h = m_image.height;
    // Both transfers and a memcpy of the same number of bytes between two buffers that
    // stay allocated (what a transfer from a mapped segment cannot beat), in turn.
    const std::size_t fileSize = BmpImage::kHeaderSize + std::size_t(w) * std::size_t(h) * 4;
    std::string source(fileSize, '\x5a');
    std::string target(fileSize, '\0');
    Bytes viaShm, viaGetImage;
    const std::vector<Timing> timings = BenchTimer::interleave(
        kRuns, {[&] { viaShm = shared.capture(0, 0, w, h); },
                [&] { viaGetImage = plain.capture(0, 0, w, h); },
                [&] { std::memcpy(target.data(), source.data(), source.size()); }});
    if (viaShm.empty() || viaGetImage.empty()) {
        m_report.skip("Capture", "the server's pixels could not be read");
        return false;
    }
    m_captured = viaShm;
    m_sharedMemory = timings[0];
    const Timing& getImage = timings[1];
    const Timing& copy = timings[2];
    const bool sharedMemoryUsed = shared.usesSharedMemory();

    const double bytes = static_cast<double>(m_captured.size());
    const std::string rect = std::to_string(w) + " x " + std::to_string(h);
    m_report.add({"Capture " + rect + (sharedMemoryUsed ? ", shared memory" : ", (no MIT-SHM)"),
                  m_sharedMemory, bytes, "memcpy", copy, "", ""});
    m_report.add({"Capture " + rect + ", plain GetImage", getImage, bytes, "memcpy", copy, "", ""});
    m_report.add({"memcpy of the " + BenchTimer::size(bytes) + " BMP (baseline)",
                  copy,
                  bytes,
                  "",
                  {},
                  "",
                  ""});

    const long long differing = differingPixels(m_captured);
    m_report.note("Capture: the image painted on the root window came back " +
                  (differing == 0 ? std::string("unchanged (every pixel equal)")
                                  : std::to_string(differing) + " pixels different") +
                  "; the shared-memory capture " +
                  (sharedMemoryUsed ? "used MIT-SHM." : "fell back to GetImage."));
    return true;
}

std::string CaptureBench::paintRoot() const {
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection(
        xcb_connect(nullptr, &screenNumber));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) return "no connection";
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int k = 0; k < screenNumber && it.rem; ++k) xcb_screen_next(&it);
    const xcb_screen_t* screen = it.data;
    if (!screen) return "no screen";

    // The words of the image are the bytes blue, green, red, alpha in memory, which is a
    // 24-bit visual's 32-bit Z pixmap on a least-significant-byte-first server.
    bool thirtyTwoBits = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == 24) thirtyTwoBits = f.data->bits_per_pixel == 32;
    }
    if (screen->root_depth != 24 || !thirtyTwoBits ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        return "the root window is not a 24-bit, 32-bit-per-pixel little-endian visual";
    }

    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, screen->root, 0, nullptr);
    const std::size_t rowBytes = std::size_t(m_image.width) * 4;
    const std::size_t maxRequest = std::size_t(xcb_get_maximum_request_length(c)) * 4;
    const int rowsPerRequest =
        std::max(1, static_cast<int>((maxRequest - 64) / std::max<std::size_t>(rowBytes, 1)));
    for (int y = 0; y < m_image.height; y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, m_image.height - y);
        const auto* data = reinterpret_cast<const std::uint8_t*>(m_image.pixels.data() +
                                                                 std::size_t(y) * m_image.width);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, gc,
                      static_cast<std::uint16_t>(m_image.width), static_cast<std::uint16_t>(rows),
                      0, static_cast<std::int16_t>(y), 0, 24,
                      static_cast<std::uint32_t>(rowBytes * std::size_t(rows)), data);
    }
    xcb_free_gc(c, gc);
    // A round trip, so the server has drawn everything before the first capture.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return xcb_connection_has_error(c) ? "the connection broke while drawing" : "";
}

long long CaptureBench::differingPixels(const Bytes& file) const {
    platform::ScreenImage back;
    if (!BmpImage::decode(file, back) || back.width != m_image.width ||
        back.height != m_image.height) {
        return static_cast<long long>(m_image.pixels.size());
    }
    long long differing = 0;
    for (std::size_t k = 0; k < back.pixels.size(); ++k) {
        differing += ((back.pixels[k] ^ m_image.pixels[k]) & 0x00ffffffu) != 0;
    }
    return differing;
}
