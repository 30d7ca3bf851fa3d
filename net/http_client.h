#pragma once
// One complete HTTP or HTTPS exchange per call; every network access of the program goes
// through HttpClient::Request. The client decides what goes on the wire (request line,
// header block, agent, cookie and redirect switches); the transport carries it out.
#include <string_view>

#include "text/text_tools.h"
#include "platform/http.h"

enum class HttpMethod { Get = 0, Post = 1, Head = 2 };

class HttpClient {
public:
    static constexpr std::string_view kDefaultUserAgent =
        "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    // A response header block this long or longer is not delivered.
    static constexpr size_t kResponseHeaderBuffer = 5000;

    // Enough for the picture of the update page, which the page view fetches through here.
    static constexpr size_t kPageReplyLimit = 32 * 1024 * 1024;

    // replyLimit: the longest reply accepted; 0 for the transport's limit, which suits
    // every reply the program reads itself.
    explicit HttpClient(platform::HttpTransport& transport, size_t replyLimit = 0);

    // Returns the response body, whatever the status; empty when the exchange failed.
    // The pointer arguments are the caller's variables, nullptr when omitted:
    // - cookies (in/out): when supplied, even empty, the client handles cookies itself:
    //   the jar is sent and afterwards holds the jar merged with the cookies set by the
    //   response; when omitted, the transport's automatic cookie store applies.
    // - responseCookies (out): the cookies this response set, or the merged jar when
    //   cookies is supplied.
    // - headers (in/out): extra request header lines separated by CR LF; afterwards the
    //   complete header block that was sent.
    // - responseHeaders (out): the raw response header block, Set-Cookie names spelled
    //   "Set-Cookie".
    // - bodyBytes (in/out): the body of a POST or HEAD; when empty it is replaced by the
    //   bytes of bodyText, which are sent instead.
    // When no connection could be made, none of them is changed.
    Bytes Request(std::string_view url, int method = static_cast<int>(HttpMethod::Get),
                  std::string_view bodyText = {}, Text* cookies = nullptr,
                  Text* responseCookies = nullptr, Text* headers = nullptr,
                  Text* responseHeaders = nullptr, bool noRedirect = false,
                  Bytes* bodyBytes = nullptr, std::string_view proxy = {});

private:
    platform::HttpTransport& m_transport;
    size_t m_replyLimit;
};
