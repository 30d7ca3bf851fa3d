// The code page 936, UTF-16 and UTF-8 conversions at the file and wire boundaries, and the
// text operations on what they give: each round trip that must hold, holds. The fused base64
// + URL encoding gives, on every loop the processor runs, the two separate passes' bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/base64.h"
#include "net/text_encoding.h"
#include "net/url_encode.h"
#include "platform/charset.h"
#include "text/text_tools.h"

namespace {

void check(bool holds, const char* what, const std::string& text) {
    if (holds) return;
    std::fprintf(stderr, "%s fails for \"%s\"\n", what, text.c_str());
    std::abort();
}

void conversions(const std::string& bytes) {
    const std::string utf8 = charset::sanitizeUtf8(bytes);
    check(charset::isValidUtf8(utf8), "sanitizeUtf8 gives UTF-8", bytes);
    check(!charset::isValidUtf8(bytes) || utf8 == bytes, "sanitizeUtf8 keeps UTF-8", bytes);
    // Every character survives code page 936 with GB18030's forms, except the few private-use
    // code points that GB18030 gave to standard characters, which have no code of their own
    // and are written as "?"; and every character survives UTF-16.
    std::string kept;
    for (size_t i = 0; i < utf8.size();) {
        const std::string one = utf8.substr(i, text::charLength(utf8, i));
        kept += charset::utf8ToCp936(one, true) == "?" ? std::string("?") : one;
        i += one.size();
    }
    check(charset::cp936ToUtf8(charset::utf8ToCp936(utf8, true)) == kept, "936 round trip", utf8);
    check(charset::utf16ToUtf8(charset::utf8ToUtf16(utf8, false), false) == utf8,
          "UTF-16 LE round trip", utf8);
    check(charset::utf16ToUtf8(charset::utf8ToUtf16(utf8, true), true) == utf8,
          "UTF-16 BE round trip", utf8);
    check(charset::isValidUtf8(charset::cp936ToUtf8(bytes)), "936 decodes to UTF-8", bytes);
    check(charset::isValidUtf8(charset::fileTextToUtf8(bytes)), "a file reads as UTF-8", bytes);
    check(charset::isValidUtf8(charset::utf16ToUtf8(bytes, false)), "UTF-16 decodes", bytes);
    // The wire's conversions end at a zero byte and always give UTF-8.
    const Text fromGbk = GbkToUtf8(bytes), fromBody = Utf8ToGbk(bytes);
    check(charset::isValidUtf8(fromGbk) && fromGbk.find('\0') == Text::npos, "GbkToUtf8", bytes);
    check(charset::isValidUtf8(fromBody) && fromBody.find('\0') == Text::npos, "Utf8ToGbk", bytes);
}

void operations(const std::string& text, const std::string& pattern) {
    if (!pattern.empty()) {
        const int at = text::find(text, pattern);
        check(at == -1 || (at >= 1 && text.compare(at - 1, pattern.size(), pattern) == 0),
              "find points at the pattern", text);
        const std::vector<Text> pieces = text::split(text, pattern);
        std::string joined;
        for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? pattern : "") + pieces[i];
        // An empty piece after the last separator is dropped.
        check(joined == text || joined + pattern == text, "split pieces join back", text);
        text::replaceAll(text, pattern, "x");
    }
    const Text trimmed = text::trim(text);
    check(!trimmed.starts_with(' ') && !trimmed.ends_with(' '), "trim", text);
    text::toInt(text);
    text::toNumber(text);
    text::toLowerAscii(text);
    text::crlfToLf(text::lfToCrlf(text));
    const Text full = TextTools::toFullWidth(text), half = TextTools::toHalfWidth(text);
    check(charset::isValidUtf8(full) || !charset::isValidUtf8(text), "full width is UTF-8", text);
    check(charset::isValidUtf8(half) || !charset::isValidUtf8(text), "half width is UTF-8", text);
    // Letters and digits come back from full width unchanged.
    bool alnum = true;
    for (char c : text) alnum = alnum && std::isalnum(static_cast<unsigned char>(c));
    check(!alnum || TextTools::toHalfWidth(full) == text, "full/half width round trip", text);
}

void fusedEncoding(const std::string& bytes) {
    const std::string expected = UrlEncode(Base64::Encode(bytes), true, true);
    using base64_kernel::Path;
    for (Path path : {Path::Portable, Path::Ssse3, Path::Avx2}) {
        if (base64_kernel::supported(path))
            check(Base64::EncodeUrlEncoded(bytes, path) == expected, "fused encoding", bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string pattern = input.ConsumeRandomLengthString(8);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    conversions(bytes);
    operations(bytes, pattern);
    fusedEncoding(bytes);
    return 0;
}
