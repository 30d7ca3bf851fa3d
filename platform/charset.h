#pragma once
// Code page 936 at the file boundary (backend: platform/iconv, iconv "CP936"), and which
// encoding a file of the user's is in.
#include <string>
#include <string_view>

namespace charset {

// CP936 bytes to UTF-8; GB18030 four-byte sequences are decoded too. A byte sequence
// that is neither becomes "?".
std::string cp936ToUtf8(std::string_view bytes);
// UTF-8 to CP936. A character that CP936 lacks is written in GB18030's four-byte form when
// gb18030Fallback is true, otherwise as "?". Malformed UTF-8 becomes "?".
std::string utf8ToCp936(std::string_view utf8, bool gb18030Fallback);
// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);
// The bytes taken as UTF-8, each malformed sequence replaced by "?".
std::string sanitizeUtf8(std::string_view bytes);
// True when every byte is below 0x80.
bool isAscii(std::string_view bytes);

// The encodings a text file of the user's may come in.
enum class Encoding { Cp936, Utf8, Utf16Le, Utf16Be };
struct Detected {
    Encoding encoding;
    size_t bomLength;  // bytes of the byte order mark at the start, 0 when none
};
// A byte order mark decides (UTF-8, UTF-16 LE or BE). Without one, text that is valid
// UTF-8 with non-ASCII is UTF-8 only when it reads as more ordinary text that way than as
// code page 936 (short code page 936 texts are often valid UTF-8 too); all else is code
// page 936.
Detected detectEncoding(std::string_view bytes);
// A file's whole text as UTF-8, in the encoding detectEncoding gives, without its mark.
std::string fileTextToUtf8(std::string_view bytes);
// UTF-16 without a byte order mark to UTF-8; a lone surrogate or an odd last byte
// becomes "?".
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
// UTF-8 to UTF-16 without a byte order mark; malformed UTF-8 becomes "?".
std::string utf8ToUtf16(std::string_view utf8, bool bigEndian);

}  // namespace charset
