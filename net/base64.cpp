#include "net/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The URL-encoded form of one base64 character: itself, or "%2B" / "%2F".
constexpr int encodedChar(int sextet, char* out) {
    if (sextet < 62) {
        out[0] = kAlphabet[sextet];
        return 1;
    }
    out[0] = '%';
    out[1] = '2';
    out[2] = sextet == 62 ? 'B' : 'F';
    return 3;
}

// Two sextets (12 bits) at a time. For plain base64 an entry is the two characters; for
// the URL-encoded form it is up to six characters in the low bytes and their count in
// the top byte, so the writer stores eight bytes and advances by the count.
constexpr std::array<uint16_t, 4096> makePairTable() {
    std::array<uint16_t, 4096> table{};
    for (int v = 0; v < 4096; ++v) {
        table[v] = static_cast<uint16_t>(static_cast<uint8_t>(kAlphabet[v >> 6]) |
                                         static_cast<uint8_t>(kAlphabet[v & 63]) << 8);
    }
    return table;
}

constexpr std::array<uint64_t, 4096> makeEncodedPairTable() {
    std::array<uint64_t, 4096> table{};
    for (int v = 0; v < 4096; ++v) {
        char chars[6] = {};
        int n = encodedChar(v >> 6, chars);
        n += encodedChar(v & 63, chars + n);
        uint64_t entry = static_cast<uint64_t>(n) << 56;
        for (int k = 0; k < n; ++k) {
            entry |= static_cast<uint64_t>(static_cast<uint8_t>(chars[k])) << (8 * k);
        }
        table[v] = entry;
    }
    return table;
}

constexpr std::array<uint16_t, 4096> kPairs = makePairTable();
constexpr std::array<uint64_t, 4096> kEncodedPairs = makeEncodedPairTable();

uint32_t group(const uint8_t* p) {
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

// Reads six bytes as a big-endian 48-bit number.
uint64_t twoGroups(const uint8_t* p) {
    uint64_t v = 0;
    for (int k = 0; k < 6; ++k) {
        v = v << 8 | p[k];
    }
    return v;
}

// How many sextets of the 3-byte groups are 62 or 63 (the ones that become "%2B" and
// "%2F"). A sextet is one of them when its top five bits are all set; t keeps a bit only
// where it and the four bits above it are set, so bit 1 of each sextet tells.
size_t countPlusSlash(const uint8_t* p, size_t groups) {
    constexpr uint64_t kMask = [] {
        uint64_t mask = 0;
        for (int sextet = 0; sextet < 8; ++sextet) {
            mask |= uint64_t{2} << (6 * sextet);  // bit 1 of each of the 8 sextets
        }
        return mask;
    }();
    size_t count = 0;
    size_t g = 0;
    for (; g + 2 <= groups; g += 2) {
        uint64_t v = twoGroups(p + 3 * g);
        uint64_t t = v & (v >> 1) & (v >> 2) & (v >> 3) & (v >> 4);
        count += static_cast<size_t>(__builtin_popcountll(t & kMask));
    }
    for (; g < groups; ++g) {
        uint32_t v = group(p + 3 * g);
        for (int shift = 0; shift < 24; shift += 6) {
            count += ((v >> shift) & 63) >= 62;
        }
    }
    return count;
}

void store8(char* out, uint64_t entry) {
    std::memcpy(out, &entry, 8);
}

// Writes one entry of kEncodedPairs exactly, for the end of the buffer.
char* writeExact(char* out, uint64_t entry) {
    size_t n = entry >> 56;
    for (size_t k = 0; k < n; ++k) {
        out[k] = static_cast<char>(entry >> (8 * k));
    }
    return out + n;
}

}  // namespace

Text Base64::Encode(const Bytes& bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    size_t groups = n / 3;
    Text out((n + 2) / 3 * 4, '\0');
    char* o = out.data();
    for (size_t g = 0; g < groups; ++g, p += 3, o += 4) {
        uint32_t v = group(p);
        uint16_t hi = kPairs[v >> 12], lo = kPairs[v & 0xFFF];
        std::memcpy(o, &hi, 2);
        std::memcpy(o + 2, &lo, 2);
    }
    size_t rest = n - groups * 3;
    if (rest > 0) {
        uint32_t v = uint32_t{p[0]} << 16 | (rest == 2 ? uint32_t{p[1]} << 8 : 0);
        o[0] = kAlphabet[v >> 18];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        o[3] = '=';
    }
    return out;
}

Text Base64::EncodeUrlEncoded(const Bytes& bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    size_t groups = n / 3;
    size_t rest = n - groups * 3;

    // First pass: the exact length. Every sextet is one character or three; each "="
    // of the padding is "%3D".
    size_t length = groups * 4 + countPlusSlash(p, groups) * 2;
    if (rest > 0) {
        uint32_t v =
            uint32_t{p[groups * 3]} << 16 | (rest == 2 ? uint32_t{p[groups * 3 + 1]} << 8 : 0);
        int sextets = rest == 2 ? 3 : 2;
        for (int k = 0; k < sextets; ++k) {
            length += ((v >> (18 - 6 * k)) & 63) >= 62 ? 3 : 1;
        }
        length += (4 - sextets) * 3;
    }
    Text out(length, '\0');
    char* o = out.data();
    char* end = o + length;

    // Second pass. Each group writes at most 12 characters in two 8-byte stores; the
    // stores run past what they mean, so the last groups before the end go exactly.
    size_t g = 0;
    for (; g < groups && end - o >= 16; ++g, p += 3) {
        uint32_t v = group(p);
        uint64_t hi = kEncodedPairs[v >> 12], lo = kEncodedPairs[v & 0xFFF];
        store8(o, hi);
        o += hi >> 56;
        store8(o, lo);
        o += lo >> 56;
    }
    for (; g < groups; ++g, p += 3) {
        uint32_t v = group(p);
        o = writeExact(o, kEncodedPairs[v >> 12]);
        o = writeExact(o, kEncodedPairs[v & 0xFFF]);
    }
    if (rest > 0) {
        uint32_t v = uint32_t{p[0]} << 16 | (rest == 2 ? uint32_t{p[1]} << 8 : 0);
        o += encodedChar(static_cast<int>(v >> 18), o);
        o += encodedChar(static_cast<int>((v >> 12) & 63), o);
        if (rest == 2) {
            o += encodedChar(static_cast<int>((v >> 6) & 63), o);
        }
        for (int k = rest == 2 ? 1 : 2; k > 0; --k, o += 3) {
            std::memcpy(o, "%3D", 3);
        }
    }
    return out;
}
