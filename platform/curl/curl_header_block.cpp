#include "platform/curl/curl_header_block.h"

#include <algorithm>
#include <vector>

namespace curl_block {
namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool hasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), isControl);
}

bool startsWithName(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':') {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        char a = line[i], b = name[i];
        if ((a | 0x20) != (b | 0x20)) {
            return false;
        }
    }
    return true;
}

// The block's lines, split at CR LF; empty lines are left out.
std::vector<std::string_view> linesOf(std::string_view block) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= block.size()) {
        size_t end = block.find("\r\n", start);
        std::string_view line =
            block.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
    return lines;
}

bool hasLine(const std::vector<std::string_view>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(),
                       [name](std::string_view line) { return startsWithName(line, name); });
}

}  // namespace

bool isClean(const platform::HttpWireRequest& request) {
    for (std::string_view field :
         {std::string_view(request.verb), std::string_view(request.host),
          std::string_view(request.path), std::string_view(request.proxy)}) {
        if (hasControl(field)) {
            return false;
        }
    }
    if (request.host.empty() || request.host.find(' ') != std::string::npos) {
        return false;
    }
    const std::vector<std::string_view> lines = linesOf(request.headers);
    if (std::any_of(lines.begin(), lines.end(), hasControl)) {
        return false;
    }
    // The agent travels only when the block names none (libcurl leaves its own out then).
    return hasLine(lines, "User-Agent") || !hasControl(request.userAgent);
}

// libcurl drops a line whose value is blank unless it is written "Name;", and leaves out
// its own Accept, Content-Type and Expect lines when the list names them with no value.
curl_slist* headerList(const std::string& block) {
    const std::vector<std::string_view> lines = linesOf(block);
    curl_slist* list = nullptr;
    auto add = [&list](const std::string& line) {
        if (curl_slist* longer = curl_slist_append(list, line.c_str())) {
            list = longer;
        }
    };
    for (std::string_view line : lines) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            continue;  // not a header line; it cannot travel
        }
        if (line.find_first_not_of(" \t", colon + 1) == std::string_view::npos) {
            add(std::string(line.substr(0, colon)) + ";");
        } else {
            add(std::string(line));
        }
    }
    for (std::string_view name : {"Accept", "Content-Type", "Expect"}) {
        if (!hasLine(lines, name)) {
            add(std::string(name) + ":");
        }
    }
    return list;
}

std::string headerValue(const std::string& block, std::string_view name) {
    for (std::string_view line : linesOf(block)) {
        if (startsWithName(line, name)) {
            std::string_view value = line.substr(name.size() + 1);
            size_t first = value.find_first_not_of(" \t");
            size_t last = value.find_last_not_of(" \t");
            return first == std::string_view::npos
                       ? std::string()
                       : std::string(value.substr(first, last - first + 1));
        }
    }
    return {};
}

}  // namespace curl_block
