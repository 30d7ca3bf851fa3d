#include "net/text_encoding.h"

#include <algorithm>

#include "platform/charset.h"

namespace {

std::string_view upToZero(std::string_view bytes) {
    return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

}  // namespace

Text GbkToUtf8(std::string_view bytes) {
    return charset::cp936ToUtf8(upToZero(bytes));
}

Text Utf8ToGbk(std::string_view bytes) {
    return charset::sanitizeUtf8(upToZero(bytes));
}
