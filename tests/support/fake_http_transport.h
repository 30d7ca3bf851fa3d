#pragma once
// An in-memory HTTP transport: it keeps every request it is given and answers with the
// scripted responses in order, then with the last one again.
#include <deque>
#include <vector>

#include "platform/http.h"

class FakeHttpTransport : public platform::HttpTransport {
public:
    // A response whose server was reached and answered completely.
    static platform::HttpWireResponse answer(std::string headers, std::string body = {}) {
        return {true, true, std::move(body), std::move(headers)};
    }

    void script(platform::HttpWireResponse response) { m_responses.push_back(std::move(response)); }

    platform::HttpWireResponse perform(const platform::HttpWireRequest& request) override {
        requests.push_back(request);
        if (m_responses.size() > 1) {
            platform::HttpWireResponse next = std::move(m_responses.front());
            m_responses.pop_front();
            return next;
        }
        return m_responses.empty() ? platform::HttpWireResponse() : m_responses.front();
    }

    std::vector<platform::HttpWireRequest> requests;

private:
    std::deque<platform::HttpWireResponse> m_responses;
};
