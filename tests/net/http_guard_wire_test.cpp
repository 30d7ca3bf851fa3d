// What a server can and cannot make the transport do, against the local test server:
// reply text never becomes request lines, no downgrade to plain HTTP, no request sent
// twice, and every exchange ends within its time and size limits.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/control_names.h"
#include "app/service_config.h"
#include "capture/ocr_client.h"
#include "json/json_document.h"
#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "platform/ini.h"
#include "support/fake_form.h"
#include "support/temp_dir.h"
#include "support/test_server.h"

namespace {

constexpr long kShortLimitSeconds = 2;
constexpr auto kTotalLimit = std::chrono::milliseconds(1500);
constexpr size_t kReplyLimit = 256 * 1024;
// Far below the product's limits, far above the short ones the tests set.
constexpr auto kGivesUpWithin = std::chrono::seconds(8);

class HttpGuard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new TestServer(); }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->running()) << server->error();
        ASSERT_TRUE(server->reset());
        transport.setTimeLimits(kShortLimitSeconds, kShortLimitSeconds);
        transport.setTotalTimeLimit(kTotalLimit);
        transport.setReplyLimit(kReplyLimit);
    }

    // Requests whose target begins with the path, and whether any carried the injected line.
    size_t received(const std::string& path, bool* injected = nullptr) {
        size_t count = 0;
        for (const RecordedRequest& r : server->requests()) {
            count += r.target.rfind(path, 0) == 0;
            if (injected && (r.headerBlock.find("X-Injected") != std::string::npos ||
                             r.requestLine.find("X-Injected") != std::string::npos))
                *injected = true;
        }
        return count;
    }

    static inline TestServer* server = nullptr;
    CurlTransport transport{server->certificates().caFile()};
    HttpClient client{transport};
};

TEST_F(HttpGuard, UpdatePageAddressWithLineBreaksIsNeverSent) {
    const std::string port = std::to_string(server->httpPort());
    const std::string pages[] = {
        server->httpUrl("/page.gif\r\nX-Injected: yes"),
        "http://127.0.0.1:" + port + "\r\nX-Injected: yes/page.gif",
        server->httpUrl("/page.gif\nX-Injected: yes"),
        server->httpUrl("/page.gif?a=\rb"),
        server->httpUrl("/page.gif?a=\x01"),
        server->httpUrl("/page.gif?a=\x7f"),
    };
    for (const std::string& page : pages) {
        ASSERT_TRUE(server->clearRequests());
        ASSERT_TRUE(server->setUpdateDocument({{"update", {{"v", "3.9"}, {"gu", page}}}}));
        JsonDocument update;
        ASSERT_TRUE(update.Parse(client.Request(server->httpUrl("/ozmira/update.json"))));
        const Text gu = update.GetText("update.gu");
        ASSERT_EQ(gu, page);
        Text headers = "X-Mine: 1";
        EXPECT_EQ(client.Request(gu, 0, {}, nullptr, nullptr, &headers), "") << page;
        EXPECT_EQ(headers, "X-Mine: 1") << "nothing was sent, nothing is written back";
        EXPECT_EQ(received("/page"), 0u) << page;
    }
    // A header value or a cookie jar with a line break is refused the same way.
    for (const char* extra :
         {"X-Mine: a\r\nX-Injected: yes\rZ", "X-Mine: a\nX-Injected: yes", "X-Mine: a\x1b"}) {
        Text headers = extra;
        EXPECT_EQ(client.Request(server->httpUrl("/page"), 0, {}, nullptr, nullptr, &headers), "");
    }
    Text jar = "a=1\nX-Injected: yes";
    EXPECT_EQ(client.Request(server->httpUrl("/page"), 0, {}, &jar), "");
    EXPECT_EQ(client.Request(server->httpUrl("/page\tname")), "");
    EXPECT_EQ(received("/page"), 0u);
    EXPECT_EQ(client.Request(server->httpUrl("/page")), "not found") << "a clean one goes out";
}

TEST_F(HttpGuard, TransportRefusesControlCharactersInEveryField) {
    auto clean = [] {
        platform::HttpWireRequest request;
        request.host = "127.0.0.1";
        request.port = server->httpPort();
        request.path = "/page";
        request.headers = "X-Mine: 1";
        return request;
    };
    std::vector<platform::HttpWireRequest> refused(5, clean());
    refused[0].path = "/page\r\nX-Injected: yes";
    refused[1].headers = "X-Mine: 1\nX-Injected: yes";
    refused[2].headers = "X-Mine: 1\r\nX-Injected: \x7f";
    refused[3].userAgent = "agent\r\nX-Injected: yes";
    refused[4].host = "127.0.0.1\r\nX-Injected: yes";
    for (size_t i = 0; i < refused.size(); ++i) {
        EXPECT_FALSE(transport.perform(refused[i]).connected) << i;
    }
    EXPECT_EQ(received("/page"), 0u);
    EXPECT_TRUE(transport.perform(clean()).ok);
}

TEST_F(HttpGuard, TokenFromAReplyNeverAddsRequestLines) {
    TempDir dir;
    AppState state{dir.path()};
    FakeForm form;
    OcrClient ocr{state, form, client};
    state.keyFilePath = dir.file("key.ini");
    state.servicePieces = ServiceConfig::defaults();
    state.servicePieces.tokenEndpoint = server->httpUrl("/oauth/2.0/token");
    state.servicePieces.apiBaseUrl = server->httpsUrl("/rest/2.0/");
    ini::write(state.keyFilePath, "k", "API Key", "AK");
    ini::write(state.keyFilePath, "k", "Secret Key", "SK");
    form.addItem(ctl::组合框key, {"k", 0});
    form.setSelectedIndex(ctl::组合框key, 0);
    ServerReply token;
    token.body = R"({"access_token":"T1\r\nX-Injected: yes","expires_in":2592000})";
    ASSERT_TRUE(server->setReply("/oauth/2.0/token", token));

    ocr.FetchToken();
    // The token step refuses such a token outright; the transport would refuse it as well
    // (TransportRefusesControlCharactersInEveryField).
    ASSERT_EQ(state.accessToken(), "");
    EXPECT_EQ(ocr.Recognize("picture", 3), "");
    EXPECT_EQ(ocr.Recognize("picture", 1), "");
    bool injected = false;
    EXPECT_EQ(received("/rest/2.0/ocr/v1/handwriting", &injected), 0u);
    EXPECT_FALSE(injected);
    EXPECT_EQ(received("/rest/2.0/ocr/v1/accurate_basic", &injected), 0u);
    EXPECT_FALSE(injected);
}

struct DowngradeCase {
    int status;
    int method;
    bool toPlain;
};

TEST_F(HttpGuard, SecureRequestNeverRedirectsToPlainHttp) {
    ServerReply arrived;
    arrived.body = "arrived";
    ASSERT_TRUE(server->setReply("/to", arrived));
    const DowngradeCase cases[] = {{301, 0, true}, {302, 1, true}, {303, 1, true},
                                   {307, 1, true}, {308, 1, true}, {307, 1, false}};
    for (const DowngradeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + (c.toPlain ? " to http" : " to https"));
        ServerReply moved;
        moved.status = c.status;
        moved.redirect = c.toPlain ? server->httpUrl("/to") : server->httpsUrl("/to");
        ASSERT_TRUE(server->setReply("/from", moved));
        ASSERT_TRUE(server->clearRequests());
        EXPECT_EQ(client.Request(server->httpsUrl("/from"), c.method, "text=secret"),
                  c.toPlain ? "" : "arrived");
        EXPECT_EQ(received("/to"), c.toPlain ? 0u : 1u);
    }
    // Upwards is fine: a plain request may be sent on to https.
    ServerReply up;
    up.status = 302;
    up.redirect = server->httpsUrl("/to");
    ASSERT_TRUE(server->setReply("/up", up));
    EXPECT_EQ(client.Request(server->httpUrl("/up")), "arrived");
}

struct ResendCase {
    int method;
    bool secure;
};

TEST_F(HttpGuard, RequestGoesOnTheWireAtMostOnce) {
    ServerReply drop;
    drop.drop = true;
    ASSERT_TRUE(server->setReply("/drop", drop));
    for (const ResendCase& c : {ResendCase{0, false}, ResendCase{1, false}, ResendCase{1, true}}) {
        SCOPED_TRACE(std::to_string(c.method) + (c.secure ? " https" : " http"));
        auto url = [&](const char* path) {
            return c.secure ? server->httpsUrl(path) : server->httpUrl(path);
        };
        ASSERT_TRUE(server->clearRequests());
        // The first exchange leaves a warm connection, which the second one reuses.
        EXPECT_EQ(client.Request(url("/warm")), "not found");
        EXPECT_EQ(client.Request(url("/drop"), c.method, "image=abc"), "");
        EXPECT_EQ(received("/drop"), 1u);
        EXPECT_EQ(client.Request(url("/after")), "not found") << "the next one goes out again";
    }
}

TEST_F(HttpGuard, RepliesEndWithinTheirTimeAndSizeLimits) {
    ServerReply trickle, endless, large, atLimit;
    trickle.body = std::string(40, 't');
    trickle.trickle = 0.25;
    endless.endless = true;
    large.body = std::string(kReplyLimit + 1, 'l');
    atLimit.body = std::string(kReplyLimit / 2, 'a');
    ASSERT_TRUE(server->setReply("/trickle", trickle));
    ASSERT_TRUE(server->setReply("/endless", endless));
    ASSERT_TRUE(server->setReply("/large", large));
    ASSERT_TRUE(server->setReply("/fits", atLimit));
    for (const char* path : {"/trickle", "/endless", "/large"}) {
        for (bool secure : {false, true}) {
            const auto started = std::chrono::steady_clock::now();
            EXPECT_EQ(client.Request(secure ? server->httpsUrl(path) : server->httpUrl(path)), "")
                << path;
            EXPECT_LT(std::chrono::steady_clock::now() - started, kGivesUpWithin) << path;
        }
    }
    EXPECT_EQ(client.Request(server->httpUrl("/fits")), atLimit.body);
    // The update page's picture may be larger than any other reply.
    HttpClient pages(transport, 2 * kReplyLimit);
    EXPECT_EQ(pages.Request(server->httpUrl("/large")), large.body);
}

}  // namespace
