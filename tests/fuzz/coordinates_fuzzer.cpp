// The coordinate text "x1|y1|x2|y2" of a fixed capture, as the capture command reads it:
// a rectangle comes out only when it is one (left < right, top < bottom, its width and height
// computable, as the capture then asks for them), its text form reads back as the same
// rectangle, and plain ASCII numbers give exactly those numbers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/capture_commands.h"
#include "text/text_tools.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, text.c_str());
    std::abort();
}

// Four plain numbers ("-12", "+7", "300"; at most nine digits) joined by "|", or false.
bool plainNumbers(const std::string& text, int64_t (&numbers)[4]) {
    size_t i = 0;
    for (int k = 0; k < 4; ++k) {
        if (k > 0 && (i >= text.size() || text[i++] != '|')) return false;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        const size_t start = i;
        int64_t value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 9; ++i)
            value = value * 10 + (text[i] - '0');
        if (i == start || (i < text.size() && text[i] >= '0' && text[i] <= '9')) return false;
        numbers[k] = negative ? -value : value;
    }
    return i == text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto rect = CaptureCommands::parseCoordinates(text);
    if (rect) {
        if (!rect->valid()) fail("an invalid rectangle came out", text);
        // What StartCapture asks the screen for.
        if (rect->width() <= 0 || rect->height() <= 0) fail("an empty rectangle came out", text);
        const std::string again = text::fromInt(rect->left) + "|" + text::fromInt(rect->top) + "|" +
                                  text::fromInt(rect->right) + "|" + text::fromInt(rect->bottom);
        if (CaptureCommands::parseCoordinates(again) != rect) fail("no round trip", again);
    }
    int64_t n[4];
    if (plainNumbers(text, n)) {
        const bool valid = n[0] < n[2] && n[1] < n[3];
        if (valid != rect.has_value()) fail("plain numbers judged wrongly", text);
        if (rect && (rect->left != n[0] || rect->top != n[1] || rect->right != n[2] ||
                     rect->bottom != n[3]))
            fail("plain numbers read wrongly", text);
    }
    return 0;
}
