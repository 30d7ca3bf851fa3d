// The fused base64 + URL encoder has a loop per instruction set; whichever one this
// processor runs, the output must be the portable loop's, byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "net/base64.h"
#include "net/base64_kernel.h"
#include "net/base64_x86.h"

namespace {

using base64_kernel::Path;

// Uniform bytes; bytes 0xF0-0xFF, where "+" and "/" are frequent; all 0xFF, where every
// sextet is "/" and the output is three times as long as plain base64.
std::string makeInput(size_t length, int kind, std::mt19937& random) {
    std::uniform_int_distribution<int> anyByte(0, 255), highByte(0xF0, 0xFF);
    std::string bytes(length, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(kind == 0 ? anyByte(random) : kind == 1 ? highByte(random) : 0xFF);
    }
    return bytes;
}

void expectSameOnEveryPath(const std::string& bytes, const std::string& what) {
    const std::string portable = Base64::EncodeUrlEncoded(bytes, Path::Portable);
    for (Path path : {Path::Ssse3, Path::Avx2}) {
        if (!base64_kernel::supported(path)) continue;
        const std::string vector = Base64::EncodeUrlEncoded(bytes, path);
        ASSERT_EQ(vector.size(), portable.size()) << what << ", path " << static_cast<int>(path);
        ASSERT_EQ(vector, portable) << what << ", path " << static_cast<int>(path);
    }
}

TEST(Base64Paths, EveryShortLength) {
    std::mt19937 random(200);
    for (int kind = 0; kind < 3; ++kind) {
        for (size_t n = 0; n <= 200; ++n) {
            expectSameOnEveryPath(makeInput(n, kind, random),
                                  "kind " + std::to_string(kind) + ", length " + std::to_string(n));
        }
    }
}

// Large inputs cut at every length of their last 128 bytes: every tail the wide loops can
// leave after they have run for a long time (their byte counters wrap every 255 steps);
// then one input of the size of a large screenshot.
TEST(Base64Paths, LargeInputsWithEveryTail) {
    std::mt19937 random(447);
    for (int kind = 0; kind < 3; ++kind) {
        const std::string bytes = makeInput(size_t{64} << 10, kind, random);
        for (size_t cut = 0; cut < 128; ++cut) {
            expectSameOnEveryPath(bytes.substr(0, bytes.size() - cut),
                                  "kind " + std::to_string(kind) + ", cut " + std::to_string(cut));
        }
        expectSameOnEveryPath(makeInput((size_t{8} << 20) + kind, kind, random),
                              "8 MiB, kind " + std::to_string(kind));
    }
}

// The comparison above holds trivially if a vector loop never runs; where the processor
// has the instructions, each loop must cover all but the last few dozen groups.
TEST(Base64Paths, VectorLoopsRunWhereSupported) {
#if defined(__x86_64__) && defined(__GNUC__)
    std::mt19937 random(2);
    const std::string bytes = makeInput(3000, 0, random);
    const auto* input = reinterpret_cast<const uint8_t*>(bytes.data());
    std::string buffer(bytes.size() * 3, '\0');
    for (Path path : {Path::Ssse3, Path::Avx2}) {
        if (!base64_kernel::supported(path)) continue;
        char* out = buffer.data();
        size_t counted = 0;
        const bool avx2 = path == Path::Avx2;
        const size_t encoded =
            avx2 ? base64_x86::encodeAvx2(input, 1000, out, buffer.data() + buffer.size())
                 : base64_x86::encodeSsse3(input, 1000, out, buffer.data() + buffer.size());
        (avx2 ? base64_x86::countAvx2 : base64_x86::countSsse3)(input, 1000, counted);
        EXPECT_GE(encoded, 960u) << static_cast<int>(path);
        EXPECT_GE(counted, 960u) << static_cast<int>(path);
    }
    EXPECT_EQ(base64_kernel::bestPath(), base64_x86::hasAvx2()    ? Path::Avx2
                                         : base64_x86::hasSsse3() ? Path::Ssse3
                                                                  : Path::Portable);
#else
    GTEST_SKIP() << "no vector loops on this processor family";
#endif
}

}  // namespace
