#include "net/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "net/base64_kernel.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two sextets (12 bits) at a time: an entry is their two characters.
constexpr std::array<uint16_t, 4096> makePairTable() {
    std::array<uint16_t, 4096> table{};
    for (int v = 0; v < 4096; ++v) {
        table[v] = static_cast<uint16_t>(static_cast<uint8_t>(kAlphabet[v >> 6]) |
                                         static_cast<uint8_t>(kAlphabet[v & 63]) << 8);
    }
    return table;
}

constexpr std::array<uint16_t, 4096> kPairs = makePairTable();

uint32_t group(const uint8_t* p) {
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}

// The second pass of EncodeUrlEncoded: the n input bytes into exactly [o, end).
void writeUrlEncoded(const uint8_t* p, size_t n, base64_kernel::Path path, char* o, char* end) {
    size_t groups = n / 3;
    size_t rest = n - groups * 3;
    // The fast loop stops short of the end, where its wide stores would run past the
    // buffer; the last groups go one character at a time.
    size_t g = base64_kernel::encodeUrlGroups(p, groups, o, end, path);
    for (p += 3 * g; g < groups; ++g, p += 3) {
        uint32_t v = group(p);
        for (int shift = 18; shift >= 0; shift -= 6) {
            o += base64_kernel::writeEncodedSextet((v >> shift) & 63, o);
        }
    }
    if (rest > 0) {
        uint32_t v = uint32_t{p[0]} << 16 | (rest == 2 ? uint32_t{p[1]} << 8 : 0);
        o += base64_kernel::writeEncodedSextet(v >> 18, o);
        o += base64_kernel::writeEncodedSextet((v >> 12) & 63, o);
        if (rest == 2) {
            o += base64_kernel::writeEncodedSextet((v >> 6) & 63, o);
        }
        for (int k = rest == 2 ? 1 : 2; k > 0; --k, o += 3) {
            std::memcpy(o, "%3D", 3);
        }
    }
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
    static const base64_kernel::Path best = base64_kernel::bestPath();
    return EncodeUrlEncoded(bytes, best);
}

void Base64::AppendUrlEncoded(const Bytes& bytes, base64_kernel::Path path, Text& out) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    size_t groups = n / 3;
    size_t rest = n - groups * 3;

    // First pass: the exact length. Every sextet is one character or three; each "="
    // of the padding is "%3D".
    size_t length = groups * 4 + base64_kernel::countPlusSlash(p, groups, path) * 2;
    if (rest > 0) {
        uint32_t v =
            uint32_t{p[groups * 3]} << 16 | (rest == 2 ? uint32_t{p[groups * 3 + 1]} << 8 : 0);
        int sextets = rest == 2 ? 3 : 2;
        for (int k = 0; k < sextets; ++k) {
            length += ((v >> (18 - 6 * k)) & 63) >= 62 ? 3 : 1;
        }
        length += (4 - sextets) * 3;
    }
    const size_t start = out.size();
#if defined(__cpp_lib_string_resize_and_overwrite)
    // The second pass writes every character, so the string is not zero-filled first:
    // for a screenshot that is megabytes written twice. The reserve comes first because
    // GCC 12.2's library hands the operation the grown capacity instead of the length.
    out.reserve(start + length);
    out.resize_and_overwrite(start + length, [&](char* o, size_t size) {
        writeUrlEncoded(p, n, path, o + start, o + size);
        return size;
    });
#else
    out.resize(start + length);
    writeUrlEncoded(p, n, path, out.data() + start, out.data() + start + length);
#endif
}

Text Base64::EncodeUrlEncoded(const Bytes& bytes, base64_kernel::Path path) {
    Text out;
    AppendUrlEncoded(bytes, path, out);
    return out;
}

void Base64::AppendUrlEncoded(const Bytes& bytes, Text& out) {
    static const base64_kernel::Path best = base64_kernel::bestPath();
    AppendUrlEncoded(bytes, best, out);
}
