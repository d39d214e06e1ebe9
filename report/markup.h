#pragma once

// How names of the log appear in the report pages. Names are CP932 bytes; "&", "<" and
// ">" are never trail bytes, so escaping byte by byte keeps double-byte characters whole.

#include <set>
#include <string>
#include <string_view>

namespace report {

// Appends text with "&", "<" and ">" written as entities; every other byte, quotes
// included, is copied (names only ever stand in element content).
void appendEscaped(std::string& out, std::string_view text);

// Appends a page or referer name: a name beginning with "/" in a span of class "cReq"
// ("cReqG" for a URL-group name), one beginning with "h" in "cRef" ("cRefG"), any other
// name without a span, always escaped; a null name adds nothing.
void appendNameMarkup(std::string& out, const char* name, const std::set<const char*>& groupNames);

} // namespace report
