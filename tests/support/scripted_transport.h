#pragma once
// An HTTP transport that answers from a script and records every request, for the logic
// tests that need a service but not the wire (the wire is tested against real servers).
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/http.h"

class ScriptedTransport : public platform::HttpTransport {
public:
    // Replies by host and path without the query ("srv/ocr/v1/idcard"); anything else
    // fails to connect.
    void reply(const std::string& hostAndPath, const std::string& body) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_replies[hostAndPath] = body;
    }
    void refuse(const std::string& hostAndPath) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_replies.erase(hostAndPath);
    }
    std::vector<platform::HttpWireRequest> requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    platform::HttpWireRequest last() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests.empty() ? platform::HttpWireRequest{} : m_requests.back();
    }

    platform::HttpWireResponse perform(const platform::HttpWireRequest& request) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        const std::string key = request.host + request.path.substr(0, request.path.find('?'));
        auto it = m_replies.find(key);
        if (it == m_replies.end()) return {};
        platform::HttpWireResponse r;
        r.connected = true;
        r.ok = true;
        r.body = it->second;
        r.headers = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n";
        return r;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::string> m_replies;
    std::vector<platform::HttpWireRequest> m_requests;
};
