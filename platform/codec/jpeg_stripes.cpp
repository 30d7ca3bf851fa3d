#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cstring>
#include <csetjmp>
#include <mutex>
#include <new>
#include <vector>

#include "platform/codec.h"
#include "platform/codec/jpeg_codec.h"

namespace codec {

// A stripe's file. Its storage is not filled before the encoder writes it: pages it never
// reaches are never touched.
struct JpegStripes::Part {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
    std::size_t size = 0;
    std::string_view file() const { return {data.get(), size}; }
    // Room for at least n bytes, the written ones kept. False when there is no memory.
    bool reserve(std::size_t n) {
        if (n <= capacity) return true;
        std::unique_ptr<char[]> bigger(new (std::nothrow) char[n]);
        if (!bigger) return false;
        if (size) std::memcpy(bigger.get(), data.get(), size);
        data = std::move(bigger);
        capacity = n;
        return true;
    }
};

}  // namespace codec

namespace {

using Part = codec::JpegStripes::Part;

constexpr int kMcuSide = 16;  // 4:2:0
// Enough for two threads to share the work however late the second one starts, few enough
// that each stripe's own headers cost nothing next to its pixels.
constexpr int kMaxStripes = 8;
constexpr int kMinMcuRowsPerStripe = 4;
constexpr unsigned kMaxRestartInterval = 65535;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}

// Writes straight into the stripe's storage, doubling it when full.
struct Destination {
    jpeg_destination_mgr base;
    Part* out;
    std::size_t initial;
};

void startOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->out->size = 0;
    if (!dest->out->reserve(dest->initial)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->base.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data.get());
    dest->base.free_in_buffer = dest->out->capacity;
}

boolean growOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    Part& out = *dest->out;
    out.size = out.capacity;
    if (!out.reserve(out.capacity * 2)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->base.next_output_byte = reinterpret_cast<JOCTET*>(out.data.get() + out.size);
    dest->base.free_in_buffer = out.capacity - out.size;
    return TRUE;
}

void endOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->out->size = dest->out->capacity - dest->base.free_in_buffer;
}

// The stripes' storage of the last image, kept for the next one: a capture's stripes are then
// written into pages already there (fresh ones fault in one by one, hundreds per capture).
// One set at most, and not a large one.
constexpr std::size_t kKeptBytes = std::size_t(8) << 20;
std::mutex keptMutex;
std::vector<Part> kept;

std::vector<Part> takeKept(int count) {
    std::vector<Part> parts;
    {
        std::lock_guard lock(keptMutex);
        parts.swap(kept);
    }
    parts.resize(count);
    return parts;
}

void keep(std::vector<Part>& parts) {
    std::size_t bytes = 0;
    for (const Part& part : parts) bytes += part.capacity;
    if (bytes > kKeptBytes) return;
    std::lock_guard lock(keptMutex);
    if (kept.empty()) kept.swap(parts);
}

int mcus(int pixels) { return (pixels + kMcuSide - 1) / kMcuSide; }

// Where a stripe's entropy-coded data lies: after its scan header, before its end marker;
// and where its frame header is. False for anything the library would not have written.
struct Layout {
    std::size_t frame = 0, dataBegin = 0, dataEnd = 0;
};

bool layoutOf(std::string_view part, Layout& layout) {
    const auto byte = [&part](std::size_t at) { return static_cast<unsigned char>(part[at]); };
    if (part.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8 || byte(part.size() - 2) != 0xFF ||
        byte(part.size() - 1) != 0xD9)
        return false;
    std::size_t at = 2;
    bool frame = false;
    while (at + 4 <= part.size() && byte(at) == 0xFF) {
        const unsigned marker = byte(at + 1);
        const std::size_t length = (std::size_t(byte(at + 2)) << 8) | byte(at + 3);
        if (marker == 0xC0) {
            layout.frame = at;
            frame = length >= 7;
        }
        if (marker == 0xDA) {
            layout.dataBegin = at + 2 + length;
            layout.dataEnd = part.size() - 2;
            return frame && layout.dataBegin <= layout.dataEnd;
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace

namespace codec {

JpegStripes::JpegStripes(const Image& image) : m_image(image) {
    if (image.width <= 0 || image.height <= 0 || image.width > kMaxSide ||
        image.height > kMaxSide || !image.top)
        return;
    const int mcuRows = mcus(image.height);
    const int wanted = std::clamp(mcuRows / kMinMcuRowsPerStripe, 1, kMaxStripes);
    // The restart interval, counted in blocks, has 16 bits.
    const int mostRows = std::max(1, int(kMaxRestartInterval / unsigned(mcus(image.width))));
    const int stripeMcuRows = std::min((mcuRows + wanted - 1) / wanted, mostRows);
    m_rows = stripeMcuRows * kMcuSide;
    m_count = (image.height + m_rows - 1) / m_rows;
    m_parts = takeKept(m_count);
    m_done = std::make_unique<bool[]>(m_count);
}

JpegStripes::~JpegStripes() { keep(m_parts); }

bool JpegStripes::encode(int index) {
    if (index < 0 || index >= m_count) return false;
    const int first = index * m_rows;
    const int rows = std::min(m_rows, m_image.height - first);
    jpeg_compress_struct cinfo;
    ErrorManager error;
    Destination dest;
    cinfo.err = jpeg_std_error(&error.base);
    error.base.error_exit = onError;
    error.base.emit_message = onMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        m_parts[index].size = 0;
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.base.init_destination = startOutput;
    dest.base.empty_output_buffer = growOutput;
    dest.base.term_destination = endOutput;
    dest.out = &m_parts[index];
    // Text at the usual quality takes about a quarter of a byte a pixel.
    dest.initial = std::size_t(m_image.width) * std::size_t(rows) / 2 + 4096;
    cinfo.dest = &dest.base;
    cinfo.image_width = static_cast<JDIMENSION>(m_image.width);
    cinfo.image_height = static_cast<JDIMENSION>(rows);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, JpegCodec::kQuality, TRUE);
    // The transform TurboJPEG picks below quality 96, so the pixels are those of encode's.
    cinfo.dct_method = JDCT_FASTEST;
    // Every stripe but the last is exactly one interval: the file file restarts where the
    // next stripe's data begins.
    if (m_count > 1) cinfo.restart_interval = unsigned(m_rows / kMcuSide) * mcus(m_image.width);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW batch[kMcuSide];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int next = static_cast<int>(cinfo.next_scanline);
        const int n = std::min(kMcuSide, rows - next);
        for (int k = 0; k < n; ++k)
            batch[k] = const_cast<JSAMPROW>(m_image.top + (first + next + k) * m_image.pitch);
        jpeg_write_scanlines(&cinfo, batch, static_cast<JDIMENSION>(n));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    m_done[index] = true;
    return true;
}

bool JpegStripes::join(std::string& file) const {
    if (m_count == 0) return false;
    std::vector<Layout> layouts(m_count);
    std::size_t total = 0;
    for (int i = 0; i < m_count; ++i) {
        if (!m_done[i] || !layoutOf(m_parts[i].file(), layouts[i])) return false;
        total += layouts[i].dataEnd - layouts[i].dataBegin + 2;
    }
    file.clear();
    file.reserve(layouts[0].dataBegin + total + 2);
    // The first stripe's headers serve the whole file, with the whole height.
    file.append(m_parts[0].file().substr(0, layouts[0].dataBegin));
    file[layouts[0].frame + 5] = static_cast<char>(m_image.height >> 8);
    file[layouts[0].frame + 6] = static_cast<char>(m_image.height & 0xFF);
    for (int i = 0; i < m_count; ++i) {
        if (i > 0) {
            file += '\xFF';
            file += static_cast<char>(0xD0 + (i - 1) % 8);
        }
        file.append(m_parts[i].file().substr(layouts[i].dataBegin,
                                             layouts[i].dataEnd - layouts[i].dataBegin));
    }
    file += "\xFF\xD9";
    return true;
}

}  // namespace codec
