#pragma once
// The process-wide cookie store of the requests whose caller leaves cookies to the
// transport. libcurl cannot share a cookie store between threads that run at the same
// time, so each exchange works on its own copy: it starts from a snapshot and hands back
// what its handle holds afterwards.
#include <mutex>
#include <string>
#include <vector>

class CurlCookieJar {
public:
    // The cookies in libcurl's one-line form ("domain\tflag\tpath\tsecure\texpiry\tname\tvalue").
    std::vector<std::string> snapshot() const;
    // Takes in what one exchange ended with: each cookie it holds is added or replaced;
    // a cookie of its snapshot that it no longer holds was removed by the server, unless
    // another exchange has changed that cookie in the meantime.
    void update(const std::vector<std::string>& before, const std::vector<std::string>& after);

private:
    size_t indexOf(const std::string& key) const;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_keys;   // domain, path and name of each cookie
    std::vector<std::string> m_lines;  // the cookie lines, in the order they were set
};
