#include "net/http_client.h"

#include "net/http_text.h"

namespace {

constexpr std::string_view kCrLf = "\r\n";

const char* verbOf(HttpMethod method) {
    switch (method) {
        case HttpMethod::Post:
            return "POST";
        case HttpMethod::Head:
            return "HEAD";
        case HttpMethod::Get:
            break;
    }
    return "GET";
}

// Any other number is a plain GET.
HttpMethod methodOf(int method) {
    return method >= 0 && method <= 2 ? static_cast<HttpMethod>(method) : HttpMethod::Get;
}

// The caller's own agent line wins; a line whose name is spelt in another case still
// counts as present, and then the agent is whatever follows the block's first ":".
Text userAgentFor(std::string_view headers) {
    if (text::find(headers, "User-Agent:", 1, true) < 1) {
        return Text(HttpClient::kDefaultUserAgent);
    }
    Text agent = text::trim(http::TextBetween(Text(headers) + Text(kCrLf), "User-Agent:", kCrLf));
    return agent.empty() ? http::HeaderValue(headers) : agent;
}

// Every default is added only when its name, spelt exactly so, is nowhere in the block
// built so far; the caller's lines come first and stay as they are.
Text headerBlock(std::string_view headers, std::string_view url, std::string_view cookies) {
    Text block(headers);
    auto lacks = [&block](std::string_view name) { return text::find(block, name) < 1; };
    if (lacks("Accept:")) {
        block += block.empty() ? "Accept: */*" : "\r\nAccept: */*";
    }
    if (lacks("Referer:")) {
        block += "\r\nReferer: " + Text(url);
    }
    if (lacks("Accept-Language:")) {
        block += "\r\nAccept-Language: zh-cn";
    }
    if (lacks("Content-Type:")) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    if (!cookies.empty()) {
        block += text::find(cookies, "Cookie:") > 0 ? Text(kCrLf) : Text("\r\nCookie: ");
        block += cookies;
    }
    while (block.ends_with(kCrLf)) {
        block.resize(block.size() - kCrLf.size());
    }
    return block;
}

bool hasControl(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return true;
        }
    }
    return false;
}

// A control character (CR, LF, any other byte below 0x20, or DEL) in the address, the
// proxy or a line of the block would end a line of the request early: text that came
// from a reply, such as a token or an address, could then add lines of its own.
bool isClean(std::string_view url, std::string_view proxy, std::string_view block) {
    if (hasControl(url) || hasControl(proxy)) {
        return false;
    }
    for (const Text& line : text::split(block, kCrLf)) {
        if (hasControl(line)) {
            return false;
        }
    }
    return true;
}

// A block too long for the header buffer is not delivered at all.
Text normalizedResponseHeaders(std::string_view raw) {
    if (raw.size() >= HttpClient::kResponseHeaderBuffer) {
        return {};
    }
    return text::replaceAll(raw, "Set-Cookie", "Set-Cookie", true);
}

// The pair each Set-Cookie line sets: up to its first attribute, or the whole value.
Text cookiesOfResponse(std::string_view headers) {
    Text joined;
    for (const Text& line : text::split(headers, kCrLf)) {
        if (text::find(line, "Set-Cookie") < 1) {
            continue;
        }
        if (text::find(line, ";") > 0) {
            joined += text::trim(http::TextBetween(line, "Set-Cookie:", ";"));
        } else {
            joined += text::trim(text::replaceAll(line, "Set-Cookie:", "", true));
        }
        joined += "; ";
    }
    if (joined.size() >= 2) {
        joined.resize(joined.size() - 2);
    }
    return joined;
}

}  // namespace

HttpClient::HttpClient(platform::HttpTransport& transport, size_t replyLimit)
    : m_transport(transport), m_replyLimit(replyLimit) {}

Bytes HttpClient::Request(std::string_view url, int method, std::string_view bodyText,
                          Text* cookies, Text* responseCookies, Text* headers,
                          Text* responseHeaders, bool noRedirect, Bytes* bodyBytes,
                          std::string_view proxy) {
    const HttpMethod verb = methodOf(method);
    const bool carriesBody = verb != HttpMethod::Get;
    const Text extraHeaders = headers ? *headers : Text();

    platform::HttpWireRequest wire;
    wire.verb = verbOf(verb);
    wire.secure = text::toLowerAscii(url.substr(0, 8)) == "https://";
    wire.host = http::UrlHost(url, false);
    wire.port = http::UrlPort(url);
    wire.path = http::UrlPath(url);
    wire.userAgent = userAgentFor(extraHeaders);
    wire.headers = headerBlock(extraHeaders, url, cookies ? *cookies : Text());
    if (carriesBody) {
        wire.body = bodyBytes && !bodyBytes->empty() ? *bodyBytes : Bytes(bodyText);
    }
    wire.proxy = Text(proxy);
    wire.followRedirects = !noRedirect;
    wire.automaticCookies = cookies == nullptr;
    wire.maxReplyBytes = m_replyLimit;
    if (!isClean(url, proxy, wire.headers)) {
        return {};  // never sent, so none of the caller's variables changes
    }

    const platform::HttpWireResponse response = m_transport.perform(wire);
    if (!response.connected) {
        return {};
    }

    if (headers) {
        *headers = wire.headers;
    }
    if (carriesBody && bodyBytes && bodyBytes->empty()) {
        *bodyBytes = Bytes(bodyText);
    }
    const Text received = normalizedResponseHeaders(response.headers);
    if (responseHeaders) {
        *responseHeaders = received;
    }
    Text set = cookiesOfResponse(received);
    if (cookies) {
        set = http::MergeCookies(*cookies, set);
    }
    if (responseCookies) {
        *responseCookies = set;
    }
    return response.ok ? response.body : Bytes();
}
