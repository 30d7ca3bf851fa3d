// The fused base64 + URL encoder has a loop per instruction set; whichever one this
// processor runs, the output must be the portable loop's, byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

// Every length up to a few hundred steps of the widest loop, at densities of "+" and "/" from
// none to all: each byte is 0xFF (four "/") with the given chance, else uniform. The loops
// start, switch between their usual and their rare way (more than four flags in a step) and
// stop at every offset.
TEST(Base64Paths, EveryLengthAtEveryDensity) {
    std::mt19937 random(1600);
    std::uniform_int_distribution<int> anyByte(0, 255), percent(0, 99);
    for (int density : {0, 3, 12, 40, 100}) {
        for (size_t n = 0; n <= 1600; ++n) {
            std::string bytes(n, '\0');
            for (char& b : bytes) {
                b = static_cast<char>(percent(random) < density ? 0xFF : anyByte(random));
            }
            expectSameOnEveryPath(
                bytes, "density " + std::to_string(density) + "%, length " + std::to_string(n));
        }
    }
}

// Inputs built sextet by sextet: clusters of 1 to 12 "+"/"/" among other characters, at any
// distance, so that every way the flags of a step can fall (all in one quarter of eight,
// spread over two steps, a step of all flags between quiet ones) comes up.
TEST(Base64Paths, ClustersOfFlaggedCharacters) {
    std::mt19937 random(48);
    std::uniform_int_distribution<int> plain(0, 61), special(62, 63), cluster(1, 12), gap(0, 90);
    for (int round = 0; round < 300; ++round) {
        std::vector<int> sextets;
        const size_t wanted = 4 * (40 + round * 7);
        while (sextets.size() < wanted) {
            for (int k = gap(random); k > 0; --k) sextets.push_back(plain(random));
            for (int k = cluster(random); k > 0; --k) sextets.push_back(special(random));
        }
        sextets.resize(wanted);
        std::string bytes;
        for (size_t k = 0; k < sextets.size(); k += 4) {
            const uint32_t group =
                sextets[k] << 18 | sextets[k + 1] << 12 | sextets[k + 2] << 6 | sextets[k + 3];
            bytes += static_cast<char>(group >> 16);
            bytes += static_cast<char>(group >> 8);
            bytes += static_cast<char>(group);
        }
        // Cut at each of three places so the tails differ too.
        for (size_t cut = 0; cut < 3; ++cut) {
            expectSameOnEveryPath(
                bytes.substr(0, bytes.size() - cut),
                "round " + std::to_string(round) + ", cut " + std::to_string(cut));
        }
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
