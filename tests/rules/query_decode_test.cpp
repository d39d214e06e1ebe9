#include "platform/codepage.h"
#include "rules/query_decode.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

using rules::decodeQueryBytes;
using rules::DecodeQueryText;

std::u16string u16(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// Every byte as %XX, so that no byte of the input means anything to the unescaping itself.
std::u16string escapeAll(std::string_view bytes)
{
    std::u16string out;
    for (unsigned char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += u16(hex);
    }
    return out;
}

TEST(DecodeQuery, Table)
{
    const struct
    {
        std::u16string_view text;
        const char* charset;
        std::string cp932;
    } cases[] = {
        {u"%E3%81%82", "UTF-8", "\x82\xA0"},
        {u"%e3%81%82", "utf-8", "\x82\xA0"},              // lower-case hex and charset name
        {u"%E3%81%82", "ShiftJIS|UTF-8", "\x82\xA0"},     // valid multi-byte UTF-8
        {u"%82%A0", "ShiftJIS|UTF-8", "\x82\xA0"},        // 0x82 cannot lead UTF-8
        {u"%E3%81%82", "shiftjis|utf-8", "\xE3\x81\x82"}, // detection only for the exact name
        {u"abc", "ShiftJIS|UTF-8", "abc"},                // pure ASCII stays Shift-JIS
        {u"%E3%81", "ShiftJIS|UTF-8", "\xE3\x81"},        // sequence cut by the end
        {u"%C3%A9x%E3", "ShiftJIS|UTF-8", "\xC3\xA9x\xE3"},
        {u"%E3%81%82%FE", "ShiftJIS|UTF-8", "\xE3\x81\x82\xFE"}, // 0xFE never leads
        {u"%82%A0", "ShiftJIS", "\x82\xA0"},
        {u"%82%A0", "Big5", "\x82\xA0"},              // unknown names: bytes as they are
        {u"%EF%BB%BF%E3%81%82", "UTF-8", "\x82\xA0"}, // byte-order mark dropped
        {u"%EF%BB%BF", "UTF-8", ""},
        {u"%E2%98%83", "UTF-8", "?"}, // U+2603 has no CP932 form
        {u"%A4%A2", "EUC-JP", "\x82\xA0"},
        {u"%A1%A1", "euc-jp", "\x81\x40"},
        {u"a%8E%B1b", "EUC-JP",
         "a\xB1"
         "b"},                                // half-width katakana
        {u"%A4%A2%A4", "EUC-JP", "\x82\xA0"}, // lead byte at the end dropped
        {u"%A4%FF%A4%A2", "EUC-JP", ""},      // second byte 0xFF ends it
        {u"%1B$B$%22%1B(B", "ISO-2022-JP", "\x82\xA0"},
        {u"%1B$B$%22%1B(Jx", "iso-2022-jp", "\x82\xA0x"},
        {u"x%1B$@$%22", "ISO-2022-JP", "x$\""},     // only ESC $ B starts JIS X 0208
        {u"%1B$B$%22$", "ISO-2022-JP", "\x82\xA0"}, // half a character at the end
        {u"a+b%20c", "ShiftJIS", "a b c"},
        {u"%0A|%00|%1F|%7F|%20", "ShiftJIS", " | | |\x7F| "}, // control bytes become spaces
        {u"%1B", "ShiftJIS", "\x1B"},                         // except the escape byte
        {u"50%", "ShiftJIS", "50%"},
        {u"%4", "ShiftJIS", "%4"},
        {u"%%41", "ShiftJIS",
         "\xE4"
         "1"},                             // "%" counts 37 - 55: -18 * 16 + 4 = 0xE4 mod 256
        {u"%zz", "ShiftJIS", "\x73"},      // each z counts 122 - 55
        {u"%GG", "ShiftJIS", " "},         // 16 * 16 + 16 = 0x110: byte 0x10, a control byte
        {u"\u3042", "ShiftJIS", "B"},      // a wide character gives its low eight bits
        {u"ab\u0100cd", "ShiftJIS", "ab"}, // a NUL byte ends the text
        {u"%A4%A2%A1a", "EUC-JP", "\x82\xA0\x81"}, // 0xA1 0x61 computes a NUL trail byte
    };
    for (const auto& c : cases) {
        const std::string got = decodeQueryBytes(c.text, c.charset);
        EXPECT_EQ(got, c.cp932) << c.charset;
        EXPECT_EQ(DecodeQueryText(c.text, c.charset), platform::cp932ToUtf16(c.cp932));
    }
}

// Every JIS X 0208 position, as EUC-JP and as ISO-2022-JP, decodes to the bytes iconv gives
// for it in CP932. Positions iconv does not map are skipped.
struct SweepResult
{
    int mapped = 0;
    std::string mismatches; // "row-cell" of each difference
};

template <typename MakeInput> SweepResult sweep(const char* charset, MakeInput makeInput)
{
    SweepResult result;
    for (int row = 1; row <= 94; ++row) {
        for (int cell = 1; cell <= 94; ++cell) {
            const std::string encoded = makeInput(row, cell);
            std::string expected;
            if (!platform::convertStrict(charset, "CP932", encoded, expected))
                continue;
            ++result.mapped;
            const std::u16string text = escapeAll(encoded);
            if (decodeQueryBytes(text, charset) != expected ||
                DecodeQueryText(text, charset) != platform::cp932ToUtf16(expected))
                result.mismatches += std::to_string(row) + "-" + std::to_string(cell) + " ";
        }
    }
    return result;
}

TEST(DecodeQuery, EveryJisX0208CharacterAsEucJp)
{
    const SweepResult r = sweep("EUC-JP", [](int row, int cell) {
        return std::string{char(0xA0 + row), char(0xA0 + cell)};
    });
    EXPECT_GT(r.mapped, 6800); // JIS X 0208 holds 6879 characters
    EXPECT_EQ(r.mismatches, "");
}

TEST(DecodeQuery, EveryJisX0208CharacterAsIso2022Jp)
{
    const SweepResult r = sweep("ISO-2022-JP", [](int row, int cell) {
        return "\x1B$B" + std::string{char(0x20 + row), char(0x20 + cell)} + "\x1B(B";
    });
    EXPECT_GT(r.mapped, 6800);
    EXPECT_EQ(r.mismatches, "");
}

} // namespace
