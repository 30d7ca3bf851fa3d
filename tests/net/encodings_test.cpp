#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "net/base64.h"
#include "net/base64_kernel.h"
#include "net/text_encoding.h"
#include "net/url_encode.h"

namespace {

TEST(Base64Encode, StandardAlphabetWithPadding) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0\0\0", 3), "AAAA"},
        {"\xFB\xFF\xBF", "+/+/"},
        {"\xFF", "/w=="},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Base64::Encode(input), expected) << expected;
    }
}

TEST(Base64Encode, NoLineBreaksInLongOutput) {
    const std::pair<size_t, size_t> lengths[] = {{57, 76}, {58, 80}, {3000, 4000}};
    for (const auto& [inputLength, outputLength] : lengths) {
        std::string encoded = Base64::Encode(std::string(inputLength, 'x'));
        EXPECT_EQ(encoded.size(), outputLength);
        EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(UrlEncodeTest, EscapesAllButSafeBytes) {
    struct Case {
        std::string text;
        bool keepSafe;
        bool toUtf8;
        std::string expected;
    };
    const Case cases[] = {
        {"", true, true, ""},
        {"a b+c/d", true, true, "a%20b%2Bc%2Fd"},
        {"-._~*=", true, true, "-.%5F%7E%2A%3D"},
        {"AZaz09", true, true, "AZaz09"},
        {"\xE4\xB8\xAD", true, true, "%E4%B8%AD"},  // 中 as UTF-8
        {"\xE4\xB8\xAD", true, false, "%D6%D0"},    // 中 in code page 936
        {"\xED\x95\x9C", true, false, "%3F"},       // 한 has no code page 936 form
        {"a-", false, true, "%61%2D"},
        {"\x01\n", true, true, "%01%0A"},
        {"\xF0\x9F\x98\x80", true, true, "%F0%9F%98%80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlEncode(c.text, c.keepSafe, c.toUtf8), c.expected) << c.expected;
    }
}

TEST(GbkToUtf8Test, DecodesCodePage936) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"\xA3\xA4", "\xEF\xBF\xA5"},                      // ￥
        {"\x81\x30\x81\x30", "\xC2\x80"},                  // GB18030 four-byte form
        {"\x83\x36\x84\x33", "\xED\x95\x9C"},              // 한
        {std::string("ab\0\xD6\xD0", 5), "ab"},            // ends at the zero byte
        {"a\xFF"
         "b",
         "a?b"},
        {"\xD6", "?"},  // lead byte without a partner
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(GbkToUtf8(input), expected) << expected;
    }
}

TEST(Utf8ToGbkTest, KeepsEveryCharacterAndReplacesMalformedBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"{\"a\":1}", "{\"a\":1}"},
        {"\xE4\xB8\xAD", "\xE4\xB8\xAD"},
        {"\xED\x95\x9C\xEA\xB5\xAD", "\xED\x95\x9C\xEA\xB5\xAD"},  // 한국: Korean survives
        {"Gr\xC3\xB6\xC3\x9F"
         "e",
         "Gr\xC3\xB6\xC3\x9F"
         "e"},  // Größe
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "\xC5\x81\xC3\xB3"
         "d\xC5\xBA"},                                   // Łódź
        {"ok \xF0\x9F\x98\x80", "ok \xF0\x9F\x98\x80"},  // emoji kept
        {"a\xFF"
         "b",
         "a?b"},
        {"a\xE4\xB8", "a?"},  // a cut-off character is one "?"
        {"\xE4\xB8"
         "b",
         "?b"},
        {"\xC0\x80", "??"},       // overlong form
        {"\xED\xA0\x80", "???"},  // surrogate
        {std::string("x\0y", 3), "x"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Utf8ToGbk(input), expected) << expected;
    }
}

TEST(Base64EncodeUrlEncoded, EqualsEncodeThenUrlEncode) {
    std::mt19937 random(936);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) {
        lengths.push_back(n);
    }
    for (size_t n : {127, 255, 256, 1000, 4095, 4096, 4097, 65537, 300001}) {
        lengths.push_back(n);
    }
    // Uniform bytes, then bytes biased so that "+" and "/" (sextets 62 and 63) are common,
    // then all-0xFF bytes: every sextet is "/" and the output is three times as long.
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> highByte(0xF0, 0xFF);
    for (int kind = 0; kind < 3; ++kind) {
        for (size_t n : lengths) {
            std::string bytes(n, '\0');
            for (char& b : bytes) {
                b = static_cast<char>(kind == 0   ? anyByte(random)
                                      : kind == 1 ? highByte(random)
                                                  : 0xFF);
            }
            std::string expected = UrlEncode(Base64::Encode(bytes), true, true);
            std::string fused = Base64::EncodeUrlEncoded(bytes);
            ASSERT_EQ(fused.size(), expected.size()) << "kind " << kind << ", length " << n;
            ASSERT_EQ(fused, expected) << "kind " << kind << ", length " << n;
        }
    }
}

TEST(Base64EncodeUrlEncoded, KnownForms) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a", "YQ%3D%3D"},
        {"ab", "YWI%3D"},
        {"\xFB\xFF\xBF", "%2B%2F%2B%2F"},
        {"\xFF", "%2Fw%3D%3D"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Base64::EncodeUrlEncoded(input), expected);
    }
}

// The vector loops run wherever the processor has them, so the portable loops that
// other processors use are checked on their own: whatever prefix of whole groups they
// encode must match the fused encoder on that prefix.
TEST(Base64EncodeUrlEncoded, PortableLoopsMatch) {
    std::mt19937 random(65001);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (size_t groups : {0, 1, 2, 3, 5, 8, 33, 1000}) {
        std::string bytes(groups * 3, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(anyByte(random));
        }
        const auto* input = reinterpret_cast<const uint8_t*>(bytes.data());
        std::string plain = Base64::Encode(bytes);
        size_t plusSlash = std::count(plain.begin(), plain.end(), '+') +
                           std::count(plain.begin(), plain.end(), '/');
        EXPECT_EQ(base64_kernel::countPlusSlashPortable(input, groups), plusSlash) << groups;
        EXPECT_EQ(base64_kernel::countPlusSlash(input, groups, base64_kernel::bestPath()), plusSlash)
            << groups;

        std::string buffer(groups * 12 + 64, '\0');
        char* out = buffer.data();
        size_t done = base64_kernel::encodeUrlGroupsPortable(input, groups, out,
                                                             buffer.data() + buffer.size());
        EXPECT_GE(done + 3, groups) << "the portable loop stops only near the end";
        EXPECT_EQ(std::string(buffer.data(), out),
                  Base64::EncodeUrlEncoded(bytes.substr(0, done * 3)))
            << groups;
    }
}

}  // namespace
