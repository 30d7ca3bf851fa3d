#include "platform/x11/x11_screen.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>
#ifdef OZMIRA_HAVE_XCB_RANDR
#include <xcb/randr.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/x11/pixel_converter.h"
#include "platform/x11/shm_segment.h"
#include "platform/x11/xcb_reply.h"

namespace {

constexpr int kBmpHeaderSize = 54;
// Far beyond any screen; keeps a wild rectangle from asking for gigabytes.
constexpr std::int64_t kMaxPixels = std::int64_t{64} * 1024 * 1024;
constexpr std::int64_t kMaxSide = 65500;

void put32(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = char((value >> (8 * i)) & 0xff);
}

// "BM", file size, offset 54, then a 40-byte information header for 32-bit bottom-up rows.
void writeBmpHeader(char* out, int width, int height) {
    std::memset(out, 0, kBmpHeaderSize);
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, std::uint32_t(kBmpHeaderSize + std::int64_t{width} * height * 4));
    put32(out + 10, kBmpHeaderSize);
    put32(out + 14, 40);
    put32(out + 18, std::uint32_t(width));
    put32(out + 22, std::uint32_t(height));
    out[26] = 1;
    out[28] = 32;
}

bool acceptable(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           std::int64_t{width} * height <= kMaxPixels;
}

}  // namespace

struct X11Screen::Format {
    int bitsPerPixel = 0;
    int scanlinePad = 0;
    std::optional<PixelConverter> converter;

    std::size_t rowBytes(int width) const {
        const std::size_t bits = std::size_t(width) * bitsPerPixel;
        const std::size_t pad = scanlinePad > 0 ? std::size_t(scanlinePad) : 8;
        return (bits + pad - 1) / pad * pad / 8;
    }
};

X11Screen::Format X11Screen::rootFormat(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    Format format;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth) {
            format.bitsPerPixel = it.data->bits_per_pixel;
            format.scanlinePad = it.data->scanline_pad;
        }
    }
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        if (d.data->depth != screen->root_depth) continue;
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            const xcb_visualtype_t* visual = v.data;
            if (visual->visual_id != screen->root_visual) continue;
            if (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR &&
                visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR)
                continue;
            PixelConverter::Format pixels;
            pixels.bitsPerPixel = format.bitsPerPixel;
            pixels.mostSignificantByteFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
            pixels.redMask = visual->red_mask;
            pixels.greenMask = visual->green_mask;
            pixels.blueMask = visual->blue_mask;
            format.converter.emplace(pixels);
        }
    }
    return format;
}

X11Screen::X11Screen(Transfer transfer) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    auto it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    m_root = it.data->root;
    m_rootDepth = it.data->root_depth;
    m_format = std::make_unique<Format>(rootFormat(setup, it.data));

#ifdef OZMIRA_HAVE_XCB_RANDR
    // Monitors (and with them the primary one) arrived in RandR 1.5.
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr && randr->present) {
        XcbReply<xcb_randr_query_version_reply_t> version{xcb_randr_query_version_reply(
            connection, xcb_randr_query_version(connection, 1, 5), nullptr)};
        m_monitors = version && (version->major_version > 1 || version->minor_version >= 5);
    }
#endif
    if (transfer == Transfer::SharedMemoryWhereOffered) {
        m_shm = std::make_unique<ShmSegment>(connection);
        if (!m_shm->available()) m_shm.reset();
    }
}

X11Screen::~X11Screen() {
    m_shm.reset();
    if (m_connection) xcb_disconnect(m_connection);
}

bool X11Screen::usesSharedMemory() const {
    return m_shm != nullptr;
}

X11Screen::Layout X11Screen::layout(bool names) {
    Layout result;
    xcb_get_geometry_cookie_t geometry = xcb_get_geometry(m_connection, m_root);
#ifdef OZMIRA_HAVE_XCB_RANDR
    std::optional<xcb_randr_get_monitors_cookie_t> monitors;
    if (m_monitors) monitors = xcb_randr_get_monitors(m_connection, m_root, 1);
#endif
    XcbReply<xcb_get_geometry_reply_t> root{
        xcb_get_geometry_reply(m_connection, geometry, nullptr)};
    if (root) result.root = {0, 0, root->width, root->height};
    result.primary = result.root;
    // Root coordinates until the primary monitor is known.
    std::vector<platform::Monitor> found;
#ifdef OZMIRA_HAVE_XCB_RANDR
    if (monitors) {
        XcbReply<xcb_randr_get_monitors_reply_t> reply{
            xcb_randr_get_monitors_reply(m_connection, *monitors, nullptr)};
        std::vector<xcb_get_atom_name_cookie_t> nameCookies;
        auto it = xcb_randr_monitor_info_iterator_t{};
        if (reply) it = xcb_randr_get_monitors_monitors_iterator(reply.value);
        for (; it.rem; xcb_randr_monitor_info_next(&it)) {
            if (it.data->width == 0 || it.data->height == 0) continue;
            found.push_back({"", it.data->x, it.data->y, it.data->width, it.data->height,
                             bool(it.data->primary)});
            if (names) nameCookies.push_back(xcb_get_atom_name(m_connection, it.data->name));
        }
        for (std::size_t i = 0; i < nameCookies.size(); ++i) {
            XcbReply<xcb_get_atom_name_reply_t> name{
                xcb_get_atom_name_reply(m_connection, nameCookies[i], nullptr)};
            if (name)
                found[i].name.assign(xcb_get_atom_name_name(name.value),
                                     std::size_t(xcb_get_atom_name_name_length(name.value)));
        }
    }
#endif
    if (found.empty()) found.push_back({"", 0, 0, result.root.width, result.root.height, true});
    // The primary monitor, or the first one where none is marked, as toolkits do.
    auto primary = std::find_if(found.begin(), found.end(), [](auto& m) { return m.primary; });
    if (primary == found.end()) primary = found.begin();
    for (platform::Monitor& m : found) m.primary = &m == &*primary;
    result.primary = {primary->left, primary->top, primary->width, primary->height};
    for (platform::Monitor& m : found) {
        m.left -= result.primary.x;
        m.top -= result.primary.y;
    }
    result.monitors = std::move(found);
    return result;
}

void X11Screen::blackOutsideMonitors(const Layout& l, int left, int top, int width, int height,
                                     std::uint8_t* out, std::ptrdiff_t pitch, std::uint8_t fourth) {
    const auto holds = [&](const platform::Monitor& m) {
        return m.left <= left && m.top <= top && std::int64_t{left} + width <= m.left + m.width &&
               std::int64_t{top} + height <= m.top + m.height;
    };
    // The usual rectangle lies on one monitor: nothing to do.
    if (std::any_of(l.monitors.begin(), l.monitors.end(), holds)) return;
    const std::uint8_t black[4] = {0, 0, 0, fourth};
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (int row = 0; row < height; ++row) {
        const std::int64_t y = std::int64_t{top} + row;
        spans.clear();
        for (const platform::Monitor& m : l.monitors)
            if (y >= m.top && y < m.top + m.height) spans.emplace_back(m.left, m.left + m.width);
        std::sort(spans.begin(), spans.end());
        std::uint8_t* line = out + row * pitch;
        std::int64_t x = left;
        const std::int64_t end = std::int64_t{left} + width;
        for (auto [from, to] : spans) {
            for (; x < std::min(from, end); ++x) std::memcpy(line + (x - left) * 4, black, 4);
            x = std::max(x, to);
        }
        for (; x < end; ++x) std::memcpy(line + (x - left) * 4, black, 4);
    }
}

platform::ScreenSize X11Screen::size() {
    if (!m_connection) return {};
    const Layout l = layout();
    return {l.primary.width, l.primary.height};
}

std::vector<platform::Monitor> X11Screen::monitors() {
    if (!m_connection) return {};
    return layout(true).monitors;
}

std::string X11Screen::capture(int left, int top, int width, int height) {
    if (!m_connection || !acceptable(width, height)) return {};
    const std::size_t stride = std::size_t(width) * 4;
    std::string file(kBmpHeaderSize + stride * height, '\0');
    writeBmpHeader(file.data(), width, height);
    // The file keeps the bottom row first: start at the last row and walk backwards.
    auto* lastRow =
        reinterpret_cast<std::uint8_t*>(file.data()) + kBmpHeaderSize + stride * (height - 1);
    const Layout l = layout();
    if (!read(l, left, top, width, height, lastRow, -std::ptrdiff_t(stride), 0)) return {};
    blackOutsideMonitors(l, left, top, width, height, lastRow, -std::ptrdiff_t(stride), 0);
    return file;
}

platform::ScreenImage X11Screen::snapshot() {
    if (!m_connection) return {};
    const Layout l = layout();
    // The smallest rectangle that holds every monitor.
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    for (const platform::Monitor& m : l.monitors) {
        left = std::min<std::int64_t>(left, m.left);
        top = std::min<std::int64_t>(top, m.top);
        right = std::max<std::int64_t>(right, std::int64_t{m.left} + m.width);
        bottom = std::max<std::int64_t>(bottom, std::int64_t{m.top} + m.height);
    }
    if (right - left > kMaxSide || bottom - top > kMaxSide) return {};
    if (!acceptable(int(right - left), int(bottom - top))) return {};
    platform::ScreenImage image;
    image.left = int(left);
    image.top = int(top);
    image.width = int(right - left);
    image.height = int(bottom - top);
    image.pixels.assign(std::size_t(image.width) * image.height, 0xff000000u);
    auto* out = reinterpret_cast<std::uint8_t*>(image.pixels.data());
    const std::ptrdiff_t pitch = std::ptrdiff_t(image.width) * 4;
    if (!read(l, image.left, image.top, image.width, image.height, out, pitch, 0xff)) return {};
    blackOutsideMonitors(l, image.left, image.top, image.width, image.height, out, pitch, 0xff);
    return image;
}

bool X11Screen::read(const Layout& l, int left, int top, int width, int height, std::uint8_t* out,
                     std::ptrdiff_t pitch, std::uint8_t fourth) {
    if (!m_format->converter || !m_format->converter->supported()) return false;
    const std::int64_t x = std::int64_t{l.primary.x} + left;
    const std::int64_t y = std::int64_t{l.primary.y} + top;
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + width, l.root.width);
    const std::int64_t y1 = std::min<std::int64_t>(y + height, l.root.height);
    // Nothing of it on the screen: all black, which the caller's buffer already is.
    if (x0 >= x1 || y0 >= y1) return true;
    const Geometry part{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
    return readVisible(part, out + (y0 - y) * pitch + (x0 - x) * 4, pitch, fourth);
}

bool X11Screen::readVisible(const Geometry& part, std::uint8_t* out, std::ptrdiff_t pitch,
                            std::uint8_t fourth) {
    const Format& format = *m_format;
    const std::size_t rowBytes = format.rowBytes(part.width);
    const std::size_t bytes = rowBytes * part.height;
    auto convert = [&](const std::uint8_t* rows) {
        for (int row = 0; row < part.height; ++row)
            format.converter->convertRow(rows + rowBytes * row, part.width, out + row * pitch,
                                         fourth);
    };

    if (m_shm && m_shm->reserve(bytes)) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_shm_get_image_reply_t> reply{xcb_shm_get_image_reply(
            m_connection,
            xcb_shm_get_image(m_connection, m_root, std::int16_t(part.x), std::int16_t(part.y),
                              std::uint16_t(part.width), std::uint16_t(part.height), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, m_shm->id(), 0),
            &error)};
        const bool read = reply && reply->depth == m_rootDepth && reply->size >= bytes;
        if (read) convert(m_shm->data());
        // Captures are rare and a screen's worth of memory is large: the segment goes as
        // soon as its pixels have been converted.
        m_shm->release();
        if (read) return true;
        std::free(error);
    }
    // No shared memory (a remote server, or it stopped working): the pixels come through
    // the connection instead. A failed shared-memory transfer is not tried again.
    m_shm.reset();

    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_get_image_reply_t> reply{xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, std::int16_t(part.x),
                      std::int16_t(part.y), std::uint16_t(part.width), std::uint16_t(part.height),
                      ~0u),
        &error)};
    std::free(error);
    if (!reply || reply->depth != m_rootDepth) return false;
    if (std::size_t(xcb_get_image_data_length(reply.value)) < bytes) return false;
    convert(xcb_get_image_data(reply.value));
    return true;
}
