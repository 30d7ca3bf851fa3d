// The translate command over libcurl against the local test server standing in for both
// web translators: what the server records is what travelled on the wire.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/control_names.h"
#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "support/fake_form.h"
#include "support/test_server.h"
#include "translate/google_token.h"
#include "translate/translator.h"

namespace {

constexpr long kShortLimitSeconds = 3;
constexpr char kSource[] = "你好 world";
constexpr char kEncoded[] = "%E4%BD%A0%E5%A5%BD%20world";
constexpr char kGoogleFixed[] =
    "&dt=at&dt=bd&dt=ex&dt=ld&dt=md&dt=qca&dt=rw&dt=rm&dt=ss&dt=t&ie=UTF-8&oe=UTF-8&source=bh"
    "&ssel=0&tsel=0&kc=1&tk=";

std::vector<std::string> linesOf(const std::string& block) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < block.size()) {
        const size_t end = std::min(block.find("\r\n", start), block.size());
        lines.push_back(block.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> linesNamed(const std::string& block, const std::string& name) {
    std::vector<std::string> found;
    for (const std::string& line : linesOf(block))
        if (line.rfind(name + ":", 0) == 0) found.push_back(line);
    return found;
}

class TranslatorWire : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new TestServer(); }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->running()) << server->error();
        ASSERT_TRUE(server->reset());
        transport.setCaFile(server->certificates().caFile());
        transport.setTimeLimits(kShortLimitSeconds, kShortLimitSeconds);
        form.setText(ctl::编辑框_翻译, "earlier");
        clipboard.value = "clipboard";
    }

    TranslatorHosts hosts() const {
        return {"127.0.0.1:" + std::to_string(server->httpPort()),
                "127.0.0.1:" + std::to_string(server->httpsPort())};
    }

    void translate(int item, const TranslatorHosts& h) {
        form.userSelect(ctl::组合框翻译, item);
        form.userType(ctl::编辑框_源, kSource);
        form.setChecked(ctl::选择框同步剪切板, true);
        Translator(h, form, clipboard, http).Translate();
    }

    RecordedRequest onlyRequest() {
        const std::vector<RecordedRequest> all = server->requests();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? RecordedRequest() : all.back();
    }

    std::string status() { return form.statusText(ctl::状态条1, 1); }

    static inline TestServer* server = nullptr;
    CurlTransport transport;
    HttpClient http{transport};
    FakeForm form;
    FakeClipboard clipboard;
};

TEST_F(TranslatorWire, YoudaoRequestAndAnswer) {
    ServerReply reply;
    reply.body = "errorCode=0\r\nresult=Hello world";
    ASSERT_TRUE(server->setReply("/translate", reply));
    translate(0, hosts());

    const RecordedRequest r = onlyRequest();
    EXPECT_EQ(r.listener, "http");
    EXPECT_EQ(r.requestLine, std::string("GET /translate?i=") + kEncoded +
                                 "&type=AUTO&doctype=text&xmlVersion=1.1&keyfrom=360se HTTP/1.1");
    EXPECT_EQ(linesNamed(r.headerBlock, "Referer"),
              std::vector<std::string>{"Referer: http://" + hosts().youdao + "/translate"});
    EXPECT_EQ(r.body, "");
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "Hello world\r\n");
    EXPECT_EQ(clipboard.value, "Hello world\r\n");
    EXPECT_EQ(status(), "状态：翻译完毕");
}

struct GoogleWireCase {
    const char* name;
    int item;
    const char* languages;
    bool chunked;
};

TEST_F(TranslatorWire, GoogleRequestsAndAnswers) {
    const GoogleWireCase cases[] = {
        {"to english", 1, "&tl=en&hl=en", false},
        {"to chinese, chunked answer", 2, "&tl=zh-CN&hl=zh-CN", true},
    };
    for (const GoogleWireCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(server->reset());
        ServerReply reply;
        reply.headers = {{"Content-Type", "application/json; charset=UTF-8"}};
        reply.body =
            R"([[["你好",")" + std::string(kSource) + R"("],["，世界"],[null,null,"Nǐ hǎo"]]])";
        reply.chunked = c.chunked;
        ASSERT_TRUE(server->setReply("/translate_a/single", reply));
        translate(c.item, hosts());

        const RecordedRequest r = onlyRequest();
        EXPECT_EQ(r.listener, "https");
        EXPECT_EQ(r.requestLine, std::string("POST /translate_a/single?client=t&sl=auto") +
                                     c.languages + kGoogleFixed + GoogleToken::tk(kSource) +
                                     " HTTP/1.1");
        EXPECT_EQ(r.body, std::string("q=") + kEncoded);
        EXPECT_EQ(linesNamed(r.headerBlock, "Content-Type"),
                  std::vector<std::string>{"Content-Type: application/x-www-form-urlencoded"});
        EXPECT_EQ(form.text(ctl::编辑框_翻译), "你好，世界");
        EXPECT_EQ(clipboard.value, "你好，世界");
        EXPECT_EQ(status(), "状态：翻译完毕");
    }
}

struct FailureWireCase {
    const char* name;
    int item;
    int status;
    const char* body;
    bool unreachable;
};

TEST_F(TranslatorWire, FailuresLeaveTheTranslationAndClipboard) {
    const FailureWireCase cases[] = {
        {"youdao error page", 0, 503, "<html>busy</html>", false},
        {"google error page", 1, 429, "<html>too many requests</html>", false},
        {"youdao unreachable", 0, 0, "", true},
        {"google unreachable", 2, 0, "", true},
    };
    for (const FailureWireCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(server->reset());
        ServerReply reply;
        reply.status = c.status;
        reply.body = c.body;
        ASSERT_TRUE(server->setReply(c.item == 0 ? "/translate" : "/translate_a/single", reply));
        // Nothing listens on port 1 here: the connection is refused.
        const TranslatorHosts h =
            c.unreachable ? TranslatorHosts{"127.0.0.1:1", "127.0.0.1:1"} : hosts();
        translate(c.item, h);
        EXPECT_EQ(server->requests().size(), c.unreachable ? 0u : 1u);
        EXPECT_EQ(form.text(ctl::编辑框_翻译), "earlier");
        EXPECT_EQ(clipboard.value, "clipboard");
        EXPECT_EQ(status(), "状态：翻译失败");
    }
}

struct GuardWireCase {
    const char* name;
    int item;
    const char* hostTail;  // appended to the translator's host
    ServerReply reply;
    bool warm;        // an earlier exchange leaves a connection for this one to reuse
    size_t requests;  // as the server received them
};

TEST_F(TranslatorWire, NothingInjectedDowngradedOrSentTwice) {
    ServerReply answer, drop, toPlain;
    answer.body = "errorCode=0\r\nresult=Hello world";
    drop.drop = true;
    toPlain.status = 307;
    toPlain.redirect = server->httpUrl("/translate_a/single");
    const GuardWireCase cases[] = {
        {"youdao host with a line break", 0, "/\r\nX-Injected: yes", answer, false, 0},
        {"google host with a line break", 1, "/\nX-Injected: yes", answer, false, 0},
        {"google redirected to plain http", 1, "", toPlain, false, 1},
        {"youdao dropped on a reused connection", 0, "", drop, true, 1},
        {"google dropped on a reused connection", 2, "", drop, true, 1},
    };
    for (const GuardWireCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(server->reset());
        ASSERT_TRUE(server->setReply(c.item == 0 ? "/translate" : "/translate_a/single", c.reply));
        TranslatorHosts h = hosts();
        (c.item == 0 ? h.youdao : h.google) += c.hostTail;
        if (c.warm) {
            http.Request((c.item == 0 ? "http://" + h.youdao : "https://" + h.google) + "/warm");
            ASSERT_TRUE(server->clearRequests());
        }
        translate(c.item, h);
        const std::vector<RecordedRequest> received = server->requests();
        EXPECT_EQ(received.size(), c.requests);
        for (const RecordedRequest& r : received) {
            EXPECT_EQ(r.headerBlock.find("X-Injected"), std::string::npos);
            EXPECT_EQ(r.listener, c.item == 0 ? "http" : "https");
        }
        EXPECT_EQ(form.text(ctl::编辑框_翻译), "earlier");
        EXPECT_EQ(status(), "状态：翻译失败");
    }
}

}  // namespace
