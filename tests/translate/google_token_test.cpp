// The native token routine against the same routine run by a JavaScript engine (node):
// every text and key must give the very same token.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include "support/temp_dir.h"
#include "translate/google_token.h"

namespace {

struct TokenCase {
    const char* name;
    std::string text;  // what the program holds (UTF-8; generalized UTF-8 for a lone surrogate)
    // The same text as a JSON string literal for the script, where it cannot be written
    // as UTF-8 (lone surrogates, bytes that decode to U+FFFD); empty: the text itself.
    std::string scriptLiteral;
};

std::string longText() {
    const std::string pieces[] = {"Ozmira ", "识别文字", "😀", "Übersetzung ", "\r\n", "12345",
                                  "한국어",  "👍🏽", "؟", "ｆｕｌｌ"};
    std::string text;
    for (int i = 0; text.size() < 20000; ++i) text += pieces[(i * 7) % 10];
    return text;
}

const std::vector<TokenCase>& cases() {
    static const std::vector<TokenCase> all = {
        {"empty", "", ""},
        {"ascii word", "hello", ""},
        {"ascii sentence", "The quick brown fox jumps over the lazy dog.", ""},
        {"digits and symbols", "0123456789 ~!@#$%^&*()_+{}|:\"<>?", ""},
        {"line breaks", "first line\r\nsecond line\r\n", ""},
        {"two-byte letters", "Übersetzung Привет ñandú", ""},
        {"chinese", "你好，世界！这是一段需要翻译的文字。", ""},
        {"emoji", "😀", ""},
        {"emoji between letters", "a😀b👍🏽c", ""},
        {"last BMP character", "\xEF\xBF\xBF", ""},
        {"last code point", "\xF4\x8F\xBF\xBF", ""},
        {"lone high surrogate",
         "a\xED\xA0\x80"
         "b",
         R"("a\ud800b")"},
        {"lone low surrogate", "\xED\xB0\x80x", R"("\udc00x")"},
        {"high surrogate at the end", "x\xED\xA0\x80", R"("x\ud800")"},
        {"pair written as two surrogates", "\xED\xA0\xBD\xED\xB8\x80", R"("\ud83d\ude00")"},
        {"low before high", "\xED\xB8\x80\xED\xA0\xBD", R"("\ude00\ud83d")"},
        {"malformed byte",
         "a\xFF"
         "b",
         R"("a\ufffdb")"},
        {"cut-off sequence", "\xE4\xBD", R"("\ufffd\ufffd")"},
        {"long text", longText(), ""},
    };
    return all;
}

std::string literalOf(const TokenCase& c) {
    return c.scriptLiteral.empty() ? nlohmann::json(c.text).dump() : c.scriptLiteral;
}

// Runs the script on the texts under the key (empty: the script's own) and returns its
// tokens; a failure to run it fails the test.
std::vector<std::string> scriptTokens(const std::vector<TokenCase>& texts, const std::string& tkk) {
    std::string input = "{\"texts\":[";
    for (size_t i = 0; i < texts.size(); ++i) input += (i ? "," : "") + literalOf(texts[i]);
    input += "]";
    if (!tkk.empty()) input += ",\"tkk\":" + nlohmann::json(tkk).dump();
    input += "}";
    TempDir dir;
    dir.write("input.json", input);
    const std::string command = "node '" OZMIRA_SOURCE_DIR "/tests/support/google_token.js' < '" +
                                dir.file("input.json") + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot start node";
        return {};
    }
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "node failed (the tests need the nodejs package): " << output;
        return {};
    }
    const nlohmann::json tokens = nlohmann::json::parse(output, nullptr, false);
    if (!tokens.is_array()) {
        ADD_FAILURE() << "node gave no token list: " << output;
        return {};
    }
    return tokens.get<std::vector<std::string>>();
}

void expectSameTokens(const std::string& tkk) {
    const std::vector<TokenCase>& all = cases();
    const std::vector<std::string> expected = scriptTokens(all, tkk);
    ASSERT_EQ(expected.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        const std::string native =
            tkk.empty() ? GoogleToken::tk(all[i].text) : GoogleToken::tk(all[i].text, tkk);
        EXPECT_EQ(native, expected[i]) << all[i].name << " under key \"" << tkk << "\"";
    }
}

TEST(GoogleToken, AgreesWithTheScriptUnderTheProgramsKey) {
    expectSameTokens("");
}

TEST(GoogleToken, AgreesWithTheScriptUnderOtherKeys) {
    const std::string keys[] = {
        GoogleToken::tkk(),   // the same key, passed in
        "0.0",                // everything starts from zero
        "123456",             // no second part
        "abc.def",            // parts that are not numbers count as 0
        "999999.4294967295",  // a second part that wraps to -1 in 32 bits
        "1.2147483648",       // exactly 2^31
        "654321.12345",
    };
    for (const std::string& key : keys) expectSameTokens(key);
}

TEST(GoogleToken, KeyIsASixDigitNumberDotSumOfTheOtherTwo) {
    const std::string key = GoogleToken::tkk();
    const size_t dot = key.find('.');
    ASSERT_EQ(dot, 6u) << key;
    EXPECT_EQ(key.find_first_not_of("0123456789", 0), dot) << key;
    EXPECT_EQ(key.find_first_not_of("0123456789", dot + 1), std::string::npos) << key;
    EXPECT_NE(key[0], '0') << key;
}

}  // namespace
