#include "platform/curl/curl_cookie_jar.h"

#include <algorithm>

namespace {

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";

// A cookie is identified by its domain, path and name (fields 1, 3 and 6 of the line).
std::string keyOf(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) {
            break;
        }
        start = tab + 1;
    }
    if (fields.size() < 7) {
        return line;
    }
    std::string domain = fields[0];
    if (domain.starts_with(kHttpOnlyPrefix)) {
        domain.erase(0, kHttpOnlyPrefix.size());
    }
    return domain + '\t' + fields[2] + '\t' + fields[5];
}

}  // namespace

std::vector<std::string> CurlCookieJar::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

void CurlCookieJar::update(const std::vector<std::string>& before,
                           const std::vector<std::string>& after) {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> kept;
    for (const std::string& line : after) {
        const std::string key = keyOf(line);
        kept.push_back(key);
        // A cookie this exchange left as it found it may since have changed elsewhere.
        if (std::find(before.begin(), before.end(), line) != before.end()) {
            continue;
        }
        size_t at = indexOf(key);
        if (at < m_keys.size()) {
            m_lines[at] = line;
        } else {
            m_keys.push_back(key);
            m_lines.push_back(line);
        }
    }
    for (const std::string& line : before) {
        const std::string key = keyOf(line);
        size_t at = indexOf(key);
        if (at < m_keys.size() && m_lines[at] == line &&
            std::find(kept.begin(), kept.end(), key) == kept.end()) {
            m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(at));
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
}

size_t CurlCookieJar::indexOf(const std::string& key) const {
    return static_cast<size_t>(std::find(m_keys.begin(), m_keys.end(), key) - m_keys.begin());
}
