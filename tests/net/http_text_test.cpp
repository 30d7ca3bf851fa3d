#include "net/http_text.h"

#include <gtest/gtest.h>

namespace {

struct HostCase {
    const char* url;
    bool keepPort;
    const char* host;
};

TEST(HttpText, UrlHostIsLowerCasedAndEndsAtSlash) {
    const HostCase cases[] = {
        {"https://SRV.Example:8443", false, "srv.example"},
        {"https://SRV.Example:8443", true, "srv.example:8443"},
        {"srv/a?b=1", true, "srv"},
        {"HTTP://Api.Example.com/Path", false, "api.example.com"},
        {"http://srv?x=1", false, "srv?x=1"},
        {"http://127.0.0.1:8080/x", true, "127.0.0.1:8080"},
        {"http://127.0.0.1:8080/x", false, "127.0.0.1"},
    };
    for (const HostCase& c : cases) {
        EXPECT_EQ(http::UrlHost(c.url, c.keepPort), c.host) << c.url << " keepPort " << c.keepPort;
    }
}

struct PortPathCase {
    const char* url;
    int port;
    const char* path;
};

TEST(HttpText, UrlPortAndPath) {
    const PortPathCase cases[] = {
        {"srv/a?b=1", 80, "/a?b=1"},
        {"https://SRV.Example:8443", 8443, "/"},
        {"https://srv.example/ocr/v1/numbers?access_token=T", 443,
         "/ocr/v1/numbers?access_token=T"},
        {"http://Srv/Mixed/Case?Q=A#Part", 80, "/Mixed/Case?Q=A#Part"},
        {"http://srv:abc/x", 0, "/x"},
        {"http://srv?x=1", 80, "/"},
        {"HTTPS://srv:9/", 9, "/"},
    };
    for (const PortPathCase& c : cases) {
        EXPECT_EQ(http::UrlPort(c.url), c.port) << c.url;
        EXPECT_EQ(http::UrlPath(c.url), c.path) << c.url;
    }
}

struct BetweenCase {
    const char* text;
    const char* left;
    const char* right;
    int start;
    bool ignoreCase;
    const char* between;
};

TEST(HttpText, TextBetweenMarkers) {
    const BetweenCase cases[] = {
        {"a<b>c", "<", ">", 0, false, "b"},
        {"name=\"value\";", "=#引号", "#引号", 0, false, "value"},
        {"AbcXYZdef", "abc", "def", 0, true, "XYZ"},
        {"AbcXYZdef", "abc", "def", 0, false, ""},
        {"[a][b]", "[", "]", 3, false, "b"},
        {"[a][b]", "[", "]", 1, false, "a"},
        {"k=v", "k=", ";", 0, false, ""},
        {"k=v;", "x=", ";", 0, false, ""},
        {"<>", "<", ">", 0, false, ""},
        {"第一<中>第二", "<", ">", 0, false, "中"},
    };
    for (const BetweenCase& c : cases) {
        EXPECT_EQ(http::TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.between)
            << c.text << " between " << c.left << " and " << c.right;
    }
}

TEST(HttpText, HeaderValueIsWhatFollowsTheFirstColonTrimmed) {
    const std::pair<const char*, const char*> cases[] = {
        {"Referer:  http://from/x ", "http://from/x"},
        {"Host: a:8080", "a:8080"},
        {"no colon here", ""},
        {"X-Empty:", ""},
        {"X-Wide:\xE3\x80\x80v\xE3\x80\x80", "v"},
        {"X-Tab:\tv", "\tv"},
    };
    for (const auto& [line, value] : cases) {
        EXPECT_EQ(http::HeaderValue(line), value) << line;
    }
}

struct MergeCase {
    const char* jar;
    const char* fresh;
    const char* merged;
};

TEST(HttpText, MergeCookiesReplacesAppendsAndDeletes) {
    const MergeCase cases[] = {
        {"a=1; b=2", "b=3;c=4", "a=1;b=3;c=4;"},
        {"a=1;b=2;", "b=deleted", "a=1;"},
        {"a=1; b=2", "", "a=1;b=2"},
        {"", "A=1; B=2", "A=1;B=2;"},
        {"A=1", "a=2", "A=1;a=2;"},
        {"a=1;;b=2", "c=3", "a=1;b=2;c=3;"},
        {"a=1", "b=", "a=1;"},
        {"a=x=y", "b=1", "a=x=y;b=1;"},
        {"a=1\xE3\x80\x80;b=2", "b=3", "a=1;b=3;"},
        {"a=1;a=2", "a=3", "a=3;a=2;"},
    };
    for (const MergeCase& c : cases) {
        Text jar = c.jar;
        EXPECT_EQ(http::MergeCookies(jar, c.fresh), c.merged) << c.jar << " + " << c.fresh;
        EXPECT_EQ(jar, c.merged) << "the jar holds the result";
    }
}

TEST(HttpText, CookieNameAndValue) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {" sid =abc", "sid", "abc"}, {"flag", "flag", ""}, {"k=v=w", "k", "v=w"},
        {"k= v ", "k", " v "},       {"=v", "", "v"},
    };
    for (const auto& [pair, name, value] : cases) {
        EXPECT_EQ(http::CookieName(pair), name) << pair;
        EXPECT_EQ(http::CookieValue(pair), value) << pair;
    }
}

}  // namespace
