// Parses a reply as the service clients do, then reads every path that enumerating the
// document yields: each one must name a value.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_document.h"

namespace {

// Paths get long in deep documents; the walk stops after this many values.
constexpr int kMaxVisits = 4000;

std::string childPath(const std::string& path, const std::string& name, bool inArray) {
    if (inArray) return path + "[" + name + "]";
    const bool plain = !name.empty() && name.find_first_of(".[]\"'") == std::string::npos;
    if (plain) return path.empty() ? name : path + "." + name;
    // A name that holds both kinds of quote cannot be written as a path.
    if (name.find('"') == std::string::npos) return path + "[\"" + name + "\"]";
    if (name.find('\'') == std::string::npos) return path + "['" + name + "']";
    return {};
}

void walk(const JsonDocument& doc, const std::string& path, int& visits) {
    if (++visits > kMaxVisits) return;
    const JsonKind kind = doc.TypeOf(path);
    if (doc.GetText(path, true).empty()) {
        std::fprintf(stderr, "enumerated path \"%s\" reads nothing\n", path.c_str());
        std::abort();
    }
    doc.GetText(path);
    doc.GetNumber(path);
    if (kind != JsonKind::Object && kind != JsonKind::Array) return;
    std::vector<std::string> names;
    const int count = doc.MemberNames(names, path);
    if (count != doc.GetCount(path) || count != static_cast<int>(names.size())) std::abort();
    for (const std::string& name : names) {
        const std::string child = childPath(path, name, kind == JsonKind::Array);
        if (!child.empty()) walk(doc, child, visits);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonDocument doc;
    if (!doc.Parse(text)) return 0;
    int visits = 0;
    walk(doc, "", visits);
    // Paths the program never builds must still read as missing, not fail.
    doc.GetText(text);
    doc.TypeOf(text);
    return 0;
}
