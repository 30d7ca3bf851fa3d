#pragma once
// Base64 (RFC 4648 alphabet, "=" padding, no line breaks) for request forms.
#include "net/base64_kernel.h"
#include "text/text_tools.h"

class Base64 {
public:
    static Text Encode(const Bytes& bytes);
    // UrlEncode(Encode(bytes), true, true) in one pass with one exact-size allocation:
    // the image of every recognition goes through this, and it is megabytes long.
    static Text EncodeUrlEncoded(const Bytes& bytes);
    // The same through a chosen loop, so the loops can be compared with each other.
    static Text EncodeUrlEncoded(const Bytes& bytes, base64_kernel::Path path);
    // Appends the same to out, growing it once by exactly what it needs.
    static void AppendUrlEncoded(const Bytes& bytes, Text& out);
    static void AppendUrlEncoded(const Bytes& bytes, base64_kernel::Path path, Text& out);
};
