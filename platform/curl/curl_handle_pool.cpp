#include "platform/curl/curl_handle_pool.h"

namespace {

// Enough for the few threads that talk at the same time; older handles are closed with
// their connections.
constexpr size_t kMaxIdleHandles = 6;

std::once_flag g_curlInitialized;

}  // namespace

CurlHandlePool::CurlHandlePool() {
    // libcurl's global set-up must run once, before any handle exists.
    std::call_once(g_curlInitialized, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_share = curl_share_init();
    if (m_share) {
        curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &CurlHandlePool::lockShared);
        curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &CurlHandlePool::unlockShared);
        curl_share_setopt(m_share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
}

CurlHandlePool::~CurlHandlePool() {
    for (IdleHandle& idle : m_idle) {
        curl_easy_cleanup(idle.handle);
    }
    if (m_share) {
        curl_share_cleanup(m_share);
    }
}

CURL* CurlHandlePool::acquire(const std::string& origin, bool withCookies) {
    CURL* handle = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto best = m_idle.end();
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if (it->withCookies != withCookies) {
                continue;
            }
            // The most recently used handle of the same origin, else of any origin.
            if (it->origin == origin || best == m_idle.end() || best->origin != origin) {
                best = it;
            }
        }
        if (best != m_idle.end()) {
            handle = best->handle;
            m_idle.erase(best);
        }
    }
    if (!handle) {
        handle = curl_easy_init();
    }
    if (handle && m_share) {
        curl_easy_setopt(handle, CURLOPT_SHARE, m_share);
    }
    return handle;
}

void CurlHandlePool::release(CURL* handle, const std::string& origin, bool withCookies) {
    if (!handle) {
        return;
    }
    // Back to every default: no option may point at the finished request's buffers. The
    // connections, the TLS sessions and the share stay.
    curl_easy_reset(handle);
    CURL* retired = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_idle.push_back({handle, origin, withCookies});
        if (m_idle.size() > kMaxIdleHandles) {
            retired = m_idle.front().handle;
            m_idle.erase(m_idle.begin());
        }
    }
    if (retired) {
        curl_easy_cleanup(retired);
    }
}

void CurlHandlePool::lockShared(CURL*, curl_lock_data data, curl_lock_access, void* pool) {
    auto* self = static_cast<CurlHandlePool*>(pool);
    if (data >= 0 && static_cast<size_t>(data) < self->m_sharedLocks.size()) {
        self->m_sharedLocks[static_cast<size_t>(data)].lock();
    }
}

void CurlHandlePool::unlockShared(CURL*, curl_lock_data data, void* pool) {
    auto* self = static_cast<CurlHandlePool*>(pool);
    if (data >= 0 && static_cast<size_t>(data) < self->m_sharedLocks.size()) {
        self->m_sharedLocks[static_cast<size_t>(data)].unlock();
    }
}
