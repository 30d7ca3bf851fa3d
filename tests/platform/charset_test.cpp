#include "platform/charset.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::string utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

TEST(Charset, DecodesCodePage936AndGb18030) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"ab\r\n", "ab\r\n"},
        {"\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},  // 中文
        {"\x80", "\xE2\x82\xAC"},                          // the euro sign of Microsoft's 936
        {"\xA3\xA4", "\xEF\xBF\xA5"},                      // ￥
        {"\xA1\xAB", "\xEF\xBD\x9E"},                      // ～
        {"\x83\x36\x84\x33", "\xED\x95\x9C"},              // 한, four-byte form
        {"\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"},          // an emoji, four-byte form
        {"\xAA\xA1", "\xEE\x80\x80"},                      // user-defined area, U+E000
        {"a\xFF"
         "b",
         "a?b"},
        {"\xD6", "?"},
        {"\xD6\x0A", "?\n"},      // a line end is never a trail byte
        {"\x81\x30\x81", "?0?"},  // a cut-off four-byte form
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(charset::cp936ToUtf8(bytes), expected) << expected;
    }
}

TEST(Charset, EncodesCodePage936WithOrWithoutGb18030) {
    struct Case {
        std::string utf8;
        std::string withFallback, without;
    };
    const Case cases[] = {
        {"", "", ""},
        {"a=1", "a=1", "a=1"},
        {"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
        {"\xE2\x82\xAC", "\x80", "\x80"},
        {"\xED\x95\x9C", "\x83\x36\x84\x33", "?"},
        {"\xF0\x9F\x98\x80", "\x94\x39\xFC\x36", "?"},
        {"a\xFF"
         "b",
         "a?b", "a?b"},
        {"\xE4\xB8", "?", "?"},
        {"\xC0\xAF", "??", "??"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(charset::utf8ToCp936(c.utf8, true), c.withFallback) << c.utf8;
        EXPECT_EQ(charset::utf8ToCp936(c.utf8, false), c.without) << c.utf8;
    }
}

TEST(Charset, EveryCharacterSurvivesTheRoundTrip) {
    // Every code point outside the private use area, as one text, comes back whole.
    std::string all;
    for (char32_t cp = 1; cp < 0x110000; ++cp) {
        if ((cp < 0xD800 || cp > 0xDFFF) && (cp < 0xE000 || cp > 0xF8FF)) {
            all += utf8Of(cp);
        }
    }
    std::string bytes = charset::utf8ToCp936(all, true);
    EXPECT_EQ(bytes.find('?'), all.find('?')) << "only the question mark itself is a \"?\"";
    EXPECT_TRUE(charset::cp936ToUtf8(bytes) == all);

    // In the private use area a few code points have no form in either encoding; they
    // become "?", all others come back.
    for (char32_t cp = 0xE000; cp <= 0xF8FF; ++cp) {
        std::string bytes = charset::utf8ToCp936(utf8Of(cp), true);
        if (bytes != "?") {
            EXPECT_EQ(charset::cp936ToUtf8(bytes), utf8Of(cp))
                << std::hex << static_cast<uint32_t>(cp);
        }
    }
}

TEST(Charset, RecognizesUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain", true},
        {"\xE4\xB8\xAD\xF0\x9F\x98\x80\xC3\xA4", true},
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
        {"\xC0\x80", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xE4\xB8", false},          // cut off
        {"\xD6\xD0", false},          // code page 936
        {"abcdefgh\x80", false},      // after a run of ASCII
    };
    for (const auto& [bytes, valid] : cases) {
        EXPECT_EQ(charset::isValidUtf8(bytes), valid) << bytes;
    }
    EXPECT_TRUE(charset::isAscii("a\x7F"));
    EXPECT_FALSE(charset::isAscii("a\x80"));
}

TEST(Charset, SanitizesUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"ok \xE4\xB8\xAD", "ok \xE4\xB8\xAD"},
        {"\xD6\xD0", "??"},
        {"\xE4\xB8"
         "a",
         "?a"},
        {"\xF0\x9F\x98", "?"},
        {"\xED\xA0\x80", "???"},
        {"\xFF\xFE", "??"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(charset::sanitizeUtf8(bytes), expected) << bytes;
    }
}

TEST(Charset, ThreadsConvertIndependently) {
    const std::string text = "\xE4\xB8\xAD\xE6\x96\x87 \xED\x95\x9C abc";
    const std::string bytes = charset::utf8ToCp936(text, true);
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                failures[t] += charset::utf8ToCp936(text, true) != bytes;
                failures[t] += charset::cp936ToUtf8(bytes) != text;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
