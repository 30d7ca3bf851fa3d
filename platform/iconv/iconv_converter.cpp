#include "platform/iconv/iconv_converter.h"

#include <cerrno>

IconvConverter::IconvConverter(const char* to, const char* from)
    : m_descriptor(iconv_open(to, from)) {}

IconvConverter::~IconvConverter() {
    if (isOpen()) {
        iconv_close(m_descriptor);
    }
}

size_t IconvConverter::convert(std::string_view input, std::string& out) {
    if (!isOpen() || input.empty()) {
        return 0;
    }
    // iconv takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t start = out.size();
    // Code page 936 and GB18030 never take more than three UTF-8 bytes per input byte,
    // and UTF-8 never needs more than one output byte per input byte the other way.
    size_t capacity = input.size() * 3 + 16;
    out.resize(start + capacity);
    size_t used = 0;
    for (;;) {
        char* outPtr = out.data() + start + used;
        size_t outLeft = capacity - used;
        size_t result = iconv(m_descriptor, &in, &inLeft, &outPtr, &outLeft);
        used = capacity - outLeft;
        if (result != static_cast<size_t>(-1) || errno != E2BIG) {
            break;
        }
        capacity *= 2;
        out.resize(start + capacity);
    }
    out.resize(start + used);
    // The encodings used here are stateless, but a failed call may leave a shift state
    // behind in other converters; start clean every time.
    iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
    return input.size() - inLeft;
}

bool IconvConverter::convertWhole(std::string_view input, std::string& out) {
    std::string piece;
    if (convert(input, piece) != input.size()) {
        return false;
    }
    out += piece;
    return true;
}
