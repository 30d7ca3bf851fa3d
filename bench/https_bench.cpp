#include "https_bench.h"

#include <chrono>
#include <cstdio>
#include <sstream>

#include "net/http_client.h"
#include "platform/curl/curl_transport.h"
#include "support/test_server.h"

namespace {

const std::string kKeptPath = "/bench/kept";
const std::string kClosingPath = "/bench/closing";

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
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
        add("curl command line (baseline)", scenario.name, theirs);
    }
    m_report.note("HTTPS: local test server on 127.0.0.1 with a certificate made at run time; " +
                  std::to_string(kRounds) +
                  " rounds each, every round with a fresh transport or a "
                  "fresh curl process, so the first request is always cold. curl's times are its "
                  "own time_total per transfer (process start not included).");
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
    const std::string command = "curl --silent --show-error --cacert " +
                                quoted(server.certificates().caFile()) +
                                " -o /dev/null -o /dev/null -w '%{http_code} %{time_total}\\n' " +
                                quoted(first) + " " + quoted(second) + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return round;
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pclose(pipe) != 0) return round;
    std::istringstream in(output);
    int firstStatus = 0, secondStatus = 0;
    double firstSeconds = 0, secondSeconds = 0;
    if (!(in >> firstStatus >> firstSeconds >> secondStatus >> secondSeconds)) return round;
    round.firstMs = firstSeconds * 1000;
    round.secondMs = secondSeconds * 1000;
    if (firstStatus == 200 && secondStatus == 200) readRecords(server, round);
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
        m_report.add(ConnectionFigure{client, scenario, {}, {}, "no answer", "no answer"});
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
