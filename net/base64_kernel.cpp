#include "net/base64_kernel.h"

#include "net/base64_x86.h"

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

int writeEncodedSextet(uint32_t sextet, char* out) {
    return encodedSextet(sextet, out);
}

Path bestPath() {
    if (supported(Path::Avx2)) return Path::Avx2;
    if (supported(Path::Ssse3)) return Path::Ssse3;
    return Path::Portable;
}

bool supported(Path path) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == Path::Avx2) return base64_x86::hasAvx2();
    if (path == Path::Ssse3) return base64_x86::hasSsse3();
#endif
    return path == Path::Portable;
}

size_t countPlusSlash(const uint8_t* input, size_t groups, Path path) {
    size_t done = 0, count = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == Path::Avx2 && base64_x86::hasAvx2()) {
        count = base64_x86::countAvx2(input, groups, done);
    } else if (path == Path::Ssse3 && base64_x86::hasSsse3()) {
        count = base64_x86::countSsse3(input, groups, done);
    }
#endif
    return count + countPlusSlashPortable(input + 3 * done, groups - done);
}

size_t encodeUrlGroups(const uint8_t* input, size_t groups, char*& out, const char* outEnd,
                       Path path) {
    size_t done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == Path::Avx2 && base64_x86::hasAvx2()) {
        done = base64_x86::encodeAvx2(input, groups, out, outEnd);
    } else if (path == Path::Ssse3 && base64_x86::hasSsse3()) {
        done = base64_x86::encodeSsse3(input, groups, out, outEnd);
    }
#endif
    return done + encodeUrlGroupsPortable(input + 3 * done, groups - done, out, outEnd);
}

}  // namespace base64_kernel
