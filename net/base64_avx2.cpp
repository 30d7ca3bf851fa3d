#include "net/base64_x86.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#include <algorithm>
#include <array>

// The AVX2 loops of the fused encoder. A step takes 24 input bytes, twelve per 128-bit lane:
// one unaligned 32-byte load from 4 bytes before them puts bytes 0-11 at bytes 4-15 of the
// low lane and bytes 12-23 at bytes 0-11 of the high one, so no lane crossing is needed.
// The first step of a loop has no 4 bytes before it and moves its bytes with a permute.

namespace base64_x86 {
namespace {

#define OZMIRA_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt"), always_inline)) inline

// Sixteen bytes of shuffle order.
struct alignas(16) Order {
    char bytes[16];
};

// For each 8-bit mask of "+"/"/" among eight characters: the shuffle that writes them into
// 16 bytes, each in place or as "%", "2" and its letter. The first 256 take the characters
// from bytes 0-7 of the source and "%2" from bytes 8 and 9; the next 256 take them from bytes
// 8-15 and "%2" from bytes 0 and 1. At most four flagged characters fit.
constexpr std::array<Order, 512> makeOrders() {
    std::array<Order, 512> table{};
    for (int entry = 0; entry < 512; ++entry) {
        const int mask = entry & 0xFF, at = entry < 256 ? 0 : 8, percent = 8 - at;
        char* order = table[entry].bytes;
        int n = 0;
        for (int lane = 0; lane < 8 && n < 16; ++lane) {
            if (mask & (1 << lane)) {
                order[n++] = static_cast<char>(percent);
                if (n < 16) order[n++] = static_cast<char>(percent + 1);
            }
            if (n < 16) order[n++] = static_cast<char>(at + lane);
        }
        for (; n < 16; ++n) order[n] = static_cast<char>(0x80);  // zero
    }
    return table;
}

constexpr std::array<Order, 512> kOrders = makeOrders();
constexpr int kHighOrders = 256 * sizeof(Order);  // where the second 256 start, in bytes

// The same for any number of flagged characters among eight, up to 24 bytes: 32 bytes of
// order, for a source with the eight characters and "%2" in both lanes.
struct alignas(32) WideOrder {
    char bytes[32];
};

constexpr std::array<WideOrder, 256> makeWideOrders() {
    std::array<WideOrder, 256> table{};
    for (int mask = 0; mask < 256; ++mask) {
        int n = 0;
        for (int lane = 0; lane < 8; ++lane) {
            if (mask & (1 << lane)) {
                table[mask].bytes[n++] = 8;
                table[mask].bytes[n++] = 9;
            }
            table[mask].bytes[n++] = static_cast<char>(lane);
        }
        for (; n < 32; ++n) table[mask].bytes[n] = static_cast<char>(0x80);
    }
    return table;
}

constexpr std::array<WideOrder, 256> kWideOrder = makeWideOrders();

// Input bytes 0-23 in the lanes as the loops expect them, from a load at input - 4 ...
OZMIRA_AVX2 __m256i loadStep(const uint8_t* input) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(input - 4));
}

// ... or, for the first step, from one at input (reads 32 bytes).
OZMIRA_AVX2 __m256i loadFirstStep(const uint8_t* input) {
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(input));
    return _mm256_permutevar8x32_epi32(raw, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6));
}

// 32 sextets, one per byte, in input order.
OZMIRA_AVX2 __m256i sextetsOf(__m256i raw) {
    const __m256i split =
        _mm256_setr_epi8(5, 4, 6, 5, 8, 7, 9, 8, 11, 10, 12, 11, 14, 13, 15, 14,  //
                         1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
    const __m256i lanes = _mm256_shuffle_epi8(raw, split);
    const __m256i high = _mm256_mulhi_epu16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x0FC0FC00)),
                                            _mm256_set1_epi32(0x04000040));
    const __m256i low = _mm256_mullo_epi16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x003F03F0)),
                                           _mm256_set1_epi32(0x01000010));
    return _mm256_or_si256(high, low);
}

// The four quarters of eight characters where at most four of the 32 are "+" or "/", so
// that none spreads beyond 16 bytes. A quarter with f flagged characters takes 8 + 2f bytes;
// each is shuffled into 16 bytes in its own lane, quarters 0 and 2 from a source with "%2"
// above them, 1 and 3 from one with "%2" below, and stored where the quarters before it
// end. count is the number of flags.
OZMIRA_AVX2 char* spreadNarrow(__m256i chars, uint64_t flags, uint64_t count, char* out) {
    const __m256i percentTwo = _mm256_set1_epi64x('%' | '2' << 8);
    // Twice each quarter's mask, 16 bits apart: with a scale of 8, its order's offset.
    const uint64_t twice = _pdep_u64(flags, 0x01FE01FE01FE01FEull);
    const uint64_t at0 = twice & 0xFFFF, at1 = (twice >> 16) & 0xFFFF, at2 = (twice >> 32) & 0xFFFF,
                   at3 = twice >> 48;
    const char* orders = reinterpret_cast<const char*>(kOrders.data());
    auto order = [orders](uint64_t at, int high) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(orders + high + 8 * at));
    };
    const __m256i even = _mm256_shuffle_epi8(
        _mm256_blend_epi32(chars, percentTwo, 0xCC),
        _mm256_inserti128_si256(_mm256_castsi128_si256(order(at0, 0)), order(at2, 0), 1));
    const __m256i odd =
        _mm256_shuffle_epi8(_mm256_blend_epi32(chars, percentTwo, 0x33),
                            _mm256_inserti128_si256(_mm256_castsi128_si256(order(at1, kHighOrders)),
                                                    order(at3, kHighOrders), 1));
    // Quarter k starts 8k bytes and two per flag before it after out.
    char* const out2 = out + 16 + 2 * _mm_popcnt_u64(twice & 0xFFFFFFFF);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(even));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 + 2 * _mm_popcnt_u64(at0)),
                     _mm256_castsi256_si128(odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out2), _mm256_extracti128_si256(even, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out2 + 8 + 2 * _mm_popcnt_u64(at2)),
                     _mm256_extracti128_si256(odd, 1));
    return out + 32 + 2 * count;
}

// Quarter k of chars with any number of flagged characters: broadcast beside "%2" to both
// lanes and spread with one 32-byte shuffle and store.
template <int k>
OZMIRA_AVX2 char* spreadQuarter(__m256i chars, uint64_t flags, char* out) {
    const __m256i percentTwo = _mm256_set1_epi32('%' | '2' << 8);
    __m256i source = _mm256_permute4x64_epi64(chars, k * 0x55);
    source = _mm256_blend_epi32(source, percentTwo, 0xCC);
    const uint64_t mask = (flags >> (8 * k)) & 0xFF;
    const __m256i order = _mm256_load_si256(reinterpret_cast<const __m256i*>(&kWideOrder[mask]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_shuffle_epi8(source, order));
    return out + 8 + 2 * _mm_popcnt_u64(mask);
}

// A step's 32 characters and which of them are "+" or "/" (bit k for character k).
struct Step {
    __m256i chars;
    uint64_t flags;
};

// The characters of 24 input bytes.
OZMIRA_AVX2 Step translate(__m256i raw) {
    // Offset from sextet to character by class: 0-25 letters A-Z (class 13), 26-51 a-z
    // (class 0), 52-61 digits (classes 1-10), 62 and 63 the letters of %2B and %2F.
    const __m256i offsets =
        _mm256_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, 'B' - 62, 'F' - 63, 'A', 0, 0,  //
                         'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, 'B' - 62, 'F' - 63, 'A', 0, 0);
    const __m256i sextets = sextetsOf(raw);
    const __m256i reduced =
        _mm256_blendv_epi8(_mm256_subs_epu8(sextets, _mm256_set1_epi8(51)), _mm256_set1_epi8(13),
                           _mm256_cmpgt_epi8(_mm256_set1_epi8(26), sextets));
    return {_mm256_add_epi8(sextets, _mm256_shuffle_epi8(offsets, reduced)),
            static_cast<uint32_t>(
                _mm256_movemask_epi8(_mm256_cmpgt_epi8(sextets, _mm256_set1_epi8(61))))};
}

// A step's characters at out, each flagged one as "%2" and its letter: 32 to 96 of them,
// in stores that reach up to 104 bytes.
OZMIRA_AVX2 char* spread(const Step& step, char* out) {
    // Four or fewer among 32 is the usual case (on random bytes, one step in a few hundred
    // has more).
    const uint64_t count = _mm_popcnt_u64(step.flags);
    if (__builtin_expect(count <= 4, 1)) return spreadNarrow(step.chars, step.flags, count, out);
    out = spreadQuarter<0>(step.chars, step.flags, out);
    out = spreadQuarter<1>(step.chars, step.flags, out);
    out = spreadQuarter<2>(step.chars, step.flags, out);
    return spreadQuarter<3>(step.chars, step.flags, out);
}

// For the count: each group's 24 bits in a 32-bit lane, most significant first. A sextet is
// 62 or 63 when its top five bits are set: adding 1 at the lowest of them carries into the
// bit above, which the mask kept clear; those carry bits are counters 6 bits apart.
constexpr uint32_t kTopFive = 0x00FBEFBE;  // bits 23-19, 17-13, 11-7, 5-1
constexpr uint32_t kLowest = 0x00082082;   // bits 19, 13, 7, 1
constexpr uint32_t kCarries = 0x01041040;  // bits 24, 18, 12, 6
constexpr int kCountSteps = 63;            // steps before a 6-bit counter could overflow

OZMIRA_AVX2 __m256i carriesOf(__m256i raw) {
    const __m256i order = _mm256_setr_epi8(6, 5, 4, -1, 9, 8, 7, -1, 12, 11, 10, -1, 15, 14, 13, -1,
                                           2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m256i groups = _mm256_shuffle_epi8(raw, order);
    const __m256i sum = _mm256_add_epi32(_mm256_and_si256(groups, _mm256_set1_epi32(kTopFive)),
                                         _mm256_set1_epi32(kLowest));
    return _mm256_and_si256(sum, _mm256_set1_epi32(kCarries));
}

// The four counters of each lane added up (at most 4 × 63, so one byte per lane), then
// the lanes.
OZMIRA_AVX2 size_t sumCounters(__m256i counters) {
    const __m256i field = _mm256_set1_epi32(63);
    __m256i sum = _mm256_srli_epi32(counters, 24);
    sum = _mm256_add_epi32(sum, _mm256_and_si256(_mm256_srli_epi32(counters, 6), field));
    sum = _mm256_add_epi32(sum, _mm256_and_si256(_mm256_srli_epi32(counters, 12), field));
    sum = _mm256_add_epi32(sum, _mm256_and_si256(_mm256_srli_epi32(counters, 18), field));
    const __m256i lanes = _mm256_sad_epu8(sum, _mm256_setzero_si256());
    return static_cast<size_t>(_mm256_extract_epi64(lanes, 0) + _mm256_extract_epi64(lanes, 1) +
                               _mm256_extract_epi64(lanes, 2) + _mm256_extract_epi64(lanes, 3));
}

}  // namespace

__attribute__((target("avx2,bmi,bmi2,popcnt"))) size_t countAvx2(const uint8_t* input,
                                                                 size_t groups, size_t& done) {
    done = 0;
    // The first step reads 32 bytes, the others 4 before their 24 and 4 after.
    if (groups < 11) return 0;
    const size_t steps = (3 * groups - 4) / 24;
    // Two sets of counters, each given at most kCountSteps steps before they are added up.
    __m256i even = carriesOf(loadFirstStep(input)), odd = _mm256_setzero_si256();
    size_t count = 0;
    for (size_t k = 1; k < steps;) {
        const size_t blockEnd = std::min(steps, k + 2 * (kCountSteps - 1));
        for (; k + 2 <= blockEnd; k += 2) {
            even = _mm256_add_epi32(even, carriesOf(loadStep(input + 24 * k)));
            odd = _mm256_add_epi32(odd, carriesOf(loadStep(input + 24 * k + 24)));
        }
        if (k < blockEnd) even = _mm256_add_epi32(even, carriesOf(loadStep(input + 24 * k++)));
        count += sumCounters(even) + sumCounters(odd);
        even = odd = _mm256_setzero_si256();
    }
    done = 8 * steps;
    return count + sumCounters(even) + sumCounters(odd);
}

__attribute__((target("avx2,bmi,bmi2,popcnt"))) size_t encodeAvx2(const uint8_t* input,
                                                                  size_t groups, char*& out,
                                                                  const char*) {
    // A step reads 4 bytes past its 24, and its stores end at most 24 bytes past its own
    // characters (the last 32-byte store of the rare way starts at least 8 before their
    // end); every group gives at least four characters, so 6 groups after a step are room
    // enough and the end needs no check of its own. The loop starts no step within 32
    // groups of the end; the two steps it always runs leave 16 after them.
    if (groups < 32) return 0;
    const uint8_t* const last = input + 3 * (groups - 32);
    // Each step is translated two turns ahead of its spreading, so that the processor has
    // the long way from a step's flags to its stores under way while it finishes others.
    Step current = translate(loadFirstStep(input));
    Step second = translate(loadStep(input + 24));
    char* o = out;
    const uint8_t* p = input + 48;
    for (; p <= last; p += 24) {
        const Step next = translate(loadStep(p));
        o = spread(current, o);
        current = second;
        second = next;
    }
    o = spread(current, o);
    o = spread(second, o);
    out = o;
    return static_cast<size_t>(p - input) / 3;
}

}  // namespace base64_x86

#undef OZMIRA_AVX2

#endif
