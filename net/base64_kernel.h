#pragma once
// The hot loop of Base64::EncodeUrlEncoded, with vector versions where the processor has
// them. Shared by base64.cpp only.
#include <cstddef>
#include <cstdint>

namespace base64_kernel {

// The loops that encode and count; every one gives the same bytes.
enum class Path {
    Portable,  // plain 64-bit arithmetic, any processor
    Ssse3,     // 16 bytes at a time (x86-64 with SSSE3)
    Avx2,      // 32 bytes at a time (x86-64 with AVX2)
};

// The fastest path this processor runs, decided once.
Path bestPath();
// Whether this processor runs the path; a path it does not run falls back on Portable.
bool supported(Path path);

// The URL-encoded base64 form of one sextet (one character or three), written at out;
// returns how many characters it took.
int writeEncodedSextet(uint32_t sextet, char* out);

// How many sextets of the whole 3-byte groups at input are 62 or 63 (the characters "+"
// and "/", which become "%2B" and "%2F").
size_t countPlusSlash(const uint8_t* input, size_t groups, Path path);

// Encodes whole 3-byte groups from the start of input while they may safely write past
// their own output (stores are wider than what they mean), so it stops some way before
// outEnd and before the end of the input. Returns how many groups it encoded; out has
// moved past their characters.
size_t encodeUrlGroups(const uint8_t* input, size_t groups, char*& out, const char* outEnd,
                       Path path);

// The portable loops alone.
size_t countPlusSlashPortable(const uint8_t* input, size_t groups);
size_t encodeUrlGroupsPortable(const uint8_t* input, size_t groups, char*& out, const char* outEnd);

}  // namespace base64_kernel
