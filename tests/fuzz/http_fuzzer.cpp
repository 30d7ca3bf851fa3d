// The text rules of the HTTP client on what a server or a reply may hold: URLs, header
// lines, cookie texts, and the check that keeps reply text out of a request.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/http_text.h"
#include "platform/curl/curl_header_block.h"

namespace {

void check(bool holds, const char* what, const std::string& text) {
    if (holds) return;
    std::fprintf(stderr, "%s fails for \"%s\"\n", what, text.c_str());
    std::abort();
}

bool hasControl(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string a = input.ConsumeRandomLengthString(256);
    const std::string b = input.ConsumeRandomLengthString(64);
    const std::string c = input.ConsumeRemainingBytesAsString();

    http::UrlHost(a, true);
    http::UrlPort(a);
    const Text path = http::UrlPath(a);
    check(path.starts_with('/'), "UrlPath starts with /", a);
    http::TextBetween(c, a, b, static_cast<int>(b.size()), true);
    http::HeaderValue(c);
    // The jar only ever holds what an earlier merge left in it.
    Text jar;
    http::MergeCookies(jar, a);
    const Text merged = http::MergeCookies(jar, c);
    check(merged == jar, "MergeCookies stores what it returns", c);
    check(merged.find(' ') == Text::npos, "merged cookies hold no space", c);
    check(merged.empty() || merged.back() == ';', "every merged pair is closed", c);
    http::CookieName(b);
    http::CookieValue(b);

    // Reply text put into a request is refused whenever it could add a line.
    platform::HttpWireRequest request;
    request.host = "127.0.0.1";
    request.path = "/" + a;
    request.headers = c;
    request.userAgent = b;
    const bool clean = curl_block::isClean(request);
    check(!clean || !hasControl(a + b), "a request line or agent with a control character is refused", a + b);
    curl_block::headerValue(c, b);
    curl_slist_free_all(curl_block::headerList(c));
    return 0;
}
