#pragma once
// Code page 936 at the file boundary (backend: platform/iconv, iconv "CP936").
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

}  // namespace charset
