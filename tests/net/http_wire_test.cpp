// The HTTP client over the libcurl transport against the local test server: what the
// server records is what travelled on the wire.
#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "support/test_server.h"

namespace {

constexpr long kShortLimitSeconds = 2;
// Far below the product's limits, far above the short ones the tests set.
constexpr auto kGivesUpWithin = std::chrono::seconds(10);

std::vector<std::string> linesOf(const std::string& block) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < block.size()) {
        size_t end = std::min(block.find("\r\n", start), block.size());
        lines.push_back(block.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The recorded lines that are not part of the block sent, or a note when the block's
// lines do not arrive together and in order.
std::vector<std::string> linesBesides(const std::string& recorded, const std::string& block) {
    std::vector<std::string> lines = linesOf(recorded);
    const std::vector<std::string> sent = linesOf(block);
    auto at = std::search(lines.begin(), lines.end(), sent.begin(), sent.end());
    if (at == lines.end()) {
        return {"<the block did not arrive as sent>"};
    }
    lines.erase(at, at + static_cast<std::ptrdiff_t>(sent.size()));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class HttpWire : public ::testing::Test {
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
    }

    RecordedRequest last() {
        std::vector<RecordedRequest> all = server->requests();
        return all.empty() ? RecordedRequest() : all.back();
    }

    std::string host() const { return "Host: 127.0.0.1:" + std::to_string(server->httpPort()); }

    static inline TestServer* server = nullptr;
    CurlTransport transport{server->certificates().caFile()};
    HttpClient client{transport};
};

struct WireCase {
    int method;
    const char* path;
    const char* headers;
    const char* body;
    const char* requestLine;
    std::vector<std::string> extraLines;  // besides Host
};

TEST_F(HttpWire, RequestLineAndHeaderBlockTravelAsBuilt) {
    const std::string agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    const WireCase cases[] = {
        {0, "/plain?x=1", "", "", "GET /plain?x=1 HTTP/1.1", {agent}},
        {1, "/form", "", "a=1&b=%2B", "POST /form HTTP/1.1", {"Content-Length: 9", agent}},
        {2, "/head", "", "", "HEAD /head HTTP/1.1", {agent}},
        {2, "/head", "", "h=1", "HEAD /head HTTP/1.1", {"Content-Length: 3", agent}},
        {3,
         "/Case/./dots/../x?Q=%41&r=1#part",
         "",
         "",
         "GET /Case/./dots/../x?Q=%41&r=1#part HTTP/1.1",
         {agent}},
        {0,
         "/agent",
         "User-Agent: Ozmira-Test/1\r\nAccept: text/html",
         "",
         "GET /agent HTTP/1.1",
         {}},
        {0, "/lower", "user-agent: lower/1\r\naccept: text/plain", "", "GET /lower HTTP/1.1", {}},
        {1,
         "/typed",
         "Content-Type: application/json\r\nX-Empty:",
         "{}",
         "POST /typed HTTP/1.1",
         {"Content-Length: 2", agent}},
    };
    for (const WireCase& c : cases) {
        Text headers = c.headers;
        client.Request(server->httpUrl(c.path), c.method, c.body, nullptr, nullptr, &headers);
        const RecordedRequest request = last();
        EXPECT_EQ(request.requestLine, c.requestLine);
        std::vector<std::string> expected = c.extraLines;
        expected.push_back(host());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(linesBesides(request.headerBlock, headers), expected) << c.requestLine;
        EXPECT_EQ(request.body, c.body) << c.requestLine;
    }
}

TEST_F(HttpWire, CookiesOfTheCallerTravelAndMerge) {
    ServerReply sets;
    sets.headers = {{"set-cookie", "A=1; path=/"}, {"SET-COOKIE", "B=2"}};
    ASSERT_TRUE(server->setReply("/sets", sets));
    Text responseCookies, responseHeaders;
    client.Request(server->httpUrl("/sets"), 0, {}, nullptr, &responseCookies, nullptr,
                   &responseHeaders);
    EXPECT_EQ(responseCookies, "A=1; B=2");
    EXPECT_TRUE(responseHeaders.starts_with("HTTP/1.1 200 OK\r\n")) << responseHeaders;
    EXPECT_NE(responseHeaders.find("\r\nSet-Cookie: A=1; path=/\r\nSet-Cookie: B=2\r\n"),
              Text::npos)
        << responseHeaders;
    EXPECT_TRUE(responseHeaders.ends_with("\r\n\r\n"));

    ServerReply fresh;
    fresh.headers = {{"Set-Cookie", "b=3"}, {"Set-Cookie", "c=4; Path=/"}};
    ASSERT_TRUE(server->setReply("/fresh", fresh));
    Text jar = "a=1; b=2";
    client.Request(server->httpUrl("/fresh"), 0, {}, &jar, &responseCookies);
    EXPECT_EQ(jar, "a=1;b=3;c=4;");
    EXPECT_EQ(responseCookies, "a=1;b=3;c=4;");
    EXPECT_NE(last().headerBlock.find("\r\nCookie: a=1; b=2"), std::string::npos);

    // The store that took A and B above stays out of a request whose caller handles cookies.
    Text empty;
    client.Request(server->httpUrl("/none"), 0, {}, &empty, &responseCookies);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(responseCookies, "");
    EXPECT_EQ(last().headerBlock.find("Cookie:"), std::string::npos) << last().headerBlock;
}

TEST_F(HttpWire, AutomaticCookiesOnlyWhenTheCallerLeavesThemToTheTransport) {
    ServerReply automatic, manual;
    automatic.headers = {{"Set-Cookie", "auto=1; Path=/"}};
    manual.headers = {{"Set-Cookie", "manual=1; Path=/"}};
    ASSERT_TRUE(server->setReply("/auto", automatic));
    ASSERT_TRUE(server->setReply("/manual", manual));

    client.Request(server->httpUrl("/auto"));
    client.Request(server->httpUrl("/next"));
    EXPECT_NE(last().headerBlock.find("\r\nCookie: auto=1"), std::string::npos);

    Text jar = "m=1";
    client.Request(server->httpUrl("/manual"), 0, {}, &jar);
    EXPECT_EQ(jar, "m=1;manual=1;");
    client.Request(server->httpUrl("/after"));
    const std::string block = last().headerBlock;
    EXPECT_NE(block.find("Cookie: auto=1"), std::string::npos) << block;
    EXPECT_EQ(block.find("manual"), std::string::npos) << block;
}

struct RedirectCase {
    int status;
    int method;
    bool noRedirect;
    const char* location;
    const char* body;
    const char* secondRequest;  // nullptr: none
    const char* secondBody;
};

TEST_F(HttpWire, RedirectsFollowedUnlessSwitchedOff) {
    const RedirectCase cases[] = {
        {302, 0, false, "/to", "arrived", "GET /to HTTP/1.1", ""},
        {302, 0, true, "/to", "moved", nullptr, ""},
        {302, 1, false, "/to", "arrived", "GET /to HTTP/1.1", ""},
        {303, 1, false, "/to", "arrived", "GET /to HTTP/1.1", ""},
        {307, 1, false, "/to", "arrived", "POST /to HTTP/1.1", "k=v"},
        {301, 0, false, "to", "arrived", "GET /dir/to HTTP/1.1", ""},
    };
    ServerReply arrived;
    arrived.body = "arrived";
    ASSERT_TRUE(server->setReply("/to", arrived));
    ASSERT_TRUE(server->setReply("/dir/to", arrived));
    for (const RedirectCase& c : cases) {
        ServerReply moved;
        moved.status = c.status;
        moved.redirect = c.location;
        moved.body = "moved";
        ASSERT_TRUE(server->setReply("/dir/from", moved));
        ASSERT_TRUE(server->clearRequests());
        Text responseHeaders;
        Bytes body = client.Request(server->httpUrl("/dir/from"), c.method, "k=v", nullptr, nullptr,
                                    nullptr, &responseHeaders, c.noRedirect);
        EXPECT_EQ(body, c.body) << c.status;
        const std::string status =
            c.secondRequest ? "HTTP/1.1 200" : "HTTP/1.1 " + std::to_string(c.status);
        EXPECT_TRUE(responseHeaders.starts_with(status)) << responseHeaders;
        std::vector<RecordedRequest> requests = server->requests();
        ASSERT_EQ(requests.size(), c.secondRequest ? 2u : 1u) << c.status;
        if (c.secondRequest) {
            EXPECT_EQ(requests[1].requestLine, c.secondRequest) << c.status;
            EXPECT_EQ(requests[1].body, c.secondBody) << c.status;
        }
    }
}

TEST_F(HttpWire, ErrorStatusBodiesAreReturned) {
    ServerReply failing;
    failing.status = 500;
    failing.body = "server trouble";
    ASSERT_TRUE(server->setReply("/fails", failing));
    EXPECT_EQ(client.Request(server->httpUrl("/fails")), "server trouble");
    EXPECT_EQ(client.Request(server->httpUrl("/nothing/here")), "not found");
}

TEST_F(HttpWire, TlsTrustsOnlyTheGivenCa) {
    EXPECT_NE(client.Request(server->httpsUrl("/ozmira/update.json")).find("\"update\""),
              std::string::npos);

    for (const std::string& caFile : {server->certificates().foreignCaFile(), std::string()}) {
        CurlTransport distrusting(caFile);
        HttpClient refused(distrusting);
        Text headers = "X-Mine: 1";
        Text responseHeaders = "before";
        EXPECT_EQ(refused.Request(server->httpsUrl("/ozmira/update.json"), 0, {}, nullptr, nullptr,
                                  &headers, &responseHeaders),
                  "")
            << (caFile.empty() ? "system store" : caFile);
        EXPECT_EQ(headers, "X-Mine: 1") << "nothing was sent, nothing is written back";
        EXPECT_EQ(responseHeaders, "before");
    }
}

TEST_F(HttpWire, ServerThatNeverAnswersGivesEmptyWithinTheLimits) {
    ServerReply silent, late;
    silent.hang = true;
    late.delaySeconds = 0.5;
    late.body = "late";
    ASSERT_TRUE(server->setReply("/silent", silent));
    ASSERT_TRUE(server->setReply("/late", late));
    EXPECT_EQ(client.Request(server->httpUrl("/late")), "late") << "a slow answer is no stall";

    const auto started = std::chrono::steady_clock::now();
    Text headers;
    EXPECT_EQ(client.Request(server->httpUrl("/silent"), 0, {}, nullptr, nullptr, &headers), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, kGivesUpWithin);
    EXPECT_NE(headers, "") << "the request went out, so the block is written back";

    ASSERT_TRUE(server->setTlsStalled(true));
    const auto handshake = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Request(server->httpsUrl("/ozmira/update.json")), "");
    EXPECT_LT(std::chrono::steady_clock::now() - handshake, kGivesUpWithin);
}

TEST_F(HttpWire, SecondRequestTravelsOnTheSameConnection) {
    for (bool secure : {false, true}) {
        ASSERT_TRUE(server->clearRequests());
        auto url = [&](const char* path) {
            return secure ? server->httpsUrl(path) : server->httpUrl(path);
        };
        EXPECT_EQ(client.Request(url("/one")), "not found");
        EXPECT_EQ(client.Request(url("/two"), 1, "x=1"), "not found");
        std::vector<RecordedRequest> requests = server->requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].connection, requests[1].connection) << (secure ? "https" : "http");
        EXPECT_EQ(requests[1].listener, secure ? "https" : "http");
    }
}

TEST_F(HttpWire, NewConnectionResumesTheTlsSession) {
    ServerReply closing;
    closing.close = true;
    ASSERT_TRUE(server->setReply("/closing", closing));
    client.Request(server->httpsUrl("/closing"));
    client.Request(server->httpsUrl("/closing"));
    std::vector<RecordedRequest> requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].connection, requests[1].connection);
    EXPECT_FALSE(requests[0].tlsResumed);
    EXPECT_TRUE(requests[1].tlsResumed);
}

TEST_F(HttpWire, ProxyCarriesPlainRequestsAndTunnelsSecureOnes) {
    const std::string proxy = "127.0.0.1:" + std::to_string(server->httpPort());
    ServerReply proxied;
    proxied.body = "via proxy";
    ASSERT_TRUE(server->setReply("/p", proxied));
    // The host does not resolve: only the proxy can have answered.
    EXPECT_EQ(client.Request("http://ozmira-test.invalid/p?q=1", 0, {}, nullptr, nullptr, nullptr,
                             nullptr, false, nullptr, proxy),
              "via proxy");
    EXPECT_EQ(last().requestLine, "GET http://ozmira-test.invalid/p?q=1 HTTP/1.1");

    ASSERT_TRUE(server->clearRequests());
    EXPECT_NE(client
                  .Request(server->httpsUrl("/ozmira/update.json"), 0, {}, nullptr, nullptr,
                           nullptr, nullptr, false, nullptr, proxy)
                  .find("\"update\""),
              std::string::npos);
    std::vector<RecordedRequest> requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestLine,
              "CONNECT 127.0.0.1:" + std::to_string(server->httpsPort()) + " HTTP/1.1");
    EXPECT_EQ(requests[1].listener, "https");
    EXPECT_EQ(requests[1].requestLine, "GET /ozmira/update.json HTTP/1.1");
}

TEST_F(HttpWire, ResponseFramingsArriveWhole) {
    ServerReply chunked, bareLines;
    chunked.chunked = true;
    chunked.body = "a body in several chunks of seven bytes";
    bareLines.raw = "HTTP/1.1 200 OK\nSet-Cookie: r=1\nContent-Length: 3\n\nabc";
    ASSERT_TRUE(server->setReply("/chunked", chunked));
    ASSERT_TRUE(server->setReply("/bare", bareLines));
    EXPECT_EQ(client.Request(server->httpUrl("/chunked")), chunked.body);
    Text responseHeaders, responseCookies;
    EXPECT_EQ(client.Request(server->httpUrl("/bare"), 0, {}, nullptr, &responseCookies, nullptr,
                             &responseHeaders),
              "abc");
    EXPECT_EQ(responseHeaders, "HTTP/1.1 200 OK\r\nSet-Cookie: r=1\r\nContent-Length: 3\r\n\r\n");
    EXPECT_EQ(responseCookies, "r=1");
}

TEST_F(HttpWire, ThreadsShareTheTransport) {
    constexpr int kThreads = 4, kRounds = 5;
    for (int t = 0; t < kThreads; ++t) {
        ServerReply reply;
        reply.body = "thread " + std::to_string(t);
        ASSERT_TRUE(server->setReply("/t" + std::to_string(t), reply));
    }
    std::vector<int> right(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string url =
                    (round % 2 ? server->httpsUrl("/t") : server->httpUrl("/t")) +
                    std::to_string(t);
                right[t] += client.Request(url) == "thread " + std::to_string(t);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(right, std::vector<int>(kThreads, kRounds));
}

TEST_F(HttpWire, DefaultAnswersOfTheServiceStandIns) {
    const std::string token = client.Request(server->httpUrl(
        "/oauth/2.0/token?grant_type=client_credentials&client_id=AK&client_secret=SK"));
    EXPECT_NE(token.find("\"access_token\": \"token-AK\""), std::string::npos) << token;
    EXPECT_EQ(client.Request(server->httpUrl("/oauth/2.0/token?grant_type=client_credentials"))
                  .find("access_token"),
              std::string::npos);
    const std::string words = client.Request(server->httpsUrl("/rest/2.0/ocr/v1/accurate_basic"), 1,
                                             "access_token=T&language_type=CHN_ENG&image=QUJD");
    EXPECT_NE(words.find("\"words_result\": [{\"words\": "), std::string::npos) << words;
    const std::string card = client.Request(server->httpsUrl("/rest/2.0/ocr/v1/idcard"), 1,
                                            "access_token=T&id_card_side=back&image=QUJD");
    EXPECT_NE(card.find("\"签发机关\": {\"words\": "), std::string::npos) << card;
}

}  // namespace
