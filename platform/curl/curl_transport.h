#pragma once
// The HTTP transport over libcurl. One instance serves the whole process and every thread:
// connections stay open between requests, TLS sessions and name lookups are shared, and
// the certificate store is kept in memory once it has been read. TLS verification is
// always on; a CA file may replace the system's store.
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "platform/http.h"

class CurlHandlePool;
class CurlCookieJar;

class CurlTransport : public platform::HttpTransport {
public:
    static constexpr long kDefaultConnectSeconds = 10;
    static constexpr long kDefaultStallSeconds = 30;
    // Every exchange, redirects included, ends within this time.
    static constexpr std::chrono::milliseconds kDefaultTotalLimit = std::chrono::seconds(60);
    // No reply (header block and body) may be longer, unless the request allows more.
    static constexpr size_t kDefaultReplyLimit = 4 * 1024 * 1024;

    // caFile: PEM certificates to trust instead of the system's store; empty for the system's.
    explicit CurlTransport(std::string caFile = {});
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    void setCaFile(std::string caFile);
    // connectSeconds bounds making a connection, TLS handshake included; a transfer that
    // moves no byte for stallSeconds is abandoned. There is no limit on a transfer that
    // keeps moving.
    void setTimeLimits(long connectSeconds, long stallSeconds);
    // An exchange still going after the total limit, or receiving more than the reply
    // limit, is abandoned and fails.
    void setTotalTimeLimit(std::chrono::milliseconds limit);
    void setReplyLimit(size_t bytes);

    platform::HttpWireResponse perform(const platform::HttpWireRequest& request) override;

private:
    struct Settings {
        std::string caFile;
        long connectSeconds = kDefaultConnectSeconds;
        long stallSeconds = kDefaultStallSeconds;
        std::chrono::milliseconds totalLimit = kDefaultTotalLimit;
        size_t replyLimit = kDefaultReplyLimit;
    };

    Settings settings() const;

    mutable std::mutex m_mutex;
    Settings m_settings;
    std::unique_ptr<CurlHandlePool> m_pool;
    std::unique_ptr<CurlCookieJar> m_cookies;
};
