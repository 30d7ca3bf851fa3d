#pragma once
// The scriptable HTTP/HTTPS server of the wire tests (ocr_test_server.py), run as a child
// process on 127.0.0.1 ports chosen at start. It records every request as it arrived on
// the wire and answers with scripted replies or, by default, as the OCR service and the
// update document would. No call waits for long: a server that does not answer gives an
// empty result, and the child is killed with this object.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>
#include <nlohmann/json.hpp>

#include "support/test_certificates.h"

struct ServerReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // sent in order, as spelt
    std::string body;
    std::string redirect;     // adds a Location line
    double delaySeconds = 0;  // waits before answering
    bool hang = false;        // reads the request and never answers
    bool drop = false;        // reads the request and closes the connection unanswered
    double trickle = 0;       // seconds between the reply's bytes, sent one at a time
    bool endless = false;     // answers with a chunked body that never ends
    bool close = false;       // closes the connection after answering
    bool chunked = false;     // sends the body in chunks
    std::string raw;          // these exact bytes instead of a built reply
};

struct RecordedRequest {
    int id = 0;
    int connection = 0;       // the same number for every request of one TCP connection
    std::string listener;     // "http" or "https"
    bool tlsResumed = false;  // the connection resumed an earlier TLS session
    std::string method;
    std::string target;
    std::string requestLine;  // without its CR LF
    std::string headerBlock;  // the header lines joined by CR LF, without the blank line
    std::string body;         // as it travelled (chunk framing included)
};

class TestServer {
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // False when the certificates or the server could not be made; error() says why.
    bool running() const { return m_pid > 0 && m_error.empty(); }
    const std::string& error() const { return m_error; }
    int httpPort() const { return m_httpPort; }
    int httpsPort() const { return m_httpsPort; }
    std::string httpUrl(std::string_view path) const;
    std::string httpsUrl(std::string_view path) const;
    const TestCertificates& certificates() const { return *m_certificates; }

    // A path with a query matches only that target; without one, every query of the path.
    bool setReply(const std::string& path, const ServerReply& reply);
    // kind: "text", "idcard_front", "idcard_back", "vehicle_license_front" or
    // "vehicle_license_back"; value: the lines, or an object of field names and values.
    bool setOcrResult(const std::string& kind, const nlohmann::json& value);
    bool setUpdateDocument(const nlohmann::json& document);
    // TLS connections are accepted and then never answered, not even the handshake.
    bool setTlsStalled(bool stalled);
    // Back to the default answers, with no requests recorded.
    bool reset();
    bool clearRequests();
    std::vector<RecordedRequest> requests();

    // One control command; a null value when the server did not answer.
    nlohmann::json command(const nlohmann::json& command);

private:
    void start();

    std::unique_ptr<TestCertificates> m_certificates;
    std::string m_error;
    pid_t m_pid = -1;
    int m_output = -1;
    int m_httpPort = 0;
    int m_httpsPort = 0;
    int m_controlPort = 0;
};
