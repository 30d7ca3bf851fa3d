#pragma once
// The text rules of the HTTP client: how a URL is cut into host, port and request path,
// how header lines are read, and how cookie texts are merged. Positions are 1-based byte
// positions as in text/text_tools.h.
#include <string_view>

#include "text/text_tools.h"

namespace http {

// The lower-cased host of the URL; with keepPort, followed by ":" and the port when the
// URL names one. A URL without "https://" counts as plain http; the host ends only at a
// "/", so a query written straight after the host becomes part of it.
Text UrlHost(std::string_view url, bool keepPort = false);
// The port the URL names, else 443 when it begins with "https" and 80 otherwise; a port
// that is not a number gives 0.
int UrlPort(std::string_view url);
// The request target: from the first "/" after the host to the end, query and fragment
// included, letter case unchanged; "/" when there is none.
Text UrlPath(std::string_view url);

// The text between the first left (searched from start; 0 means from the beginning) and
// the next right after it; empty when either is missing. "#引号" in a marker stands for
// the double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 int start = 0, bool ignoreCase = false);
// What follows the first ":" of the line, trimmed; empty without ":".
Text HeaderValue(std::string_view line);

// Merges the fresh cookie pairs into the jar ("name=value" pairs separated by ";"): a
// fresh pair replaces the jar's pair of the same (case-sensitive) name or is appended,
// a pair whose value is "deleted" leaves. The result, also stored in jar, has no spaces
// and every pair closed by ";".
Text MergeCookies(Text& jar, std::string_view fresh);
// The text before the first "=" (all of it without one), trimmed.
Text CookieName(std::string_view pair);
// The text after the first "=", untrimmed; empty without one.
Text CookieValue(std::string_view pair);

}  // namespace http
