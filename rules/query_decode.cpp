#include "query_decode.h"

#include "platform/codepage.h"

namespace rules {

namespace {

using Byte = unsigned char;

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? char(a[i] + 32) : a[i];
        const char y = (b[i] >= 'A' && b[i] <= 'Z') ? char(b[i] + 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// A hex digit as the engines' decoders read it: anything that is not 0-9 or a-f counts its
// code minus 55, so "A"-"F" give 10-15 and other characters give whatever that yields.
unsigned hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return unsigned(c) - 55u; // wraps for codes below 55; only the low byte counts
}

// Valid UTF-8 by the old lead-byte lengths (up to six bytes) with at least one multi-byte
// character.
bool looksLikeUtf8(std::string_view bytes)
{
    bool multi = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const Byte c = Byte(bytes[i++]);
        if (c < 0x80)
            continue;
        std::size_t follow;
        if (c >= 0xC0 && c <= 0xDF)
            follow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            follow = 2;
        else if (c >= 0xF0 && c <= 0xF7)
            follow = 3;
        else if (c >= 0xF8 && c <= 0xFB)
            follow = 4;
        else if (c >= 0xFC && c <= 0xFD)
            follow = 5;
        else
            return false; // 0x80-0xBF, 0xFE, 0xFF cannot lead
        for (; follow > 0; --follow, ++i)
            if (i >= bytes.size() || (Byte(bytes[i]) & 0xC0) != 0x80)
                return false;
        multi = true;
    }
    return multi;
}

// EUC-JP to Shift-JIS by arithmetic: the JIS row and cell of each double-byte character
// are moved into the Shift-JIS lead and trail ranges.
std::string fromEucJp(std::string_view in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const Byte a = Byte(in[i]);
        if (a < 0x80) {
            out += char(a);
            continue;
        }
        if (i + 1 >= in.size())
            break; // a lead byte at the very end is dropped
        const Byte b = Byte(in[++i]);
        if (b == 0xFF)
            break;
        if (a == 0x8E) { // half-width katakana: the second byte is the CP932 byte
            out += char(b);
            continue;
        }
        // JIS rows 1-62 (leads up to 0xDE) go to Shift-JIS leads 0x81-0x9F, rows 63-94 to
        // 0xE0-0xEF. Two rows share a lead: odd rows take trails 0x40-0x9E, even ones
        // 0x9F-0xFC.
        const Byte half = a / 2;
        const bool low = a <= 0xDE;
        Byte first, second;
        if (a & 1) {
            first = half + (low ? 0x31 : 0x71);
            second = b <= 0xDF ? b - 0x61 : b - 0x60;
        } else {
            first = half + (low ? 0x30 : 0x70);
            second = b - 2;
        }
        out += char(first);
        out += char(second);
    }
    return out;
}

// ISO-2022-JP to Shift-JIS: ESC $ B switches to two-byte JIS characters, any other escape
// back to single bytes; escape sequences are not copied.
std::string fromIso2022Jp(std::string_view in)
{
    enum { kAscii, kKanjiFirst, kKanjiSecond } state = kAscii;
    std::string out;
    out.reserve(in.size());
    unsigned j1 = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const Byte c = Byte(in[i]);
        if (c == 0x1B && state != kKanjiSecond) {
            const bool kanji = i + 2 < in.size() && in[i + 1] == '$' && in[i + 2] == 'B';
            state = kanji ? kKanjiFirst : kAscii;
            i += 2;
        } else if (state == kAscii) {
            out += char(c);
        } else if (state == kKanjiFirst) {
            j1 = c;
            state = kKanjiSecond;
        } else {
            const unsigned first = j1 < 0x5F ? (j1 + 0xE1) / 2 : (j1 + 0x161) / 2;
            const unsigned second = !(j1 & 1) ? c + 0x7E : c < 0x60 ? c + 0x1F : c + 0x20;
            out += char(Byte(first));
            out += char(Byte(second));
            state = kKanjiFirst;
        }
    }
    return out;
}

std::string fromUtf8(std::string_view in)
{
    if (in.size() > 2 && in.substr(0, 3) == "\xEF\xBB\xBF")
        in.remove_prefix(3);
    return platform::utf16ToCp932(platform::utf8ToUtf16(in));
}

// "%" and two characters give one byte (bytes below 0x20 other than ESC become a space),
// "+" a space, any other character its low eight bits.
std::string unescapeQuery(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'%' && i + 2 < text.size()) {
            Byte b = Byte(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            if (b < 0x20 && b != 0x1B)
                b = ' ';
            bytes += char(b);
            i += 2;
        } else if (c == u'+') {
            bytes += ' ';
        } else {
            bytes += char(Byte(c));
        }
    }
    return bytes;
}

} // namespace

std::string decodeQueryBytes(std::u16string_view text, std::string_view charset)
{
    const std::string bytes = unescapeQuery(text);
    if (charset == "ShiftJIS|UTF-8")
        charset = looksLikeUtf8(bytes) ? "UTF-8" : "ShiftJIS";
    std::string out;
    if (sameName(charset, "EUC-JP"))
        out = fromEucJp(bytes);
    else if (sameName(charset, "ISO-2022-JP"))
        out = fromIso2022Jp(bytes);
    else if (sameName(charset, "UTF-8"))
        out = fromUtf8(bytes);
    else
        out = bytes;
    if (const std::size_t nul = out.find('\0'); nul != std::string::npos)
        out.resize(nul);
    return out;
}

std::u16string DecodeQueryText(std::u16string_view text, std::string_view charset)
{
    return platform::cp932ToUtf16(decodeQueryBytes(text, charset));
}

} // namespace rules
