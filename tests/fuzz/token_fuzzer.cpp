// The Google translator's request token on any text and key: the arithmetic stays defined
// (UBSan watches the shifts and conversions), the token has its "<digits>.<digits>" form, and
// a valid UTF-8 text becomes the same UTF-16 code units as the file conversion gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/charset.h"
#include "translate/google_token.h"

namespace {

// "<a>.<a ^ h>": "^" gives a signed 32-bit result in the script, so a key beyond 31 bits
// can make the second number negative.
bool isToken(const std::string& token) {
    const size_t dot = token.find('.');
    if (dot == std::string::npos || dot == 0) return false;
    const size_t second = token.compare(dot + 1, 1, "-") == 0 ? dot + 2 : dot + 1;
    if (second == token.size()) return false;
    for (size_t i = 0; i < token.size(); ++i) {
        if (i != dot && i + 1 != second && (token[i] < '0' || token[i] > '9')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string key = input.ConsumeRandomLengthString(32);
    const std::string text = input.ConsumeRemainingBytesAsString();
    const Text token = GoogleToken::tk(text, key), own = GoogleToken::tk(text);
    if (!isToken(token) || !isToken(own)) {
        std::fprintf(stderr, "malformed token \"%s\" / \"%s\"\n", token.c_str(), own.c_str());
        std::abort();
    }
    const std::vector<uint16_t> units = GoogleToken::utf16Units(text);
    if (charset::isValidUtf8(text)) {
        const std::string wide = charset::utf8ToUtf16(text, false);
        bool same = units.size() * 2 == wide.size();
        for (size_t i = 0; same && i < units.size(); ++i) {
            same = units[i] == (static_cast<uint8_t>(wide[2 * i]) |
                                static_cast<uint8_t>(wide[2 * i + 1]) << 8);
        }
        if (!same) {
            std::fprintf(stderr, "UTF-16 units differ for \"%s\"\n", text.c_str());
            std::abort();
        }
    }
    return 0;
}
