#include "net/base64_x86.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <array>
#include <cstring>

namespace base64_x86 {
namespace {

// SSSE3 version (for processors without AVX2; the AVX2 one is in base64_avx2.cpp), written
// with GCC's vector extensions and builtins. Twelve input bytes become sixteen sextets in one
// register (the multiply-shift split of 3 bytes into 4 sextets, then a
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

}  // namespace

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

// __builtin_cpu_init first, in case the first encoding runs in a static constructor, before
// the one that fills in the processor's features.
bool hasSsse3() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return supported;
}

bool hasAvx2() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("avx2")) &&
                                  __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                                  __builtin_cpu_supports("popcnt");
    return supported;
}

}  // namespace base64_x86

#endif
