#pragma once
// The conversions between the wire and the program's texts.
#include <string_view>

#include "text/text_tools.h"

// Code page 936 bytes (GB18030 four-byte forms accepted) to a UTF-8 text, ending at the
// first zero byte; undecodable bytes become "?".
Text GbkToUtf8(std::string_view bytes);
// A response body to a text: taken as UTF-8, each malformed sequence replaced by "?",
// ending at the first zero byte. Characters outside code page 936 are kept, so Korean,
// German or Polish results survive.
Text Utf8ToGbk(std::string_view bytes);
