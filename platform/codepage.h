#pragma once

// The program's "ANSI" code page is CP932 (Windows-31J). Every core text is a CP932 byte
// string; these helpers step through such strings without ever taking a trail byte for a
// character of its own, fold case, compare in dictionary order and convert to and from
// UTF-16 and UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// True for the first byte of a double-byte CP932 character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The character after the one at p, never beyond end (a lead byte at end - 1 is one
// character of its own).
inline const char* nextChar(const char* p, const char* end)
{
    if (p >= end)
        return end;
    return (isLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end) ? p + 2 : p + 1;
}

// Lower-cases the single-byte ASCII letters of a CP932 text in place; trail bytes of
// double-byte characters are left alone even where they look like "A".."Z".
void toLowerAscii(char* text, std::size_t length);
void toLowerAscii(std::string& text);

// Dictionary order of the whole system: character by character, single-byte ASCII
// letters compared as lower case, every other character by its unsigned value (a
// double-byte character as one 16-bit unit, lead << 8 | trail); a prefix sorts first.
// Results are < 0, 0 or > 0.
int compareNoCase(std::string_view a, std::string_view b);
// The same walk without case folding.
int compareCase(std::string_view a, std::string_view b);
// compareNoCase, ties broken by compareCase: equal only for equal bytes.
int compareDictionary(std::string_view a, std::string_view b);
// compareNoCase(a, b) == 0, faster.
bool equalNoCase(std::string_view a, std::string_view b);

// Strict weak order for sorting and ordered containers.
struct DictionaryLess
{
    bool operator()(std::string_view a, std::string_view b) const
    {
        return compareDictionary(a, b) < 0;
    }
};

// Conversions through iconv. A character that cannot be represented becomes "?" in
// CP932 and U+FFFD in UTF-16 / UTF-8; invalid input bytes are replaced the same way.
std::u16string cp932ToUtf16(std::string_view text);
std::string utf16ToCp932(std::u16string_view text);
std::string cp932ToUtf8(std::string_view text);
std::string utf8ToCp932(std::string_view text);
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// Converts between any two iconv encodings ("EUC-JP", "ISO-2022-JP", ...). Returns false
// when iconv does not know one of them or the input holds a byte sequence that is
// invalid in `from`; `out` then holds what converted before the fault. Characters that
// `to` cannot hold are an error too (no substitution here).
bool convertStrict(const char* from, const char* to, std::string_view in, std::string& out);

} // namespace platform
