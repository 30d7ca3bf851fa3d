#include "text/text_tools.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string pattern;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(TextFind, MatchesOnlyAtCharacterStarts) {
    // "中" is E4 B8 AD; the pattern "\xB8\xAD" lies inside it and must not be found.
    const FindCase cases[] = {
        {"first match", "abcabc", "bc", 0, false, 2},
        {"start 1 is the beginning", "abcabc", "bc", 1, false, 2},
        {"start after the first match", "abcabc", "bc", 3, false, 5},
        {"start past the end", "abc", "c", 4, false, -1},
        {"no match", "abc", "x", 0, false, -1},
        {"case differs", "ABC", "bc", 0, false, -1},
        {"case ignored", "ABC", "bc", 0, true, 2},
        {"only ASCII folds", "\xC3\x84", "\xC3\xA4", 0, true, -1},
        {"inside a character", "\xE4\xB8\xAD", "\xB8\xAD", 0, false, -1},
        {"after a character", "\xE4\xB8\xAD|x", "|", 0, false, 4},
        {"start inside a character", "\xE4\xB8\xAD\xE4\xB8\xAD", "\xE4\xB8\xAD", 2, false, 4},
        {"empty pattern", "abc", "", 0, false, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::find(c.text, c.pattern, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(TextReplaceAll, NonOverlappingFromTheLeft) {
    struct Case {
        std::string text, pattern, replacement;
        bool ignoreCase;
        std::string expected;
    };
    const Case cases[] = {
        {"aaa", "aa", "b", false, "ba"},
        {"a|b|c", "|", "\r\n", false, "a\r\nb\r\nc"},
        {"Abc abc", "ABC", "x", true, "x x"},
        {"Abc abc", "ABC", "x", false, "Abc abc"},
        {"\xE4\xB8\xAD", "\xB8", "!", false, "\xE4\xB8\xAD"},
        {"abc", "", "x", false, "abc"},
        {"", "a", "x", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::replaceAll(c.text, c.pattern, c.replacement, c.ignoreCase), c.expected)
            << c.text << " / " << c.pattern;
    }
}

TEST(TextSplit, KeepsInnerEmptyPiecesAndDropsOneTrailing) {
    struct Case {
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a|b|c", {"a", "b", "c"}},
        {"a||c", {"a", "", "c"}},
        {"a|b|", {"a", "b"}},
        {"|", {""}},
        {"||", {"", ""}},
        {"", {}},
        {"abc", {"abc"}},
        {"Edit|Form1|1001|", {"Edit", "Form1", "1001"}},
        {"Edit|Form1|", {"Edit", "Form1"}},
        {"\xE4\xB8\xAD|\xE6\x96\x87", {"\xE4\xB8\xAD", "\xE6\x96\x87"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::split(c.text, "|"), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(text::split("a+b++c", "++"), (std::vector<std::string>{"a+b", "c"}));
}

TEST(TextTrim, RemovesOnlySpacesAndIdeographicSpaces) {
    const std::pair<std::string, std::string> cases[] = {
        {"  a b  ", "a b"},
        {"\xE3\x80\x80"
         "a"
         "\xE3\x80\x80 ",
         "a"},
        {"\ta ", "\ta"},
        {"a\r\n", "a\r\n"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(text::trim(input), expected) << '"' << input << '"';
    }
}

TEST(TextToInt, ReadsTheLeadingDecimalInteger) {
    const std::pair<std::string, int32_t> cases[] = {
        {"\xEF\xBC\x91\xEF\xBC\x92", 12},                            // "１２"
        {"\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x91", 1001},  // "１００１"
        {" -7x", -7},
        {"+15", 15},
        {"0x3E9", 0},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"\xEF\xBC\x8D"
         "3",
         -3},  // full-width minus
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(text::toInt(input), expected) << '"' << input << '"';
    }
}

TEST(TextToNumber, ReadsTheLeadingDecimalNumber) {
    const std::pair<std::string, double> cases[] = {
        {"3.91", 3.91}, {"3.10", 3.1}, {" -2.5kg", -2.5}, {"1e3", 1000.0}, {"2e", 2.0},
        {".5", 0.5},    {"abc", 0.0},  {"", 0.0},         {"+4", 4.0},     {"1,5", 1.0},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_DOUBLE_EQ(text::toNumber(input), expected) << '"' << input << '"';
    }
    EXPECT_TRUE(std::isinf(text::toNumber("1e999")));
    EXPECT_EQ(text::toNumber("1e-999"), 0.0);
}

TEST(TextFromNumbers, PlainDecimalAndThirteenSignificantDigits) {
    const std::pair<double, std::string> numbers[] = {
        {0.1, "0.1"},    {3, "3"}, {3.1, "3.1"}, {-2.5, "-2.5"}, {1.0 / 3, "0.3333333333333"},
        {1e20, "1e+20"},
    };
    for (const auto& [value, expected] : numbers) {
        EXPECT_EQ(text::fromNumber(value), expected);
    }
    EXPECT_EQ(text::fromInt(0), "0");
    EXPECT_EQ(text::fromInt(-1001), "-1001");
    EXPECT_EQ(text::fromInt(9000000000), "9000000000");
}

TEST(TextCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(text::toLowerAscii("AbC\xC3\x84"), "abc\xC3\x84");
    EXPECT_EQ(text::toUpperAscii("aBc\xC3\xA4"), "ABC\xC3\xA4");
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"Key", "kEY", true},
        {"Key", "Keys", false},
        {"\xC3\x84", "\xC3\xA4", false},
        {"", "", true},
    };
    for (const auto& [a, b, expected] : cases) {
        EXPECT_EQ(text::equalsIgnoreCase(a, b), expected) << a << " / " << b;
    }
}

TEST(TextLineBreaks, ConvertBetweenCrLfAndLf) {
    const std::pair<std::string, std::string> toLf[] = {
        {"a\r\nb\r\n", "a\nb\n"}, {"a\rb", "a\rb"}, {"a\nb", "a\nb"}};
    for (const auto& [input, expected] : toLf) {
        EXPECT_EQ(text::crlfToLf(input), expected);
    }
    const std::pair<std::string, std::string> toCrlf[] = {
        {"a\nb\n", "a\r\nb\r\n"}, {"a\r\nb", "a\r\nb"}, {"\n", "\r\n"}};
    for (const auto& [input, expected] : toCrlf) {
        EXPECT_EQ(text::lfToCrlf(input), expected);
    }
}

TEST(TextCharLength, CountsUtf8Characters) {
    const std::tuple<std::string, size_t, size_t> cases[] = {
        {"a", 0, 1},
        {"\xC3\xA4", 0, 2},
        {"\xE4\xB8\xAD", 0, 3},
        {"\xF0\x9F\x98\x80", 0, 4},
        {"\xE4\xB8", 0, 2},  // cut off by the end: the bytes left
        {"\xE4"
         "a",
         0, 1},                  // malformed
        {"\xC0\x80", 0, 1},      // overlong
        {"\xED\xA0\x80", 0, 1},  // surrogate
        {"\xFF", 0, 1},
    };
    for (const auto& [input, index, expected] : cases) {
        EXPECT_EQ(text::charLength(input, index), expected);
    }
}

TEST(TextTools, FullWidthAndHalfWidth) {
    struct Case {
        const char* name;
        std::string input;
        std::string full;
        std::string half;
    };
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87\xE8\xAF\x86\xE5\x88\xAB";  // 中文识别
    const Case cases[] = {
        {"letters, digit, space, tilde", "A1 ~", "\xEF\xBC\xA1\xEF\xBC\x91\xE3\x80\x80\xEF\xBD\x9E",
         "A1 ~"},
        {"dollar is the yuan sign", "$", "\xEF\xBF\xA5", "$"},
        {"brace", "}", "\xEF\xBD\x9D", "}"},
        {"Chinese unchanged", chinese, chinese, chinese},
        {"control characters unchanged", "\t\x7F", "\t\x7F", "\t\x7F"},
        {"Korean unchanged", "\xED\x95\x9C", "\xED\x95\x9C", "\xED\x95\x9C"},
        {"character cut off at the end", "a\xE4\xB8", "\xEF\xBD\x81", "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextTools::toFullWidth(c.input), c.full) << c.name;
        EXPECT_EQ(TextTools::toHalfWidth(c.input), c.half) << c.name;
    }

    const std::pair<std::string, std::string> toHalf[] = {
        {"\xEF\xBC\xA1\xEF\xBC\x91\xE3\x80\x80\xEF\xBD\x9E", "A1 ~"},  // Ａ１　～
        {"\xE2\x98\x85\xEF\xBF\xA5", "*$"},                            // ★￥
        {"\xE2\x98\x86", "*"},                                         // ☆
        {"\xEF\xBF\xA3", "~"},                                         // ￣
        {"\xEF\xBC\x81\xEF\xBD\x9D", "!}"},                            // ！｝
        {"\xE3\x80\x82", "\xE3\x80\x82"},                              // 。 has no half form
    };
    for (const auto& [input, expected] : toHalf) {
        EXPECT_EQ(TextTools::toHalfWidth(input), expected) << input;
    }
}

TEST(TextTools, FullWidthRoundTripsEveryPrintableAscii) {
    std::string ascii;
    for (char ch = ' '; ch <= '~'; ++ch) {
        ascii += ch;
    }
    std::string full = TextTools::toFullWidth(ascii);
    EXPECT_EQ(full.size(), ascii.size() * 3);  // every one became a three-byte character
    EXPECT_EQ(TextTools::toHalfWidth(full), ascii);
}

}  // namespace
