#include "platform/iconv/iconv_converter.h"

#include <algorithm>
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
    // Small pieces of input, through a fixed buffer: glibc redoes work in proportion to
    // the input it was given when a conversion stops early, and a text with many
    // characters that need a fallback stops once per such character.
    char buffer[4096];
    while (inLeft > 0) {
        size_t piece = std::min(inLeft, kPiece);
        size_t pieceLeft = piece;
        size_t result;
        int error;
        do {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            result = iconv(m_descriptor, &in, &pieceLeft, &outPtr, &outLeft);
            error = errno;
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
        } while (result == static_cast<size_t>(-1) && error == E2BIG);
        bool more = piece < inLeft && pieceLeft < piece;
        inLeft -= piece - pieceLeft;
        // A character cut by the end of a piece is taken up again with the next one.
        if (result == static_cast<size_t>(-1) && !(error == EINVAL && more)) {
            break;
        }
    }
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
