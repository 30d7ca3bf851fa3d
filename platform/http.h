#pragma once
// The HTTP transport port: one exchange as the logic describes it (backend: platform/curl).
// The logic decides every byte of the request line and of the header block; the transport
// only adds what the connection itself needs (Host, Content-Length, the agent when the
// block names none) and follows redirects when asked.
// What a transport never does, whatever a server answers: send a request whose host, path,
// agent, proxy or header lines hold a control character (it is refused: not connected);
// follow a secure request's redirect to a plain address (the exchange fails); send a
// request a second time; take longer than its total time limit or more than its reply
// size limit (the exchange fails).
#include <cstddef>
#include <string>

namespace platform {

struct HttpWireRequest {
    std::string verb = "GET";  // "GET", "POST" or "HEAD"
    bool secure = false;       // TLS, with the certificate verified
    std::string host;          // lower case, without port
    int port = 80;
    // The request target exactly as it goes into the request line "VERB path HTTP/1.1".
    std::string path = "/";
    // Sent as User-Agent only when the header block has no User-Agent line of its own.
    std::string userAgent;
    // Header lines joined by CR LF, without a trailing CR LF; sent in this order, unchanged.
    std::string headers;
    std::string body;   // sent for POST and HEAD when not empty
    std::string proxy;  // "host:port" of an HTTP proxy; empty for a direct connection
    bool followRedirects = true;
    // False when the caller handles cookies itself: no cookie store takes part.
    bool automaticCookies = true;
    // The longest reply (header block and body) accepted; 0 for the transport's own limit.
    size_t maxReplyBytes = 0;
};

struct HttpWireResponse {
    // False when no connection to the server could be made (name lookup, refusal, TLS
    // handshake or certificate, connect time limit): the request never went out.
    bool connected = false;
    // True when a complete response arrived, its header block and its whole body.
    bool ok = false;
    std::string body;  // empty unless ok
    // Raw header block of the final response (status line first, after any redirects),
    // every line ended by CR LF; empty when no complete header block arrived.
    std::string headers;
};

// One instance serves the whole process; perform may be called from several threads at
// once and blocks the calling thread until the exchange is over.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual HttpWireResponse perform(const HttpWireRequest& request) = 0;
};

}  // namespace platform
