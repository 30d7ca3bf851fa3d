#include "net/http_text.h"

#include <vector>

namespace http {

namespace {

constexpr std::string_view kQuotePlaceholder = "#引号";
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

Text withQuotes(std::string_view marker) {
    return text::replaceAll(marker, kQuotePlaceholder, "\"");
}

Text withoutSpaces(std::string_view value) {
    return text::replaceAll(text::replaceAll(value, " ", ""), kIdeographicSpace, "");
}

struct CookieList {
    std::vector<Text> names;
    std::vector<Text> values;
};

CookieList cookieList(std::string_view jar) {
    CookieList list;
    for (const Text& piece : text::split(jar, ";")) {
        list.names.push_back(CookieName(piece));
        list.values.push_back(CookieValue(piece));
    }
    return list;
}

}  // namespace

Text UrlHost(std::string_view url, bool keepPort) {
    Text lower = text::toLowerAscii(url);
    if (!lower.ends_with('/')) {
        lower += '/';
    }
    Text host;
    if (lower.starts_with("https://")) {
        host = TextBetween(lower, "https://", "/");
    } else {
        if (text::find(lower, "http://") < 0) {
            lower.insert(0, "http://");
        }
        host = TextBetween(lower, "http://", "/");
    }
    if (!keepPort) {
        host = host.substr(0, host.find(':'));
    }
    return host;
}

int UrlPort(std::string_view url) {
    Text host = UrlHost(url, true);
    size_t colon = host.rfind(':');
    if (colon != Text::npos) {
        return text::toInt(std::string_view(host).substr(colon + 1));
    }
    return text::toLowerAscii(url.substr(0, 5)) == "https" ? 443 : 80;
}

Text UrlPath(std::string_view url) {
    int hostAt = text::find(url, UrlHost(url, false), 1, true);
    int slash = text::find(url, "/", hostAt < 1 ? 1 : hostAt);
    if (slash < 1) {
        return "/";
    }
    return Text(url.substr(static_cast<size_t>(slash) - 1));
}

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
    const Text leftMarker = withQuotes(left);
    const Text rightMarker = withQuotes(right);
    int leftAt = text::find(text, leftMarker, start, ignoreCase);
    if (leftAt < 1) {
        return {};
    }
    int inside = leftAt + static_cast<int>(leftMarker.size());
    int rightAt = text::find(text, rightMarker, inside, ignoreCase);
    if (rightAt < 1) {
        return {};
    }
    return Text(
        text.substr(static_cast<size_t>(inside) - 1, static_cast<size_t>(rightAt - inside)));
}

Text HeaderValue(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    return text::trim(line.substr(colon + 1));
}

Text MergeCookies(Text& jar, std::string_view fresh) {
    jar = withoutSpaces(jar);
    const Text freshPairs = withoutSpaces(fresh);
    if (freshPairs.empty()) {
        return jar;
    }
    CookieList merged = cookieList(jar);
    const CookieList incoming = cookieList(freshPairs);
    for (size_t i = 0; i < incoming.names.size(); ++i) {
        size_t k = 0;
        while (k < merged.names.size() && merged.names[k] != incoming.names[i]) {
            ++k;
        }
        if (k < merged.names.size()) {
            merged.values[k] = incoming.values[i];
        } else {
            merged.names.push_back(incoming.names[i]);
            merged.values.push_back(incoming.values[i]);
        }
    }
    Text rebuilt;
    for (size_t k = 0; k < merged.names.size(); ++k) {
        const Text& value = merged.values[k];
        if (value != "deleted" && !merged.names[k].empty() && !value.empty()) {
            rebuilt += merged.names[k] + "=" + value + ";";
        }
    }
    jar = text::replaceAll(rebuilt, ";;", ";");
    return jar;
}

Text CookieName(std::string_view pair) {
    return text::trim(pair.substr(0, pair.find('=')));
}

Text CookieValue(std::string_view pair) {
    size_t equals = pair.find('=');
    return equals == std::string_view::npos ? Text() : Text(pair.substr(equals + 1));
}

}  // namespace http
