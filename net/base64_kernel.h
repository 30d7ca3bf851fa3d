#pragma once
// The hot loop of Base64::EncodeUrlEncoded, with a vector version where the processor
// has one. Shared by base64.cpp only.
#include <cstddef>
#include <cstdint>

namespace base64_kernel {

// The URL-encoded base64 form of one sextet (one character or three), written at out;
// returns how many characters it took.
int writeEncodedSextet(uint32_t sextet, char* out);

// How many sextets of the whole 3-byte groups at input are 62 or 63 (the characters "+"
// and "/", which become "%2B" and "%2F").
size_t countPlusSlash(const uint8_t* input, size_t groups);

// Encodes whole 3-byte groups from the start of input while they may safely write past
// their own output (stores are wider than what they mean), so it stops some way before
// outEnd and before the end of the input. Returns how many groups it encoded; out has
// moved past their characters.
size_t encodeUrlGroups(const uint8_t* input, size_t groups, char*& out, const char* outEnd);

// The portable loops alone, which the two above fall back on where the processor has no
// vector unit for them.
size_t countPlusSlashPortable(const uint8_t* input, size_t groups);
size_t encodeUrlGroupsPortable(const uint8_t* input, size_t groups, char*& out, const char* outEnd);

}  // namespace base64_kernel
