#pragma once
// One iconv descriptor. Descriptors carry conversion state and are not safe to share
// between threads, so callers keep one per thread (see charset.cpp).
#include <iconv.h>

#include <string>
#include <string_view>

class IconvConverter {
public:
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // Appends the conversion of input to out and returns how many input bytes were
    // consumed: all of them, or up to the first sequence that cannot be converted
    // (malformed, cut off, or without a form in the target encoding).
    size_t convert(std::string_view input, std::string& out);
    // Converts the whole input or nothing: false (out untouched) when any part fails.
    bool convertWhole(std::string_view input, std::string& out);
    bool isOpen() const { return m_descriptor != kInvalid; }

private:
    static constexpr size_t kPiece = 256;
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t m_descriptor;
};
