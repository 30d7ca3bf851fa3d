#include "platform/curl/curl_transport.h"

#include <string_view>
#include <vector>

#include <curl/curl.h>

#include "platform/curl/curl_cookie_jar.h"
#include "platform/curl/curl_handle_pool.h"
#include "platform/curl/curl_header_block.h"

namespace {

// Redirects are followed here rather than by libcurl: the first request line carries the
// caller's path verbatim (CURLOPT_REQUEST_TARGET), which libcurl would repeat on every hop.
constexpr int kMaxRedirects = 20;

struct Received {
    size_t limit = 0;  // the longest reply taken, header block and body together
    size_t size = 0;
    bool tooLong = false;
    int sends = 0;  // how often libcurl was about to send the request
    std::string headers;
    bool headersComplete = false;
    bool interim = false;  // the block is a 1xx reply; the real one follows
    std::string body;
    // A HEAD that carries a body is sent as a POST under the HEAD verb, so libcurl would
    // wait for a body that never comes: the exchange ends with the header block instead.
    bool endAtHeaders = false;
    bool endedAtHeaders = false;
};

// False (and the transfer stops) once the reply grows past its limit.
bool takes(Received* received, size_t bytes) {
    received->size += bytes;
    received->tooLong = received->size > received->limit;
    return !received->tooLong;
}

size_t onHeaderLine(char* data, size_t size, size_t count, void* user) {
    auto* received = static_cast<Received*>(user);
    if (!takes(received, size * count)) {
        return 0;
    }
    std::string_view line(data, size * count);
    // Each status line (an interim 1xx reply included) begins a new block.
    if (line.starts_with("HTTP/")) {
        received->headers.clear();
        received->headersComplete = false;
        size_t code = line.find(' ');
        received->interim =
            code != std::string_view::npos && code + 1 < line.size() && line[code + 1] == '1';
    }
    if (received->headersComplete) {
        return size * count;  // trailers of a chunked body are not part of the block
    }
    while (line.ends_with('\n') || line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    received->headers.append(line).append("\r\n");
    received->headersComplete = line.empty();
    if (received->headersComplete && received->endAtHeaders && !received->interim) {
        received->endedAtHeaders = true;
        return 0;  // stops the transfer
    }
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* received = static_cast<Received*>(user);
    if (!takes(received, size * count)) {
        return 0;
    }
    received->body.append(data, size * count);
    return size * count;
}

// Called each time libcurl is about to send the request. When a reused connection closes
// without an answer, libcurl sends the request again on a new one; but the server may
// have acted on it (a second recognition, a second post), so that second send is refused.
int beforeSending(void* user, char*, char*, int, int) {
    return ++static_cast<Received*>(user)->sends > 1 ? CURL_PREREQFUNC_ABORT : CURL_PREREQFUNC_OK;
}

std::string originOf(const platform::HttpWireRequest& request) {
    return std::string(request.secure ? "https://" : "http://") + request.host + ":" +
           std::to_string(request.port);
}

// The address a Location value leads to, resolved against the address it came from.
std::string resolveLocation(const std::string& from, const std::string& fallbackBase,
                            const std::string& location) {
    std::string resolved;
    CURLU* url = curl_url();
    if (!url) {
        return resolved;
    }
    if (curl_url_set(url, CURLUPART_URL, from.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
        curl_url_set(url, CURLUPART_URL, fallbackBase.c_str(), 0);
    }
    char* text = nullptr;
    if (curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_URLENCODE | CURLU_ALLOW_SPACE) ==
            CURLUE_OK &&
        curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
        resolved = text;
    }
    curl_free(text);
    curl_url_cleanup(url);
    return resolved;
}

// Failures that leave nothing sent: the server (or the proxy) was never reached.
bool failedBeforeSending(CURLcode code) {
    switch (code) {
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_FAILED_INIT:
        case CURLE_URL_MALFORMAT:
        case CURLE_NOT_BUILT_IN:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_OUT_OF_MEMORY:
        case CURLE_BAD_FUNCTION_ARGUMENT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_PROXY:
            return true;
        default:
            return false;
    }
}

// Returns whether the exchange must end at the response's header block.
bool setMethod(CURL* handle, std::string_view verb, const std::string& body) {
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
    if (verb == "GET") {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        return false;
    }
    if (verb == "HEAD" && body.empty()) {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        return false;
    }
    curl_easy_setopt(handle, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
    if (verb == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "HEAD");
        return true;
    }
    return false;
}

// What every exchange has: HTTP/1.1 only, verified TLS, the time limits, no redirect
// following by libcurl, and the proxy (none when empty).
void setCommonOptions(CURL* handle, long connectSeconds, long stallSeconds,
                      const std::string& caFile, const std::string& proxy) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, connectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Each long-lived handle parses the certificate store once and keeps it for a day.
    curl_easy_setopt(handle, CURLOPT_CA_CACHE_TIMEOUT, 86400L);
    if (!caFile.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    }
    // An empty proxy text also keeps libcurl from taking one from the environment.
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
}

std::vector<std::string> cookieLines(CURL* handle) {
    std::vector<std::string> lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_COOKIELIST, &list) == CURLE_OK) {
        for (curl_slist* item = list; item; item = item->next) {
            lines.emplace_back(item->data);
        }
    }
    curl_slist_free_all(list);
    return lines;
}

}  // namespace

CurlTransport::CurlTransport(std::string caFile)
    : m_pool(std::make_unique<CurlHandlePool>()), m_cookies(std::make_unique<CurlCookieJar>()) {
    m_settings.caFile = std::move(caFile);
}

CurlTransport::~CurlTransport() = default;

void CurlTransport::setCaFile(std::string caFile) {
    std::lock_guard lock(m_mutex);
    m_settings.caFile = std::move(caFile);
}

void CurlTransport::setTimeLimits(long connectSeconds, long stallSeconds) {
    std::lock_guard lock(m_mutex);
    m_settings.connectSeconds = connectSeconds;
    m_settings.stallSeconds = stallSeconds;
}

void CurlTransport::setTotalTimeLimit(std::chrono::milliseconds limit) {
    std::lock_guard lock(m_mutex);
    m_settings.totalLimit = limit;
}

void CurlTransport::setReplyLimit(size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_settings.replyLimit = bytes;
}

CurlTransport::Settings CurlTransport::settings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

platform::HttpWireResponse CurlTransport::perform(const platform::HttpWireRequest& request) {
    platform::HttpWireResponse response;
    if (!curl_block::isClean(request)) {
        return response;  // nothing goes out
    }
    const Settings limits = settings();
    const auto deadline = std::chrono::steady_clock::now() + limits.totalLimit;
    const std::string origin = originOf(request);
    const std::string poolKey = origin + " " + request.proxy;
    const bool withCookies = request.automaticCookies;
    CURL* handle = m_pool->acquire(poolKey, withCookies);
    if (!handle) {
        return response;
    }

    Received received;
    curl_slist* headers = curl_block::headerList(request.headers);
    std::string proxy = request.proxy;
    if (!proxy.empty() && proxy.find("://") == std::string::npos) {
        proxy.insert(0, "http://");
    }
    setCommonOptions(handle, limits.connectSeconds, limits.stallSeconds, limits.caFile, proxy);
    // Once secure, always secure: libcurl itself refuses a plain address for this exchange.
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, request.secure ? "https" : "http,https");
    const size_t replyLimit = request.maxReplyBytes ? request.maxReplyBytes : limits.replyLimit;
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(replyLimit));
    curl_easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &onHeaderLine);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &received);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &beforeSending);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, &received);

    std::vector<std::string> cookiesBefore;
    if (withCookies) {
        cookiesBefore = m_cookies->snapshot();
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(handle, CURLOPT_COOKIELIST, "ALL");
        for (const std::string& line : cookiesBefore) {
            curl_easy_setopt(handle, CURLOPT_COOKIELIST, line.c_str());
        }
    }

    // A plain request through a proxy names the whole address in its request line.
    std::string target = request.path;
    if (!proxy.empty() && !request.secure) {
        target = "http://" + request.host +
                 (request.port == 80 ? std::string() : ":" + std::to_string(request.port)) +
                 request.path;
    }
    std::string verb = request.verb;
    std::string body = request.body;
    std::string url = origin + "/";
    std::string address = origin + request.path;  // what a relative Location is read against
    CURLcode code = CURLE_OK;
    bool sent = false;
    for (int hop = 0;; ++hop) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            code = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        received = Received();
        received.limit = replyLimit;
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_REQUEST_TARGET, hop == 0 ? target.c_str() : nullptr);
        received.endAtHeaders = setMethod(handle, verb, body);
        code = curl_easy_perform(handle);
        if (code == CURLE_WRITE_ERROR && received.endedAtHeaders) {
            code = CURLE_OK;
        }
        long requestSize = 0;
        curl_easy_getinfo(handle, CURLINFO_REQUEST_SIZE, &requestSize);
        // A refused second send means the first one went out.
        sent = sent || code == CURLE_OK || received.sends > 1 ||
               (!failedBeforeSending(code) && requestSize > 0);
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        const bool redirect =
            status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
        if (code != CURLE_OK || !request.followRedirects || !redirect) {
            break;
        }
        const std::string location = curl_block::headerValue(received.headers, "Location");
        const std::string next =
            location.empty() ? location : resolveLocation(address, url, location);
        if (next.empty()) {
            break;  // nowhere to go: the redirect itself is the answer
        }
        if (request.secure && next.rfind("https://", 0) != 0) {
            // The body or the address would travel in clear: the exchange fails instead.
            code = CURLE_UNSUPPORTED_PROTOCOL;
            break;
        }
        if (hop == kMaxRedirects) {
            code = CURLE_TOO_MANY_REDIRECTS;
            break;
        }
        // As browsers do: 303 always, 301 and 302 after a POST, continue with a GET.
        if ((status == 303 && verb != "HEAD") ||
            ((status == 301 || status == 302) && verb == "POST")) {
            verb = "GET";
            body.clear();
        }
        url = address = next;
    }

    response.connected = sent;
    response.ok = code == CURLE_OK;
    if (received.headersComplete) {
        response.headers = std::move(received.headers);
    }
    if (response.ok) {
        response.body = std::move(received.body);
    }
    if (withCookies) {
        m_cookies->update(cookiesBefore, cookieLines(handle));
        // Ends this handle's engine; the next exchange starts from the store again. Also
        // keeps libcurl 7.88 from losing its cookie file list in the reset that follows.
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, nullptr);
    }
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    m_pool->release(handle, poolKey, withCookies);
    return response;
}
