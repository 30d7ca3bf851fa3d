#include "https_bench.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "support/test_server.h"

namespace {

const std::string kKeptPath = "/bench/kept";
const std::string kClosingPath = "/bench/closing";

size_t appendBody(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// "yes", "no" or "3 of 11 rounds" when the rounds disagree.
std::string tally(int yes, int total) {
    if (yes == total) return "yes";
    if (yes == 0) return "no";
    return std::to_string(yes) + " of " + std::to_string(total) + " rounds";
}

}  // namespace

HttpsBench::HttpsBench(BenchReport& report) : m_report(report) {}

void HttpsBench::run() {
    TestServer server;
    if (!server.running()) {
        m_report.skip("HTTPS", "the local test server did not start: " + server.error());
        return;
    }
    ServerReply kept;
    kept.body = "ok";
    ServerReply closing;
    closing.body = "ok";
    closing.close = true;
    if (!server.setReply(kKeptPath, kept) || !server.setReply(kClosingPath, closing)) {
        m_report.skip("HTTPS", "the local test server does not take replies");
        return;
    }
    const std::string keptUrl = server.httpsUrl(kKeptPath);
    const std::string closingUrl = server.httpsUrl(kClosingPath);

    struct Scenario {
        const char* name;
        std::string first;
        std::string second;
    };
    const Scenario scenarios[] = {
        {"keep-alive", keptUrl + "?n=1", keptUrl + "?n=2"},
        {"server closes after the 1st", closingUrl + "?n=1", keptUrl + "?n=2"},
    };
    for (const Scenario& scenario : scenarios) {
        std::vector<Round> ours, theirs;
        for (int k = 0; k < kRounds; ++k) {
            ours.push_back(transportRound(server, scenario.first, scenario.second));
            theirs.push_back(curlRound(server, scenario.first, scenario.second));
        }
        add("Ozmira CurlTransport", scenario.name, ours);
        add("libcurl easy handle (baseline)", scenario.name, theirs);
    }
    m_report.note("HTTPS: local test server on 127.0.0.1 with a certificate made at run time; " +
                  std::to_string(kRounds) +
                  " rounds each, every round with a fresh transport or a "
                  "fresh libcurl easy handle (in this process), so the first request is always "
                  "cold; both timed around the request alone.");
    if (!m_curlError.empty()) m_report.note("HTTPS: libcurl baseline: " + m_curlError + ".");
}

HttpsBench::Round HttpsBench::transportRound(TestServer& server, const std::string& first,
                                             const std::string& second) {
    Round round;
    server.clearRequests();
    CurlTransport transport(server.certificates().caFile());
    HttpClient client(transport);
    auto start = std::chrono::steady_clock::now();
    const bool firstOk = client.Request(first) == "ok";
    round.firstMs = since(start);
    start = std::chrono::steady_clock::now();
    const bool secondOk = client.Request(second) == "ok";
    round.secondMs = since(start);
    if (firstOk && secondOk) readRecords(server, round);
    return round;
}

HttpsBench::Round HttpsBench::curlRound(TestServer& server, const std::string& first,
                                        const std::string& second) {
    Round round;
    server.clearRequests();
    // libcurl as an application uses it by default: one easy handle for both transfers, so
    // it keeps the connection and the TLS session between them; only the CA is set.
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    if (!handle) {
        m_curlError = "curl_easy_init failed";
        return round;
    }
    std::string body;
    curl_easy_setopt(handle.get(), CURLOPT_CAINFO, server.certificates().caFile().c_str());
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
    auto transfer = [&](const std::string& url, double& ms) {
        body.clear();
        curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
        const auto start = std::chrono::steady_clock::now();
        const CURLcode code = curl_easy_perform(handle.get());
        ms = since(start);
        long status = 0;
        curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK) m_curlError = curl_easy_strerror(code);
        return code == CURLE_OK && status == 200 && body == "ok";
    };
    const bool firstOk = transfer(first, round.firstMs);
    const bool secondOk = transfer(second, round.secondMs);
    if (firstOk && secondOk) readRecords(server, round);
    return round;
}

void HttpsBench::readRecords(TestServer& server, Round& round) {
    const std::vector<RecordedRequest> requests = server.requests();
    if (requests.size() != 2) return;
    round.sameConnection = requests[0].connection == requests[1].connection;
    round.secondResumed = requests[1].tlsResumed;
    round.recorded = true;
}

void HttpsBench::add(const std::string& client, const std::string& scenario,
                     const std::vector<Round>& rounds) {
    std::vector<double> first, second;
    int recorded = 0, same = 0, handshake = 0;
    for (const Round& round : rounds) {
        if (!round.recorded) continue;
        ++recorded;
        first.push_back(round.firstMs);
        second.push_back(round.secondMs);
        same += round.sameConnection;
        // A connection of its own that did not resume a session shook hands in full.
        handshake += !round.sameConnection && !round.secondResumed;
    }
    if (recorded == 0) {
        m_report.add(ConnectionFigure{client, scenario, {}, {}, "failed", "failed"});
        return;
    }
    std::string newHandshake = tally(handshake, recorded);
    if (same == 0 && handshake == 0) newHandshake += " (new TCP, session resumed)";
    m_report.add(ConnectionFigure{client, scenario, BenchTimer::summarize(first),
                                  BenchTimer::summarize(second), tally(same, recorded),
                                  newHandshake});
    if (recorded < static_cast<int>(rounds.size())) {
        m_report.note("HTTPS: " + client + ", " + scenario + ": " +
                      std::to_string(static_cast<int>(rounds.size()) - recorded) +
                      " round(s) failed and are left out.");
    }
}
