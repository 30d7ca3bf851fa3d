#include "json/json_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <system_error>
#include <utility>

using Json = nlohmann::ordered_json;

namespace {

std::string formatNumber(double value) {
    // A number too large for a double reads as a script engine shows it.
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    return buffer;
}

// True when a number token is too large for a double. The parser refuses such a number and
// with it the whole reply, where a script engine reads it as Infinity; a number too small
// reads as 0 (or a subnormal) and parses already.
bool overflows(std::string_view token) {
    double value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc::result_out_of_range) return false;
    // Out of range one way or the other: the decimal exponent of the leading digit tells which.
    long intDigits = 0;
    long zerosAfterPoint = 0;
    bool afterPoint = false;
    bool seenDigit = false;
    size_t i = token[0] == '-' ? 1 : 0;
    for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
        if (token[i] == '.') {
            afterPoint = true;
        } else if (!seenDigit && token[i] == '0') {
            if (afterPoint) ++zerosAfterPoint;
        } else {
            seenDigit = true;
            if (!afterPoint) ++intDigits;
        }
    }
    const long lead = intDigits > 0 ? intDigits - 1 : -(zerosAfterPoint + 1);
    long exponent = 0;
    bool negative = false;
    for (; i < token.size(); ++i) {
        if (token[i] == '-') negative = true;
        if (token[i] >= '0' && token[i] <= '9') {
            exponent = std::min(exponent * 10 + (token[i] - '0'), 1000000L);
        }
    }
    return lead + (negative ? -exponent : exponent) > 0;
}

// One pass over the reply outside its strings. It counts bracket nesting without parsing, so
// that a hostile reply nested thousands of levels deep never reaches the parser's or the
// destructor's recursion, and it notes each number too large for a double by its place
// among the reply's numbers, writing 0 in its stead so that the parser takes the rest.
struct Scan {
    bool withinDepth = true;
    std::string rewritten;                          // empty when nothing was replaced
    std::vector<std::pair<size_t, bool>> infinite;  // place among the numbers, negative
};

Scan scanText(std::string_view text, int limit) {
    Scan scan;
    int depth = 0;
    bool inString = false;
    size_t numbers = 0;
    size_t copied = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                scan.withinDepth = false;
                return scan;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const size_t end = std::min(text.find_first_not_of("0123456789.eE+-", i), text.size());
            if (overflows(text.substr(i, end - i))) {
                scan.infinite.emplace_back(numbers, c == '-');
                scan.rewritten.append(text.substr(copied, i - copied)).append("0");
                copied = end;
            }
            ++numbers;
            i = end - 1;
        }
    }
    if (!scan.infinite.empty()) scan.rewritten.append(text.substr(copied));
    return scan;
}

std::string jsonText(const Json& value) {
    // Parsed strings are valid UTF-8 already; replace keeps dump from ever throwing.
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Plain text of a value read without asJson. A boolean reads "true" or "false" and an
// array reads its elements joined by ",", each by these same rules (null as nothing), which
// is what a script engine's own text conversion gives for them. An object reads as its JSON
// text rather than the engine's uninformative "[object Object]".
void appendPlain(const Json& value, std::string& out) {
    switch (value.type()) {
        case Json::value_t::string:
            out += value.get_ref<const Json::string_t&>();
            break;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            out += formatNumber(value.get<double>());
            break;
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            break;
        case Json::value_t::array: {
            bool first = true;
            for (const Json& element : value) {
                if (!first) out += ',';
                first = false;
                appendPlain(element, out);
            }
            break;
        }
        case Json::value_t::object:
            out += jsonText(value);
            break;
        default:
            break;  // null, discarded, binary
    }
}

const Json* member(const Json* node, std::string_view name) {
    if (!node->is_object()) return nullptr;
    auto it = node->find(std::string(name));
    return it == node->end() ? nullptr : &*it;
}

const Json* element(const Json* node, std::string_view digits) {
    if (node->is_object()) return member(node, digits);
    if (!node->is_array()) return nullptr;
    // Nine digits stay clear of overflow; any such index is past the end anyway.
    if (digits.size() > 9) return nullptr;
    size_t index = 0;
    for (char c : digits) index = index * 10 + static_cast<size_t>(c - '0');
    return index < node->size() ? &(*node)[index] : nullptr;
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

bool JsonDocument::Parse(std::string_view text) {
    m_value = nullptr;
    const Scan scan = scanText(text, kMaxDepth);
    if (!scan.withinDepth) return false;
    try {
        Json parsed;
        if (scan.infinite.empty()) {
            parsed = Json::parse(text.begin(), text.end(), nullptr, false);
        } else {
            // The parser hands over the numbers in document order, as the scan counted them.
            size_t number = 0;
            size_t next = 0;
            const Json::parser_callback_t restore = [&](int, Json::parse_event_t event,
                                                        Json& value) {
                if (event != Json::parse_event_t::value || !value.is_number()) return true;
                if (next < scan.infinite.size() && scan.infinite[next].first == number) {
                    const double infinity = std::numeric_limits<double>::infinity();
                    value = scan.infinite[next].second ? -infinity : infinity;
                    ++next;
                }
                ++number;
                return true;
            };
            parsed = Json::parse(scan.rewritten, restore, false);
        }
        if (parsed.is_discarded()) return false;
        m_value = std::move(parsed);
    } catch (const std::exception&) {
        // Only an exhausted allocation gets here; the document stays null.
        m_value = nullptr;
        return false;
    }
    return !m_value.is_null();
}

const Json* JsonDocument::Find(std::string_view path) const {
    const Json* node = &m_value;
    size_t i = 0;
    while (node != nullptr && i < path.size()) {
        if (path[i] == '[') {
            const size_t start = i + 1;
            if (start < path.size() && (path[start] == '"' || path[start] == '\'')) {
                const size_t quote = path.find(path[start], start + 1);
                if (quote == std::string_view::npos || quote + 1 >= path.size() ||
                    path[quote + 1] != ']') {
                    return nullptr;
                }
                node = member(node, path.substr(start + 1, quote - start - 1));
                i = quote + 2;
            } else {
                const size_t close = path.find(']', start);
                if (close == std::string_view::npos) return nullptr;
                const std::string_view digits = path.substr(start, close - start);
                if (!allDigits(digits)) return nullptr;
                node = element(node, digits);
                i = close + 1;
            }
            continue;
        }
        // A member name: at the start of the path, otherwise after a ".".
        if (i > 0) {
            if (path[i] != '.') return nullptr;
            ++i;
        }
        const size_t end = std::min(path.find_first_of(".[", i), path.size());
        if (end == i) return nullptr;
        node = member(node, path.substr(i, end - i));
        i = end;
    }
    return node;
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) const {
    const Json* node = Find(path);
    if (node == nullptr) return {};
    if (asJson) return jsonText(*node);
    std::string out;
    appendPlain(*node, out);
    // An escaped NUL ends the text, as it ends a zero-terminated one: what follows it never
    // reaches an edit box or the clipboard.
    out.resize(std::min(out.find('\0'), out.size()));
    return out;
}

double JsonDocument::GetNumber(std::string_view path) const {
    const Json* node = Find(path);
    return node != nullptr && node->is_number() ? node->get<double>() : 0.0;
}

JsonKind JsonDocument::TypeOf(std::string_view path) const {
    const Json* node = Find(path);
    if (node == nullptr) return JsonKind::Null;
    switch (node->type()) {
        case Json::value_t::null:
            return JsonKind::Null;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            return JsonKind::Number;
        case Json::value_t::object:
            return JsonKind::Object;
        case Json::value_t::array:
            return JsonKind::Array;
        case Json::value_t::string:
            return JsonKind::String;
        default:
            return JsonKind::Other;
    }
}

int JsonDocument::GetCount(std::string_view path) const {
    const Json* node = Find(path);
    if (node == nullptr || !(node->is_object() || node->is_array())) return 0;
    return static_cast<int>(node->size());
}

int JsonDocument::MemberNames(std::vector<std::string>& names, std::string_view path) const {
    names.clear();
    const Json* node = Find(path);
    if (node != nullptr && node->is_object()) {
        for (auto it = node->begin(); it != node->end(); ++it) names.push_back(it.key());
    } else if (node != nullptr && node->is_array()) {
        for (size_t i = 0; i < node->size(); ++i) names.push_back(std::to_string(i));
    }
    return static_cast<int>(names.size());
}
