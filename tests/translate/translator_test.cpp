// The translate command on the fake window and a scripted transport: what each translator
// is asked, what its answer turns into, and what stays untouched when a translation fails.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/control_names.h"
#include "net/http_client.h"
#include "support/fake_form.h"
#include "support/scripted_transport.h"
#include "translate/google_token.h"
#include "translate/translator.h"

namespace {

constexpr char kYoudaoHost[] = "fanyi.test";
constexpr char kGoogleHost[] = "translate.test";
constexpr char kYoudaoPath[] = "fanyi.test/translate";
constexpr char kGooglePath[] = "translate.test/translate_a/single";
constexpr char kGoogleFixed[] =
    "&dt=at&dt=bd&dt=ex&dt=ld&dt=md&dt=qca&dt=rw&dt=rm&dt=ss&dt=t&ie=UTF-8&oe=UTF-8&source=bh"
    "&ssel=0&tsel=0&kc=1&tk=";

constexpr char kEarlierTranslation[] = "an earlier translation";
constexpr char kUsersClipboard[] = "the user's clipboard";

std::vector<std::string> headerLines(const std::string& block) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= block.size()) {
        const size_t end = std::min(block.find("\r\n", start), block.size());
        lines.push_back(block.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

int linesStartingWith(const std::string& block, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : headerLines(block)) n += line.rfind(prefix, 0) == 0;
    return n;
}

class TranslatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.setText(ctl::编辑框_翻译, kEarlierTranslation);
        clipboard.value = kUsersClipboard;
    }

    // What a user does before clicking the button.
    void prepare(int item, const std::string& source, bool syncClipboard) {
        form.userSelect(ctl::组合框翻译, item);
        form.userType(ctl::编辑框_源, source);
        form.setChecked(ctl::选择框同步剪切板, syncClipboard);
    }

    std::string status() { return form.statusText(ctl::状态条1, 1); }

    FakeForm form;
    FakeClipboard clipboard;
    ScriptedTransport transport;
    HttpClient http{transport};
    Translator translator{TranslatorHosts{kYoudaoHost, kGoogleHost}, form, clipboard, http};
};

struct RequestCase {
    const char* name;
    int item;
    const char* verb;
    bool secure;
    const char* host;
    int port;
    std::string path;
    const char* body;
};

TEST_F(TranslatorTest, EachItemSendsItsTranslatorsRequest) {
    const std::string text = "你好 world";
    const std::string encoded = "%E4%BD%A0%E5%A5%BD%20world";
    const std::string googleStart = "/translate_a/single?client=t&sl=auto";
    const RequestCase cases[] = {
        {"youdao", 0, "GET", false, kYoudaoHost, 80,
         "/translate?i=" + encoded + "&type=AUTO&doctype=text&xmlVersion=1.1&keyfrom=360se", ""},
        {"google to english", 1, "POST", true, kGoogleHost, 443,
         googleStart + "&tl=en&hl=en" + kGoogleFixed + GoogleToken::tk(text),
         "q=%E4%BD%A0%E5%A5%BD%20world"},
        {"google to chinese", 2, "POST", true, kGoogleHost, 443,
         googleStart + "&tl=zh-CN&hl=zh-CN" + kGoogleFixed + GoogleToken::tk(text),
         "q=%E4%BD%A0%E5%A5%BD%20world"},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransport fresh;
        HttpClient client(fresh);
        Translator t(TranslatorHosts{kYoudaoHost, kGoogleHost}, form, clipboard, client);
        prepare(c.item, text, false);
        t.Translate();
        ASSERT_EQ(fresh.requests().size(), 1u);
        const platform::HttpWireRequest r = fresh.last();
        EXPECT_EQ(r.verb, c.verb);
        EXPECT_EQ(r.secure, c.secure);
        EXPECT_EQ(r.host, c.host);
        EXPECT_EQ(r.port, c.port);
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(r.body, c.body);
        EXPECT_EQ(linesStartingWith(r.headers, "Referer:"), 1) << r.headers;
        EXPECT_EQ(linesStartingWith(r.headers, "Content-Type: application/x-www-form-urlencoded"),
                  1)
            << r.headers;
    }
}

TEST_F(TranslatorTest, YoudaoNamesItsOwnPageAsReferrer) {
    prepare(0, "hello", false);
    translator.Translate();
    const std::vector<std::string> lines = headerLines(transport.last().headers);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Referer: http://fanyi.test/translate");
}

TEST_F(TranslatorTest, OnlyTheSelectionIsTranslatedWhenThereIsOne) {
    const struct {
        int item;
        std::string expectedPathPart;
        std::string expectedBody;
    } cases[] = {
        {0, "/translate?i=second%20part&", ""},
        {1, GoogleToken::tk("second part"), "q=second%20part"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        ScriptedTransport fresh;
        HttpClient client(fresh);
        Translator t(TranslatorHosts{kYoudaoHost, kGoogleHost}, form, clipboard, client);
        prepare(c.item, "first part\r\nsecond part", false);
        form.setSelection(ctl::编辑框_源, "second part");
        t.Translate();
        ASSERT_EQ(fresh.requests().size(), 1u);
        EXPECT_NE(fresh.last().path.find(c.expectedPathPart), std::string::npos)
            << fresh.last().path;
        EXPECT_EQ(fresh.last().body, c.expectedBody);
        EXPECT_EQ(clipboard.value, kUsersClipboard);
        EXPECT_EQ(clipboard.writes, 0);
    }
}

struct AnswerCase {
    const char* name;
    int item;
    const char* path;
    std::string answer;
    bool syncClipboard;
    std::string translation;  // in 编辑框_翻译 afterwards
    std::string clipboard;
};

TEST_F(TranslatorTest, AnswersBecomeTheTranslation) {
    const std::string threePieces =
        R"([[["Hello",  "你好",null,null,1],[" world","世界",null,null,1],[null,null,"Nǐ hǎo"]],)"
        R"(null,"zh-CN"])";
    const AnswerCase cases[] = {
        {"youdao, text after the last marker", 0, kYoudaoPath,
         "errorCode=0\r\nresult=first\r\nresult=second", false, "second\r\n", kUsersClipboard},
        {"youdao, marker at the end", 0, kYoudaoPath, "errorCode=0\r\nresult=", false, "\r\n",
         kUsersClipboard},
        {"youdao, synchronized clipboard", 0, kYoudaoPath, "result=你好", true, "你好\r\n",
         "你好\r\n"},
        {"google, pieces joined, null adds nothing", 1, kGooglePath, threePieces, false,
         "Hello world", kUsersClipboard},
        {"google to chinese, synchronized clipboard", 2, kGooglePath,
         R"([[["你好","Hello"],["世界"," world"]]])", true, "你好世界", "你好世界"},
        {"google, a number as piece", 1, kGooglePath, R"([[[42,"x"]]])", false, "42",
         kUsersClipboard},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        transport.reply(c.path, c.answer);
        prepare(c.item, "text", c.syncClipboard);
        translator.Translate();
        EXPECT_EQ(form.text(ctl::编辑框_翻译), c.translation);
        EXPECT_EQ(clipboard.value, c.clipboard);
        EXPECT_EQ(status(), "状态：翻译完毕");
    }
}

struct FailureCase {
    const char* name;
    int item;
    const char* path;
    const char* answer;  // nullptr: the server cannot be reached
};

TEST_F(TranslatorTest, FailedTranslationsLeaveEverythingAsItWas) {
    const FailureCase cases[] = {
        {"youdao unreachable", 0, kYoudaoPath, nullptr},
        {"youdao answer without marker", 0, kYoudaoPath, "errorCode=50"},
        {"youdao empty answer", 0, kYoudaoPath, ""},
        {"google unreachable", 1, kGooglePath, nullptr},
        {"google answer not json", 1, kGooglePath, "<html>rate limited</html>"},
        {"google json object", 2, kGooglePath, R"({"error":403})"},
        {"google empty array", 1, kGooglePath, "[]"},
        {"google empty first array", 1, kGooglePath, "[[],null,\"en\"]"},
        {"google first element a string", 2, kGooglePath, R"(["Hello"])"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransport fresh;
        if (c.answer) fresh.reply(c.path, c.answer);
        HttpClient client(fresh);
        Translator t(TranslatorHosts{kYoudaoHost, kGoogleHost}, form, clipboard, client);
        prepare(c.item, "text", true);
        t.Translate();
        EXPECT_EQ(fresh.requests().size(), 1u);
        EXPECT_EQ(form.text(ctl::编辑框_翻译), kEarlierTranslation);
        EXPECT_EQ(clipboard.value, kUsersClipboard);
        EXPECT_EQ(clipboard.writes, 0);
        EXPECT_EQ(status(), "状态：翻译失败");
    }
}

struct NothingCase {
    const char* name;
    int item;
    std::string source;
    std::string status;
};

TEST_F(TranslatorTest, NothingIsSentWithoutSourceOrTranslator) {
    const NothingCase cases[] = {
        {"empty source, youdao", 0, "", "状态：翻译中……"},
        {"empty source, google", 1, "", "状态：翻译中……"},
        {"no translator chosen", -1, "text", "状态：翻译完毕"},
    };
    transport.reply(kYoudaoPath, "result=x");
    transport.reply(kGooglePath, R"([[["x"]]])");
    for (const NothingCase& c : cases) {
        SCOPED_TRACE(c.name);
        prepare(c.item, c.source, true);
        translator.Translate();
        EXPECT_TRUE(transport.requests().empty());
        EXPECT_EQ(form.text(ctl::编辑框_翻译), kEarlierTranslation);
        EXPECT_EQ(clipboard.writes, 0);
        EXPECT_EQ(status(), c.status);
    }
}

TEST(TextAfterLast, TakesEverythingAfterTheLastMarker) {
    const struct {
        std::string text, marker, expected;
    } cases[] = {
        {"a=1&b=2", "=", "2"},       {"result=一result=二", "result=", "二"},
        {"result=", "result=", ""},  {"no marker", "result=", ""},
        {"Result=x", "result=", ""},  // exact case
        {"", "result=", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TextAfterLast(c.text, c.marker), c.expected) << c.text;
}

}  // namespace
