#include "net/http_client.h"

#include <gtest/gtest.h>

#include "support/fake_http_transport.h"

namespace {

const Text kUrl = "http://srv.example/ocr?x=1";
const Text kDefaults =
    "Accept: */*\r\nReferer: http://srv.example/ocr?x=1\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";
const Text kOkHeaders = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n";

class HttpClientRules : public ::testing::Test {
protected:
    HttpClientRules() { transport.script(FakeHttpTransport::answer(kOkHeaders, "ok")); }

    const platform::HttpWireRequest& sent() { return transport.requests.back(); }

    FakeHttpTransport transport;
    HttpClient client{transport};
};

TEST_F(HttpClientRules, DefaultHeaderBlock) {
    EXPECT_EQ(client.Request(kUrl), "ok");
    ASSERT_EQ(transport.requests.size(), 1u);
    EXPECT_EQ(sent().headers, kDefaults);
    EXPECT_EQ(sent().userAgent, HttpClient::kDefaultUserAgent);
    EXPECT_TRUE(sent().automaticCookies);
    EXPECT_TRUE(sent().followRedirects);
    EXPECT_EQ(sent().proxy, "");
}

struct BlockCase {
    const char* headers;
    const char* cookies;  // nullptr: omitted
    Text block;
};

TEST_F(HttpClientRules, CallerLinesReplaceDefaultsByExactName) {
    const BlockCase cases[] = {
        {"", nullptr, kDefaults},
        {"Referer: http://from/", nullptr,
         "Referer: http://from/\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded"},
        {"referer: http://from/", nullptr,
         "referer: http://from/\r\nAccept: */*\r\nReferer: http://srv.example/ocr?x=1\r\n"
         "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
        {"Accept: text/html\r\nContent-Type: application/json", nullptr,
         "Accept: text/html\r\nContent-Type: application/json\r\n"
         "Referer: http://srv.example/ocr?x=1\r\nAccept-Language: zh-cn"},
        // A name anywhere in the block counts, even inside another line's value.
        {"X-Note: no Accept-Language: here", nullptr,
         "X-Note: no Accept-Language: here\r\nAccept: */*\r\n"
         "Referer: http://srv.example/ocr?x=1\r\nContent-Type: application/x-www-form-urlencoded"},
        {"", "a=1;b=2", kDefaults + "\r\nCookie: a=1;b=2"},
        {"", "Cookie: a=1", kDefaults + "\r\nCookie: a=1"},
        {"", "", kDefaults},
    };
    for (const BlockCase& c : cases) {
        Text headers = c.headers;
        Text cookies = c.cookies ? c.cookies : "";
        client.Request(kUrl, 0, {}, c.cookies ? &cookies : nullptr, nullptr, &headers);
        EXPECT_EQ(sent().headers, c.block) << c.headers << " / " << (c.cookies ? c.cookies : "-");
        EXPECT_EQ(headers, c.block) << "the block sent is written back";
        EXPECT_EQ(sent().automaticCookies, c.cookies == nullptr);
    }
}

TEST_F(HttpClientRules, UserAgentRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
        {"User-Agent: Ozmira/1", "Ozmira/1"},
        {"Accept: x\r\nUser-Agent:  Tool 2 \r\nReferer: r", "Tool 2"},
        {"user-agent: low", "low"},
        {"Referer: r\r\nuser-agent: low", "r\r\nuser-agent: low"},
    };
    for (const auto& [headers, agent] : cases) {
        Text block = headers;
        client.Request(kUrl, 0, {}, nullptr, nullptr, &block);
        EXPECT_EQ(sent().userAgent, agent) << headers;
        EXPECT_TRUE(sent().headers.starts_with(headers)) << "the caller's line stays in the block";
    }
}

TEST_F(HttpClientRules, MethodsAndBodies) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {0, "GET", ""}, {1, "POST", "q=1"}, {2, "HEAD", "q=1"}, {3, "GET", ""}, {-1, "GET", ""},
    };
    for (const auto& [method, verb, body] : cases) {
        client.Request(kUrl, method, "q=1");
        EXPECT_EQ(sent().verb, verb) << method;
        EXPECT_EQ(sent().body, body) << method;
    }
}

TEST_F(HttpClientRules, BodyBytesWinOverBodyText) {
    Bytes bytes = "image=%2B%3D";
    client.Request(kUrl, 1, "text=1", nullptr, nullptr, nullptr, nullptr, false, &bytes);
    EXPECT_EQ(sent().body, "image=%2B%3D");
    EXPECT_EQ(bytes, "image=%2B%3D");

    Bytes empty;
    client.Request(kUrl, 1, "text=1", nullptr, nullptr, nullptr, nullptr, false, &empty);
    EXPECT_EQ(sent().body, "text=1");
    EXPECT_EQ(empty, "text=1") << "an empty bodyBytes takes the bytes of bodyText";

    Bytes untouched;
    client.Request(kUrl, 0, "text=1", nullptr, nullptr, nullptr, nullptr, false, &untouched);
    EXPECT_EQ(untouched, "") << "a GET has no body";
}

struct UrlCase {
    const char* url;
    const char* host;
    int port;
    const char* path;
    bool secure;
};

TEST_F(HttpClientRules, UrlDecidesHostPortPathAndTls) {
    const UrlCase cases[] = {
        {"srv/a?b=1", "srv", 80, "/a?b=1", false},
        {"https://SRV.Example:8443", "srv.example", 8443, "/", true},
        {"http://srv?x=1", "srv?x=1", 80, "/", false},
        {"HTTPS://Api.Example/ocr/v1/Numbers?access_token=T", "api.example", 443,
         "/ocr/v1/Numbers?access_token=T", true},
        {"http://127.0.0.1:8080/update.json", "127.0.0.1", 8080, "/update.json", false},
    };
    for (const UrlCase& c : cases) {
        client.Request(c.url);
        EXPECT_EQ(sent().host, c.host) << c.url;
        EXPECT_EQ(sent().port, c.port) << c.url;
        EXPECT_EQ(sent().path, c.path) << c.url;
        EXPECT_EQ(sent().secure, c.secure) << c.url;
        EXPECT_NE(sent().headers.find(Text("Referer: ") + c.url + "\r\n"), Text::npos)
            << "the referrer is the URL exactly as passed in";
    }
}

TEST_F(HttpClientRules, SwitchesReachTheTransport) {
    client.Request(kUrl, 0, {}, nullptr, nullptr, nullptr, nullptr, true, nullptr, "proxy:3128");
    EXPECT_FALSE(sent().followRedirects);
    EXPECT_EQ(sent().proxy, "proxy:3128");
}

struct CookieCase {
    const char* responseHeaders;
    const char* jar;  // nullptr: cookies omitted
    const char* responseCookies;
    const char* jarAfter;
    const char* normalizedHeaders;
};

TEST(HttpClientCookies, SetCookieLinesAreReadAndMerged) {
    const CookieCase cases[] = {
        {"HTTP/1.1 200 OK\r\nset-cookie: A=1; path=/\r\nSET-COOKIE: B=2\r\n\r\n", nullptr,
         "A=1; B=2", nullptr,
         "HTTP/1.1 200 OK\r\nSet-Cookie: A=1; path=/\r\nSet-Cookie: B=2\r\n\r\n"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: b=3\r\nSet-Cookie: c=4; HttpOnly\r\n\r\n", "a=1; b=2",
         "a=1;b=3;c=4;", "a=1;b=3;c=4;", nullptr},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: b=deleted; expires=Thu, 01 Jan 1970\r\n\r\n", "a=1;b=2;",
         "a=1;", "a=1;", nullptr},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "", "", "", nullptr},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "x = 1", "x=1", "x=1", nullptr},
    };
    for (const CookieCase& c : cases) {
        FakeHttpTransport transport;
        transport.script(FakeHttpTransport::answer(c.responseHeaders, "body"));
        HttpClient client(transport);
        Text jar = c.jar ? c.jar : "";
        Text responseCookies = "stale";
        Text responseHeaders = "stale";
        EXPECT_EQ(client.Request(kUrl, 0, {}, c.jar ? &jar : nullptr, &responseCookies, nullptr,
                                 &responseHeaders),
                  "body");
        EXPECT_EQ(responseCookies, c.responseCookies) << c.responseHeaders;
        if (c.jarAfter) {
            EXPECT_EQ(jar, c.jarAfter) << c.responseHeaders;
        }
        if (c.normalizedHeaders) {
            EXPECT_EQ(responseHeaders, c.normalizedHeaders);
        }
        if (c.jar && !*c.jar) {
            EXPECT_EQ(transport.requests.back().headers.find("Cookie:"), Text::npos)
                << "an empty jar sends no Cookie line";
        }
    }
}

struct FailureCase {
    const char* name;
    platform::HttpWireResponse response;
    bool argumentsWritten;
    const char* responseHeaders;  // when written
};

TEST(HttpClientFailures, OutcomeOfEachKindOfFailure) {
    const std::string longBlock = "HTTP/1.1 200 OK\r\nSet-Cookie: n=1\r\nX-Pad: " +
                                  std::string(HttpClient::kResponseHeaderBuffer, 'p') + "\r\n\r\n";
    const FailureCase cases[] = {
        {"no connection", {false, false, "", ""}, false, ""},
        {"no answer", {true, false, "", ""}, true, ""},
        {"cut off body",
         {true, false, "", "HTTP/1.1 200 OK\r\nSet-Cookie: n=1\r\n\r\n"},
         true,
         "HTTP/1.1 200 OK\r\nSet-Cookie: n=1\r\n\r\n"},
        {"header block too long", {true, true, "body", longBlock}, true, ""},
    };
    for (const FailureCase& c : cases) {
        FakeHttpTransport transport;
        transport.script(c.response);
        HttpClient client(transport);
        Text jar = "a = 1", responseCookies = "old", headers = "X-A: 1", responseHeaders = "old";
        Bytes bodyBytes;
        Bytes body = client.Request(kUrl, 1, "t=1", &jar, &responseCookies, &headers,
                                    &responseHeaders, false, &bodyBytes);
        EXPECT_EQ(body, c.response.ok ? "body" : "") << c.name;
        if (!c.argumentsWritten) {
            EXPECT_EQ(jar, "a = 1") << c.name;
            EXPECT_EQ(responseCookies, "old") << c.name;
            EXPECT_EQ(headers, "X-A: 1") << c.name;
            EXPECT_EQ(responseHeaders, "old") << c.name;
            EXPECT_EQ(bodyBytes, "") << c.name;
            continue;
        }
        EXPECT_EQ(headers, transport.requests.back().headers) << c.name;
        EXPECT_EQ(bodyBytes, "t=1") << c.name;
        EXPECT_EQ(responseHeaders, c.responseHeaders) << c.name;
        const Text expectedJar = *c.responseHeaders ? "a=1;n=1;" : "a=1";
        EXPECT_EQ(jar, expectedJar) << c.name;
        EXPECT_EQ(responseCookies, expectedJar) << c.name;
    }
}

}  // namespace
