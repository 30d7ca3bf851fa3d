#include "platform/codec/gif_encoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace {

using Rgb = std::array<std::uint8_t, 3>;

struct Indexed {
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> indexes;  // one per pixel, rows top to bottom
};

template <typename Visit>
void forEachPixel(const codec::Image& image, Visit visit) {
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.top + y * image.pitch;
        for (int x = 0; x < image.width; ++x, p += 4) visit(p[2], p[1], p[0]);
    }
}

// False when the image has more than 256 colours.
bool exactColours(const codec::Image& image, Indexed& out) {
    std::unordered_map<std::uint32_t, std::uint8_t> known;
    bool fits = true;
    std::uint32_t lastKey = UINT32_MAX;
    std::uint8_t lastIndex = 0;
    forEachPixel(image, [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        if (!fits) return;
        const std::uint32_t key = std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
        if (key != lastKey) {
            auto it = known.find(key);
            if (it == known.end()) {
                if (known.size() == 256) {
                    fits = false;
                    return;
                }
                it = known.emplace(key, static_cast<std::uint8_t>(out.palette.size())).first;
                out.palette.push_back({r, g, b});
            }
            lastKey = key;
            lastIndex = it->second;
        }
        out.indexes.push_back(lastIndex);
    });
    return fits;
}

// Median cut over a histogram of 5 bits per channel; each box's colour is the mean of
// the pixels in it, and every histogram cell maps to the box that holds it.
class MedianCut {
public:
    void build(const codec::Image& image, Indexed& out) {
        forEachPixel(image, [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
            const int cell = cellOf(r >> 3, g >> 3, b >> 3);
            ++m_counts[cell];
            m_sums[cell][0] += r;
            m_sums[cell][1] += g;
            m_sums[cell][2] += b;
        });
        Box all{{0, 0, 0}, {31, 31, 31}, 0};
        m_boxes.push_back(shrink(all));
        while (m_boxes.size() < 256 && splitLargest()) {
        }
        std::vector<std::uint8_t> map(32768, 0);
        for (size_t i = 0; i < m_boxes.size(); ++i) {
            std::array<std::uint64_t, 3> sum = {0, 0, 0};
            visitCells(m_boxes[i], [&](int cell) {
                map[cell] = static_cast<std::uint8_t>(i);
                for (int c = 0; c < 3; ++c) sum[c] += m_sums[cell][c];
            });
            const std::uint64_t n = std::max<std::uint64_t>(m_boxes[i].count, 1);
            out.palette.push_back({static_cast<std::uint8_t>((sum[0] + n / 2) / n),
                                   static_cast<std::uint8_t>((sum[1] + n / 2) / n),
                                   static_cast<std::uint8_t>((sum[2] + n / 2) / n)});
        }
        out.indexes.reserve(static_cast<size_t>(image.width) * image.height);
        forEachPixel(image, [&](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
            out.indexes.push_back(map[cellOf(r >> 3, g >> 3, b >> 3)]);
        });
    }

private:
    struct Box {
        std::array<int, 3> lo;
        std::array<int, 3> hi;
        std::uint64_t count;
    };

    static int cellOf(int r, int g, int b) { return r << 10 | g << 5 | b; }

    template <typename Visit>
    static void visitCells(const Box& box, Visit visit) {
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) visit(cellOf(r, g, b));
    }

    // The box reduced to the cells that hold pixels, with their count.
    Box shrink(const Box& box) const {
        Box tight{{31, 31, 31}, {0, 0, 0}, 0};
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g)
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const std::uint32_t n = m_counts[cellOf(r, g, b)];
                    if (n == 0) continue;
                    const std::array<int, 3> at = {r, g, b};
                    for (int c = 0; c < 3; ++c) {
                        tight.lo[c] = std::min(tight.lo[c], at[c]);
                        tight.hi[c] = std::max(tight.hi[c], at[c]);
                    }
                    tight.count += n;
                }
        return tight;
    }

    // Splits the box with the most pixels times its longest side at the median of that
    // side; false when every box is a single cell.
    bool splitLargest() {
        size_t best = m_boxes.size();
        std::uint64_t bestScore = 0;
        int axis = 0;
        for (size_t i = 0; i < m_boxes.size(); ++i) {
            const Box& box = m_boxes[i];
            for (int c = 0; c < 3; ++c) {
                const std::uint64_t score =
                    box.count * static_cast<std::uint64_t>(box.hi[c] - box.lo[c]);
                if (score > bestScore) {
                    bestScore = score;
                    best = i;
                    axis = c;
                }
            }
        }
        if (best == m_boxes.size()) return false;
        const Box box = m_boxes[best];
        std::array<std::uint64_t, 32> slices = {};
        visitCells(box, [&](int cell) {
            const std::array<int, 3> at = {cell >> 10, cell >> 5 & 31, cell & 31};
            slices[at[axis]] += m_counts[cell];
        });
        int cut = box.lo[axis];
        std::uint64_t below = slices[cut];
        while (cut + 1 < box.hi[axis] && below * 2 < box.count) below += slices[++cut];
        Box lower = box;
        Box upper = box;
        lower.hi[axis] = cut;
        upper.lo[axis] = cut + 1;
        m_boxes[best] = shrink(lower);
        m_boxes.push_back(shrink(upper));
        return true;
    }

    std::vector<std::uint32_t> m_counts = std::vector<std::uint32_t>(32768, 0);
    std::vector<std::array<std::uint64_t, 3>> m_sums =
        std::vector<std::array<std::uint64_t, 3>>(32768, {0, 0, 0});
    std::vector<Box> m_boxes;
};

// Variable-width LZW codes packed into the data sub-blocks of a GIF image.
class LzwWriter {
public:
    LzwWriter(std::string& out, int minCodeSize) : m_out(out), m_minCodeSize(minCodeSize) {}

    void write(const std::vector<std::uint8_t>& indexes) {
        const int clear = 1 << m_minCodeSize;
        reset();
        emit(clear);
        int prefix = indexes[0];
        for (size_t i = 1; i < indexes.size(); ++i) {
            const std::uint8_t k = indexes[i];
            const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | k;
            size_t slot = slotOf(key);
            if (m_keys[slot] == key + 1) {
                prefix = m_codes[slot];
                continue;
            }
            emitAndCount(prefix);
            if (m_next < kMaxCodes) {
                m_keys[slot] = key + 1;
                m_codes[slot] = static_cast<std::uint16_t>(m_next++);
            } else {
                // The table is full: start over rather than keep coding with stale strings.
                emit(clear);
                reset();
            }
            prefix = k;
        }
        emitAndCount(prefix);
        emit(clear + 1);  // end of information
        if (m_bitCount > 0) pushByte(static_cast<std::uint8_t>(m_bits));
        flushBlock();
        m_out += '\0';  // block terminator
    }

private:
    static constexpr int kMaxCodes = 4096;
    static constexpr size_t kSlots = 8192;

    void reset() {
        std::fill(m_keys.begin(), m_keys.end(), 0);
        m_codeSize = m_minCodeSize + 1;
        m_next = (1 << m_minCodeSize) + 2;
    }

    size_t slotOf(std::uint32_t key) const {
        size_t slot = (key * 2654435761u) >> 19;  // 13 bits
        while (m_keys[slot] != 0 && m_keys[slot] != key + 1) slot = (slot + 1) & (kSlots - 1);
        return slot;
    }

    // A code after which the reader adds a table entry, widening its codes when the
    // entry's number no longer fits.
    void emitAndCount(int code) {
        emit(code);
        if (m_next >= (1 << m_codeSize) && m_codeSize < 12) ++m_codeSize;
    }

    void emit(int code) {
        m_bits |= static_cast<std::uint32_t>(code) << m_bitCount;
        m_bitCount += m_codeSize;
        while (m_bitCount >= 8) {
            pushByte(static_cast<std::uint8_t>(m_bits));
            m_bits >>= 8;
            m_bitCount -= 8;
        }
    }

    void pushByte(std::uint8_t byte) {
        m_block[m_blockLength++] = byte;
        if (m_blockLength == 255) flushBlock();
    }

    void flushBlock() {
        if (m_blockLength == 0) return;
        m_out += static_cast<char>(m_blockLength);
        m_out.append(reinterpret_cast<const char*>(m_block.data()), m_blockLength);
        m_blockLength = 0;
    }

    std::string& m_out;
    const int m_minCodeSize;
    int m_codeSize = 0;
    int m_next = 0;
    std::uint32_t m_bits = 0;
    int m_bitCount = 0;
    std::array<std::uint8_t, 255> m_block = {};
    size_t m_blockLength = 0;
    std::vector<std::uint32_t> m_keys = std::vector<std::uint32_t>(kSlots, 0);
    std::vector<std::uint16_t> m_codes = std::vector<std::uint16_t>(kSlots, 0);
};

void put16(std::string& out, int value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

}  // namespace

bool GifEncoder::encode(const codec::Image& image, std::string& file) {
    if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535) {
        return false;
    }
    Indexed indexed;
    if (!exactColours(image, indexed)) {
        indexed = Indexed();
        MedianCut().build(image, indexed);
    }
    int tableBits = 1;  // the colour table holds 2^tableBits entries
    while ((size_t{1} << tableBits) < indexed.palette.size()) ++tableBits;

    file = "GIF89a";
    put16(file, image.width);
    put16(file, image.height);
    file += static_cast<char>(0x80 | 7 << 4 | (tableBits - 1));  // global table, 8-bit colour
    file += '\0';                                                // background index
    file += '\0';                                                // square pixels
    for (size_t i = 0; i < (size_t{1} << tableBits); ++i) {
        const Rgb rgb = i < indexed.palette.size() ? indexed.palette[i] : Rgb{0, 0, 0};
        file.append(reinterpret_cast<const char*>(rgb.data()), 3);
    }
    file += ',';  // image descriptor
    put16(file, 0);
    put16(file, 0);
    put16(file, image.width);
    put16(file, image.height);
    file += '\0';  // no local table, not interlaced
    const int minCodeSize = std::max(2, tableBits);
    file += static_cast<char>(minCodeSize);
    LzwWriter(file, minCodeSize).write(indexed.indexes);
    file += ';';  // trailer
    return true;
}
