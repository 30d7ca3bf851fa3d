#pragma once
// The request token ("tk") of the Google web translator, computed natively with the
// arithmetic of the translator's own JavaScript routine: a text is taken as the UTF-16
// code units a script engine would receive, "<<", "^" and "&" give signed 32-bit results,
// ">>>" an unsigned one, and "+" and "%" work on doubles. The numbers must agree with the
// script bit for bit, or the translator refuses the request.
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/text_tools.h"

class GoogleToken {
public:
    // The key the token is derived from: a six-digit number, ".", and a second number.
    static Text tkk();

    // The token of a UTF-8 text under the program's key: "<a>.<a ^ h>".
    static Text tk(std::string_view text);
    // The same under another key; a part of the key that is not a run of decimal digits
    // counts as 0.
    static Text tk(std::string_view text, std::string_view tkk);

    // The text as UTF-16 code units. A three-byte form of a surrogate (as a string with a
    // lone surrogate is written in generalized UTF-8) gives that code unit; every byte
    // that starts no valid sequence gives U+FFFD.
    static std::vector<uint16_t> utf16Units(std::string_view text);
};
