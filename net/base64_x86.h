#pragma once
// The vector loops of the fused base64 + URL encoder on x86-64, each compiled for its own
// instruction set and called only where the processor reports that set, so the program
// still runs on any x86-64. Used by base64_kernel.cpp only; the meaning of the arguments
// and results is that of its encodeUrlGroups and countPlusSlash.
#include <cstddef>
#include <cstdint>

namespace base64_x86 {

bool hasSsse3();
bool hasAvx2();  // with BMI1, BMI2 and POPCNT, which the AVX2 loops also use

// Count over whole groups from the start while a step may read past its own bytes; done
// says how many groups they covered.
size_t countSsse3(const uint8_t* input, size_t groups, size_t& done);
size_t countAvx2(const uint8_t* input, size_t groups, size_t& done);  // base64_avx2.cpp

size_t encodeSsse3(const uint8_t* input, size_t groups, char*& out, const char* outEnd);
size_t encodeAvx2(const uint8_t* input, size_t groups, char*& out, const char* outEnd);

}  // namespace base64_x86
