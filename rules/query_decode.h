#pragma once

// Search words arrive percent-escaped in the query strings of referers, in the character
// set of the search engine. The decoder removes the escapes and brings the bytes into CP932
// so that words from every engine compare as one text. "%" and the two characters after it
// are one byte (escaped control bytes other than ESC become spaces), "+" is a space.

#include <string>
#include <string_view>

namespace rules {

// Charset names, compared without regard to case: "EUC-JP", "ISO-2022-JP", "UTF-8". The
// exact name "ShiftJIS|UTF-8" takes UTF-8 when the bytes are valid UTF-8 with at least one
// multi-byte character and CP932 otherwise; any other name means the bytes are CP932.
// Returns the CP932 bytes, cut at the first NUL byte (a NUL ends every core text).
std::string decodeQueryBytes(std::u16string_view text, std::string_view charset);

// decodeQueryBytes converted to UTF-16.
std::u16string DecodeQueryText(std::u16string_view text, std::string_view charset);

} // namespace rules
