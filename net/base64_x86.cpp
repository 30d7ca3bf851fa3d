#include "net/base64_x86.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#include <array>
#include <cstring>

namespace base64_x86 {
namespace {

// SSSE3 version (for processors without AVX2), written with GCC's vector extensions and
// builtins. Twelve input bytes become sixteen
// sextets in one register (the multiply-shift split of 3 bytes into 4 sextets, then a
// shuffle table from sextet to character); each half of eight characters then spreads
// out through a shuffle chosen by which of its characters are "+" or "/".

using V16 = char __attribute__((vector_size(16)));
using V16U = unsigned char __attribute__((vector_size(16)));
using V8 = short __attribute__((vector_size(16)));
using V4 = int __attribute__((vector_size(16)));

// first and second are adjacent, so the AVX2 loop reads both as one 32-byte shuffle.
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

// AVX2 version: the same steps as the SSSE3 one on 24 input bytes at a time, twelve per
// 128-bit lane (the lane shuffles never cross lanes, so each lane splits its own twelve).
// Each quarter of eight characters is broadcast to both lanes beside "%2" and spread with
// one 32-byte shuffle from the same table and one store.

__attribute__((target("avx2"))) __m256i sextetsAvx2(const uint8_t* input) {
    const __m256i split = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,  //
                                           1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
    __m256i raw = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(input))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(input + 12)), 1);
    __m256i lanes = _mm256_shuffle_epi8(raw, split);
    __m256i high = _mm256_mulhi_epu16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x0FC0FC00)),
                                      _mm256_set1_epi32(0x04000040));
    __m256i low = _mm256_mullo_epi16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x003F03F0)),
                                     _mm256_set1_epi32(0x01000010));
    return _mm256_or_si256(high, low);
}

// The shuffles of the first 16 bytes of kSpread's entries alone, so that an entry's offset
// is its mask times 16.
struct alignas(16) Order {
    char bytes[16];
};

constexpr std::array<Order, 256> makeOrderTable() {
    std::array<Order, 256> table{};
    for (int mask = 0; mask < 256; ++mask) {
        for (int k = 0; k < 16; ++k) table[mask].bytes[k] = kSpread[mask].first[k];
    }
    return table;
}

constexpr std::array<Order, 256> kOrder = makeOrderTable();

// Quarter k (eight characters) of chars, with "%" and "2" in bytes 8 and 9 of both lanes,
// spread with one 32-byte shuffle: any number of "+" and "/" among the eight.
template <int k>
__attribute__((target("avx2"))) char* spreadQuarter(__m256i chars, uint32_t flags, char* out) {
    const __m256i percentTwo = _mm256_set1_epi32('%' | '2' << 8);
    __m256i source = _mm256_permute4x64_epi64(chars, k * 0x55);
    source = _mm256_blend_epi32(source, percentTwo, 0xCC);
    const Spread& spread = kSpread[(flags >> (8 * k)) & 0xFF];
    __m256i order = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(spread.first));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_shuffle_epi8(source, order));
    return out + spread.length;
}

// All four quarters when none has more than four "+" or "/" (count, among the 32), so that
// each spreads into 16 bytes: quarters 0 and 2 share one shuffle (one per lane), 1 and 3
// another. A quarter with f of them takes 8 + 2f bytes.
__attribute__((target("avx2,bmi2,popcnt"))) char* spreadNarrow(__m256i chars, uint32_t flags,
                                                               int count, char* out) {
    const __m256i percentTwo = _mm256_set1_epi32('%' | '2' << 8);
    // Each quarter's mask times 2, scaled by 8 in the address: the entry's offset.
    const uint64_t f = flags, twice = f << 1;
    const uint64_t at0 = twice & 0x1FE, at1 = (twice >> 8) & 0x1FE, at2 = (twice >> 16) & 0x1FE,
                   at3 = (twice >> 24) & 0x1FE;
    auto order = [](uint64_t at) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kOrder.data()) + at / 2);
    };
    __m256i even = _mm256_shuffle_epi8(
        _mm256_blend_epi32(chars, percentTwo, 0xCC),
        _mm256_inserti128_si256(_mm256_castsi128_si256(order(at0)), order(at2), 1));
    __m256i odd = _mm256_shuffle_epi8(
        _mm256_unpackhi_epi64(chars, percentTwo),
        _mm256_inserti128_si256(_mm256_castsi128_si256(order(at1)), order(at3), 1));
    // Where quarters 1 to 3 start: 8 bytes and 2 more per flag for each before them.
    char* o1 = out + 8 + 2 * static_cast<size_t>(__builtin_popcountll(f & 0xFF));
    char* o2 = out + 16 + 2 * static_cast<size_t>(__builtin_popcountll(f & 0xFFFF));
    char* o3 = out + 24 + 2 * static_cast<size_t>(__builtin_popcountll(f & 0xFFFFFF));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(even));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o1), _mm256_castsi256_si128(odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o2), _mm256_extracti128_si256(even, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o3), _mm256_extracti128_si256(odd, 1));
    return out + 32 + 2 * static_cast<size_t>(count);
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

__attribute__((target("avx2"))) size_t countAvx2(const uint8_t* input, size_t groups,
                                                 size_t& done) {
    const __m256i splat61 = _mm256_set1_epi8(61);
    size_t count = 0;
    const uint8_t* p = input;
    done = 0;
    if (groups < 10) return 0;
    // A step reads 28 bytes for its 24. Byte counters hold up to 255 steps; then they are
    // added up.
    for (const uint8_t* last = input + 3 * groups - 28; p <= last;) {
        const uint8_t* blockLast = last - p > 24 * 254 ? p + 24 * 254 : last;
        __m256i counters = _mm256_setzero_si256();
        for (; p <= blockLast; p += 24) {
            counters = _mm256_sub_epi8(counters, _mm256_cmpgt_epi8(sextetsAvx2(p), splat61));
        }
        __m256i sums = _mm256_sad_epu8(counters, _mm256_setzero_si256());
        count += static_cast<size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                     _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
    }
    done = static_cast<size_t>(p - input) / 3;
    return count;
}

__attribute__((target("avx2,bmi2,popcnt"))) size_t encodeAvx2(const uint8_t* input, size_t groups,
                                                              char*& out, const char*) {
    const __m256i offsets =
        _mm256_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, 'B' - 62, 'F' - 63, 'A', 0, 0,  //
                         'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, 'B' - 62, 'F' - 63, 'A', 0, 0);
    const __m256i splat51 = _mm256_set1_epi8(51), splat26 = _mm256_set1_epi8(26),
                  splat61 = _mm256_set1_epi8(61), splat13 = _mm256_set1_epi8(13);
    if (groups < 32) return 0;
    char* o = out;
    // A step reads 28 bytes for its 24 and writes up to 104 bytes for its 32 to 96. Every
    // group gives at least four characters, so while 32 groups remain, the space left for
    // their output is at least 128 bytes and the end needs no check of its own.
    const uint8_t* p = input;
    const uint8_t* last = input + 3 * (groups - 32);
    for (; p <= last; p += 24) {
        __m256i sextets = sextetsAvx2(p);
        __m256i reduced = _mm256_blendv_epi8(_mm256_subs_epu8(sextets, splat51), splat13,
                                             _mm256_cmpgt_epi8(splat26, sextets));
        __m256i chars = _mm256_add_epi8(sextets, _mm256_shuffle_epi8(offsets, reduced));
        auto flags =
            static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(sextets, splat61)));
        // Four or fewer among 32 is the usual case (on random bytes, one in a few hundred
        // steps has more).
        const int count = __builtin_popcount(flags);
        if (count <= 4) {
            o = spreadNarrow(chars, flags, count, o);
        } else {
            o = spreadQuarter<0>(chars, flags, o);
            o = spreadQuarter<1>(chars, flags, o);
            o = spreadQuarter<2>(chars, flags, o);
            o = spreadQuarter<3>(chars, flags, o);
        }
    }
    out = o;
    return static_cast<size_t>(p - input) / 3;
}

// __builtin_cpu_init first, in case the first encoding runs in a static constructor, before
// the one that fills in the processor's features.
bool hasSsse3() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
    return supported;
}

bool hasAvx2() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("avx2")) &&
                                  __builtin_cpu_supports("bmi2") &&
                                  __builtin_cpu_supports("popcnt");
    return supported;
}

}  // namespace base64_x86

#endif
