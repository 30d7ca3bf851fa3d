#include "net/base64_kernel.h"

#include <array>
#include <cstring>

namespace base64_kernel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int encodedSextet(uint32_t sextet, char* out) {
    if (sextet < 62) {
        out[0] = kAlphabet[sextet];
        return 1;
    }
    out[0] = '%';
    out[1] = '2';
    out[2] = sextet == 62 ? 'B' : 'F';
    return 3;
}

// Two sextets (12 bits) per entry: up to six characters in the low bytes and their count
// in the top byte, so the writer stores eight bytes and advances by the count.
constexpr std::array<uint64_t, 4096> makePairTable() {
    std::array<uint64_t, 4096> table{};
    for (uint32_t v = 0; v < 4096; ++v) {
        char chars[6] = {};
        int n = encodedSextet(v >> 6, chars);
        n += encodedSextet(v & 63, chars + n);
        uint64_t entry = static_cast<uint64_t>(n) << 56;
        for (int k = 0; k < n; ++k) {
            entry |= static_cast<uint64_t>(static_cast<uint8_t>(chars[k])) << (8 * k);
        }
        table[v] = entry;
    }
    return table;
}

constexpr std::array<uint64_t, 4096> kPairs = makePairTable();

// Six input bytes as a big-endian 48-bit number; reads eight.
uint64_t load48(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v) >> 16;
}

uint32_t group(const uint8_t* p) {
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

char* storePair(char* out, uint64_t entry) {
    std::memcpy(out, &entry, 8);
    return out + (entry >> 56);
}

}  // namespace

// Portable loop: two groups per step, four table entries, four 8-byte stores.
size_t encodeUrlGroupsPortable(const uint8_t* input, size_t groups, char*& out,
                               const char* outEnd) {
    size_t g = 0;
    char* o = out;
    // Two groups read 8 bytes and write at most 24 characters plus 2 of slack.
    for (; g + 3 <= groups && outEnd - o >= 32; g += 2) {
        uint64_t v = load48(input + 3 * g);
        o = storePair(o, kPairs[v >> 36]);
        o = storePair(o, kPairs[(v >> 24) & 0xFFF]);
        o = storePair(o, kPairs[(v >> 12) & 0xFFF]);
        o = storePair(o, kPairs[v & 0xFFF]);
    }
    out = o;
    return g;
}

// A sextet is 62 or 63 when its top five bits are all set: t keeps a bit only where it
// and the four bits above it are set, so bit 1 of each sextet tells. The multiplication
// adds the eight flags up in the top sextet (baseline x86-64 has no popcount).
size_t countPlusSlashPortable(const uint8_t* input, size_t groups) {
    constexpr uint64_t kSum = 0x041041041041ull;  // bit 0 of each of 8 sextets
    constexpr uint64_t kFlags = kSum << 1;
    size_t count = 0;
    size_t g = 0;
    for (; g + 3 <= groups; g += 2) {
        uint64_t v = load48(input + 3 * g);
        uint64_t t = v & (v >> 1) & (v >> 2) & (v >> 3) & (v >> 4);
        count += (((t & kFlags) >> 1) * kSum) >> 42 & 63;
    }
    for (; g < groups; ++g) {
        uint32_t v = group(input + 3 * g);
        for (int shift = 0; shift < 24; shift += 6) {
            count += ((v >> shift) & 63) >= 62;
        }
    }
    return count;
}

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// SSSE3 version, written with GCC's vector extensions and builtins and chosen at run time,
// so the program still runs on processors without it. Twelve input bytes become sixteen
// sextets in one register (the multiply-shift split of 3 bytes into 4 sextets, then a
// shuffle table from sextet to character); each half of eight characters then spreads
// out through a shuffle chosen by which of its characters are "+" or "/".

using V16 = char __attribute__((vector_size(16)));
using V16U = unsigned char __attribute__((vector_size(16)));
using V8 = short __attribute__((vector_size(16)));
using V4 = int __attribute__((vector_size(16)));

struct Spread {
    alignas(16) char first[16];   // shuffle of the 16 output bytes at out
    alignas(16) char second[16];  // and of those at out + 16
    int length;                   // how many of the 32 bytes are meant
};

// For each 8-bit mask of "+"/"/" characters among eight: the shuffle that writes each
// character in place, or "%", "2" and the letter for a flagged one. The source holds the
// eight characters in bytes 0 to 7, "%" in byte 8 and "2" in byte 9.
constexpr std::array<Spread, 256> makeSpreadTable() {
    std::array<Spread, 256> table{};
    for (int mask = 0; mask < 256; ++mask) {
        char order[32] = {};
        int n = 0;
        for (int lane = 0; lane < 8; ++lane) {
            if (mask & (1 << lane)) {
                order[n++] = 8;
                order[n++] = 9;
            }
            order[n++] = static_cast<char>(lane);
        }
        table[mask].length = n;
        for (; n < 32; ++n) {
            order[n] = static_cast<char>(0x80);  // zero; overwritten by the next store
        }
        for (int k = 0; k < 16; ++k) {
            table[mask].first[k] = order[k];
            table[mask].second[k] = order[16 + k];
        }
    }
    return table;
}

constexpr std::array<Spread, 256> kSpread = makeSpreadTable();

__attribute__((target("ssse3"))) V16 shuffle(V16 v, V16 order) {
    return __builtin_ia32_pshufb128(v, order);
}

__attribute__((target("ssse3"))) char* spreadHalf(V16 source, int mask, char* out) {
    V16 firstOrder, secondOrder;
    std::memcpy(&firstOrder, kSpread[mask].first, 16);
    std::memcpy(&secondOrder, kSpread[mask].second, 16);
    V16 first = shuffle(source, firstOrder), second = shuffle(source, secondOrder);
    std::memcpy(out, &first, 16);
    std::memcpy(out + 16, &second, 16);
    return out + kSpread[mask].length;
}

// Sixteen sextets, one per byte, from the first twelve of the sixteen bytes at input.
__attribute__((target("ssse3"))) V16 sextetsOf(const uint8_t* input) {
    const V16 split = {1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10};
    const V4 highBits = V4{} + 0x0FC0FC00, lowBits = V4{} + 0x003F03F0;
    const V8 highScale = {0x0040, 0x0400, 0x0040, 0x0400, 0x0040, 0x0400, 0x0040, 0x0400};
    const V8 lowScale = {0x0010, 0x0100, 0x0010, 0x0100, 0x0010, 0x0100, 0x0010, 0x0100};
    V16 raw;
    std::memcpy(&raw, input, 16);
    V4 lanes = reinterpret_cast<V4>(shuffle(raw, split));
    V8 high = __builtin_ia32_pmulhuw128(reinterpret_cast<V8>(lanes & highBits), highScale);
    V8 low = reinterpret_cast<V8>(lanes & lowBits) * lowScale;
    return reinterpret_cast<V16>(high | low);
}

__attribute__((target("ssse3"))) size_t countSsse3(const uint8_t* input, size_t groups,
                                                   size_t& done) {
    const V16 splat61 = V16{} + 61;
    size_t count = 0;
    size_t g = 0;
    while (3 * g + 16 <= 3 * groups) {
        // Byte counters hold up to 255 steps; then they are added up.
        // Unsigned, so that the counting is plain modular arithmetic.
        V16U counters = {};
        for (int step = 0; step < 255 && 3 * g + 16 <= 3 * groups; ++step, g += 4) {
            counters -= reinterpret_cast<V16U>(sextetsOf(input + 3 * g) > splat61);
        }
        auto sums = __builtin_ia32_psadbw128(reinterpret_cast<V16>(counters), V16{});
        count += static_cast<size_t>(sums[0] + sums[1]);
    }
    done = g;
    return count;
}

__attribute__((target("ssse3"))) size_t encodeSsse3(const uint8_t* input, size_t groups, char*& out,
                                                    const char* outEnd) {
    // Offset from sextet to character by class: 0-25 letters A-Z (class 13), 26-51 a-z
    // (class 0), 52-61 digits (classes 1-10), 62 and 63 the letters of %2B and %2F.
    const V16 offsets = {'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, 'B' - 62,
                         'F' - 63, 'A',      0,        0};
    const V16 keepLow = {-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0};
    const V16 moveHigh = {8,    9,    10,   11,   12,   13,   14,   15,
                          -128, -128, -128, -128, -128, -128, -128, -128};
    const V16 percentTwo = {0, 0, 0, 0, 0, 0, 0, 0, '%', '2', 0, 0, 0, 0, 0, 0};
    const V16 splat51 = V16{} + 51, splat26 = V16{} + 26, splat61 = V16{} + 61,
              splat13 = V16{} + 13;

    size_t g = 0;
    char* o = out;
    // A step reads 16 bytes for its 12 and writes up to 56 bytes for its 16 to 48.
    for (; 3 * g + 16 <= 3 * groups && outEnd - o >= 64; g += 4) {
        V16 sextets = sextetsOf(input + 3 * g);
        V16 reduced = __builtin_ia32_psubusb128(sextets, splat51);
        reduced |= reinterpret_cast<V16>(sextets < splat26) & splat13;
        V16 chars = sextets + shuffle(offsets, reduced);
        int flags = __builtin_ia32_pmovmskb128(reinterpret_cast<V16>(sextets > splat61));

        o = spreadHalf((chars & keepLow) | percentTwo, flags & 0xFF, o);
        o = spreadHalf(shuffle(chars, moveHigh) | percentTwo, flags >> 8, o);
    }
    out = o;
    return g;
}

bool hasSsse3() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}
#endif

}  // namespace

int writeEncodedSextet(uint32_t sextet, char* out) {
    return encodedSextet(sextet, out);
}

size_t countPlusSlash(const uint8_t* input, size_t groups) {
    size_t done = 0, count = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasSsse3()) {
        count = countSsse3(input, groups, done);
    }
#endif
    return count + countPlusSlashPortable(input + 3 * done, groups - done);
}

size_t encodeUrlGroups(const uint8_t* input, size_t groups, char*& out, const char* outEnd) {
    size_t done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasSsse3()) {
        done = encodeSsse3(input, groups, out, outEnd);
    }
#endif
    return done + encodeUrlGroupsPortable(input + 3 * done, groups - done, out, outEnd);
}

}  // namespace base64_kernel
