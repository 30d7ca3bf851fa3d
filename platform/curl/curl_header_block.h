#pragma once
// The request's header block as libcurl takes it, and the check that keeps text from a
// reply (a token, an address) from ever becoming a line of a request.
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "platform/http.h"

namespace curl_block {

// False when a field that goes into the request line or the header block holds a control
// character (CR, LF, any other byte below 0x20, or DEL), or a header line of the block
// (lines end at CR LF) does: such a request is never sent.
bool isClean(const platform::HttpWireRequest& request);

// The caller's lines in their order, as a list libcurl sends unchanged; with empty
// Accept, Content-Type and Expect entries where the block has none of its own.
curl_slist* headerList(const std::string& block);

// The trimmed value of the first line with that name (any letter case); empty if none.
std::string headerValue(const std::string& block, std::string_view name);

}  // namespace curl_block
