#include "support/test_server.h"

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kStartLimitMs = 30000;
constexpr int kControlLimitSeconds = 10;

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string toHex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

// A line from the child's output, waiting no longer than the limit.
std::string readLine(int fd, int timeoutMs) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char buffer[256];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return {};
        }
        line.append(buffer, static_cast<size_t>(got));
    }
    return line.substr(0, line.find('\n'));
}

// One POST of a JSON text to the control port; the reply's body, empty on any failure.
std::string postControl(int port, const std::string& payload) {
    int sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0) {
        return {};
    }
    timeval limit{kControlLimitSeconds, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string request = "POST /control HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                              std::to_string(payload.size()) + "\r\nConnection: close\r\n\r\n" +
                              payload;
        if (send(sock, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            ssize_t got;
            while ((got = recv(sock, buffer, sizeof buffer, 0)) > 0) {
                reply.append(buffer, static_cast<size_t>(got));
            }
        }
    }
    close(sock);
    size_t bodyAt = reply.find("\r\n\r\n");
    return bodyAt == std::string::npos ? std::string() : reply.substr(bodyAt + 4);
}

}  // namespace

TestServer::TestServer() : m_certificates(std::make_unique<TestCertificates>()) {
    if (!m_certificates->ok()) {
        m_error = "the test certificates could not be made with " OZMIRA_OPENSSL;
        return;
    }
    start();
}

TestServer::~TestServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (m_output >= 0) {
        close(m_output);
    }
}

void TestServer::start() {
    int output[2];
    if (pipe(output) != 0) {
        m_error = "no pipe for the server's output";
        return;
    }
    const std::string python = OZMIRA_PYTHON3;
    const std::string script = OZMIRA_TEST_SERVER_SCRIPT;
    const std::string certificate = m_certificates->serverCertificate();
    const std::string key = m_certificates->serverKey();
    // -B: no byte-code files in the source tree.
    std::vector<char*> argv = {const_cast<char*>(python.c_str()),      const_cast<char*>("-B"),
                               const_cast<char*>(script.c_str()),      const_cast<char*>("--cert"),
                               const_cast<char*>(certificate.c_str()), const_cast<char*>("--key"),
                               const_cast<char*>(key.c_str()),         nullptr};
    m_pid = fork();
    if (m_pid == 0) {
        // The server must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(output[1], 1);
        close(output[0]);
        close(output[1]);
        execv(python.c_str(), argv.data());
        _exit(127);
    }
    close(output[1]);
    m_output = output[0];
    if (m_pid < 0) {
        m_error = "the server process could not be started";
        return;
    }
    const std::string line = readLine(m_output, kStartLimitMs);
    nlohmann::json ports = nlohmann::json::parse(line, nullptr, false);
    if (!ports.is_object() || !ports.contains("http") || !ports.contains("https") ||
        !ports.contains("control")) {
        m_error = "the server did not report its ports: \"" + line + "\"";
        return;
    }
    m_httpPort = ports["http"].get<int>();
    m_httpsPort = ports["https"].get<int>();
    m_controlPort = ports["control"].get<int>();
}

std::string TestServer::httpUrl(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(m_httpPort) + std::string(path);
}

std::string TestServer::httpsUrl(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(m_httpsPort) + std::string(path);
}

nlohmann::json TestServer::command(const nlohmann::json& command) {
    if (!running()) {
        return nullptr;
    }
    nlohmann::json answer =
        nlohmann::json::parse(postControl(m_controlPort, command.dump()), nullptr, false);
    return answer.is_discarded() ? nlohmann::json() : answer;
}

bool TestServer::setReply(const std::string& path, const ServerReply& reply) {
    nlohmann::json fields = {{"status", reply.status},      {"body_hex", toHex(reply.body)},
                             {"delay", reply.delaySeconds}, {"hang", reply.hang},
                             {"close", reply.close},        {"chunked", reply.chunked}};
    fields["drop"] = reply.drop;
    fields["trickle"] = reply.trickle;
    fields["endless"] = reply.endless;
    fields["headers"] = nlohmann::json::array();
    for (const auto& [name, value] : reply.headers) {
        fields["headers"].push_back({name, value});
    }
    if (!reply.redirect.empty()) {
        fields["redirect"] = reply.redirect;
    }
    if (!reply.raw.empty()) {
        fields["raw_hex"] = toHex(reply.raw);
    }
    return command({{"cmd", "set"}, {"path", path}, {"reply", fields}}).value("ok", false);
}

bool TestServer::setOcrResult(const std::string& kind, const nlohmann::json& value) {
    return command({{"cmd", "ocr"}, {"kind", kind}, {"value", value}}).value("ok", false);
}

bool TestServer::setUpdateDocument(const nlohmann::json& document) {
    return command({{"cmd", "update"}, {"value", document}}).value("ok", false);
}

bool TestServer::setTlsStalled(bool stalled) {
    return command({{"cmd", "stall_tls"}, {"value", stalled}}).value("ok", false);
}

bool TestServer::reset() {
    return command({{"cmd", "reset"}}).value("ok", false);
}

bool TestServer::clearRequests() {
    return command({{"cmd", "clear"}}).value("ok", false);
}

std::vector<RecordedRequest> TestServer::requests() {
    std::vector<RecordedRequest> list;
    const nlohmann::json answer = command({{"cmd", "records"}});
    if (!answer.is_object() || !answer.contains("records")) {
        return list;
    }
    for (const nlohmann::json& entry : answer["records"]) {
        RecordedRequest request;
        request.id = entry.value("id", 0);
        request.connection = entry.value("connection", 0);
        request.listener = entry.value("listener", "");
        request.tlsResumed = entry.value("tls_resumed", false);
        request.method = entry.value("method", "");
        request.target = entry.value("target", "");
        request.requestLine = fromHex(entry.value("request_line_hex", ""));
        request.headerBlock = fromHex(entry.value("headers_hex", ""));
        request.body = fromHex(entry.value("body_hex", ""));
        list.push_back(std::move(request));
    }
    return list;
}
