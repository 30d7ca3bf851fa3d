#pragma once
// Long-lived libcurl easy handles. Each handle keeps its own live connections (libcurl's
// shared connection cache is not safe across threads), so a request is given the idle
// handle that last talked to the same origin and travels on its warm connection. Name
// lookups and TLS sessions are shared by all handles, under locks, so even a new
// connection resumes its TLS session.
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include <curl/curl.h>

class CurlHandlePool {
public:
    CurlHandlePool();
    ~CurlHandlePool();
    CurlHandlePool(const CurlHandlePool&) = delete;
    CurlHandlePool& operator=(const CurlHandlePool&) = delete;

    // A handle with every option at its default and the shared data attached; nullptr
    // when libcurl cannot make one. Handles with a cookie engine are kept apart from the
    // others, so an engine never takes part in a request that must not have one.
    CURL* acquire(const std::string& origin, bool withCookies);
    // Gives the handle back for later requests; origin is where its connection leads.
    void release(CURL* handle, const std::string& origin, bool withCookies);

private:
    struct IdleHandle {
        CURL* handle = nullptr;
        std::string origin;
        bool withCookies = false;
    };

    static void lockShared(CURL* handle, curl_lock_data data, curl_lock_access access, void* pool);
    static void unlockShared(CURL* handle, curl_lock_data data, void* pool);

    std::mutex m_mutex;
    std::vector<IdleHandle> m_idle;  // least recently used first
    CURLSH* m_share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_sharedLocks;
};
