#include "net/url_encode.h"

#include <array>
#include <cstdint>

#include "platform/charset.h"

namespace {

constexpr std::array<bool, 256> makeSafeTable() {
    std::array<bool, 256> safe{};
    for (int c = 0; c < 256; ++c) {
        safe[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  c == '-' || c == '.';
    }
    return safe;
}

constexpr std::array<bool, 256> kSafe = makeSafeTable();
constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

Text UrlEncode(std::string_view text, bool keepSafe, bool toUtf8) {
    if (text.empty()) {
        return {};
    }
    // Texts are UTF-8 already; only the code page 936 form needs a conversion.
    std::string converted;
    std::string_view bytes = text;
    if (!toUtf8) {
        converted = charset::utf8ToCp936(text, false);
        bytes = converted;
    }
    size_t kept = 0;
    if (keepSafe) {
        for (char ch : bytes) {
            kept += kSafe[static_cast<uint8_t>(ch)];
        }
    }
    Text out(kept + (bytes.size() - kept) * 3, '\0');
    char* p = out.data();
    for (char ch : bytes) {
        uint8_t b = static_cast<uint8_t>(ch);
        if (keepSafe && kSafe[b]) {
            *p++ = ch;
        } else {
            p[0] = '%';
            p[1] = kHex[b >> 4];
            p[2] = kHex[b & 15];
            p += 3;
        }
    }
    return out;
}
