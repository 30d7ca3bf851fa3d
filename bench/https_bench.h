#pragma once
// A warm HTTPS connection: two requests to one host through the program's transport, and
// the same two requests made through one libcurl easy handle with its defaults as the
// baseline, in the same process. The local test server records, for every request, which TCP
// connection carried it and whether that connection resumed an earlier TLS session.
#include <string>
#include <vector>

#include "bench_report.h"

class TestServer;

class HttpsBench {
public:
    static constexpr int kRounds = 11;

    explicit HttpsBench(BenchReport& report);
    void run();

private:
    struct Round {
        double firstMs = 0;
        double secondMs = 0;
        bool sameConnection = false;
        bool secondResumed = false;
        bool recorded = false;
    };

    // Each round is a fresh transport (or a fresh easy handle): a cold first request,
    // then a second one to the same host.
    Round transportRound(TestServer& server, const std::string& first, const std::string& second);
    Round curlRound(TestServer& server, const std::string& first, const std::string& second);
    // Fills in what the server saw for the two requests of the round.
    static void readRecords(TestServer& server, Round& round);
    void add(const std::string& client, const std::string& scenario,
             const std::vector<Round>& rounds);

    BenchReport& m_report;
    std::string m_curlError;  // the last failure of the baseline, for the notes
};
