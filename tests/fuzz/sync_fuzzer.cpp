// The sync settings (TargetPaths "class|title|id" joined by "+") as a user may type them,
// delivered by the program's TargetSync to in-memory windows of other programs: every piece
// of exactly three fields is looked up with its own class and title, in order, and nothing
// else is; only existing controls receive the text, and they receive it unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/charset.h"
#include "support/fake_windows.h"
#include "sync/target_sync.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& settings) {
    std::fprintf(stderr, "%s; settings \"%s\"\n", what, settings.c_str());
    std::abort();
}

// Pieces between separators; an empty piece after the last separator does not count.
std::vector<std::string> pieces(const std::string& text, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 1;
        if (start == text.size()) break;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeRandomLengthString(64);
    // The settings come from an edit box, so they are always UTF-8.
    const std::string settings = charset::sanitizeUtf8(input.ConsumeRemainingBytesAsString());

    FakeWindows windows;
    windows.windows = {{"Edit", "Form1", {{1001, ""}, {1002, ""}}},
                       {"AppFrame", "编辑器", {{15, ""}}},
                       {"Other", "", {{1, ""}}}};
    TargetSync sync(windows, [&settings] { return settings; });
    sync.deliver(text);

    std::vector<FakeWindows::Search> expected;
    for (const std::string& path : pieces(settings, '+')) {
        const std::vector<std::string> fields = pieces(path, '|');
        if (fields.size() == 3) expected.push_back({fields[0], fields[1]});
    }
    if (windows.searches != expected) fail("the windows searched differ from the paths", settings);
    if (windows.sent.size() > expected.size()) fail("more deliveries than paths", settings);
    for (const FakeWindows::Sent& sent : windows.sent) {
        const platform::TargetHandle window = sent.control / FakeWindows::kPerWindow;
        const int id = static_cast<int>(sent.control % FakeWindows::kPerWindow);
        if (sent.control != 0 && (window < 1 || window > windows.windows.size() ||
                                  !windows.windows[window - 1].controls.count(id)))
            fail("a delivery to a control that does not exist", settings);
        if (sent.text != text) fail("the delivered text changed", settings);
    }
    return 0;
}
