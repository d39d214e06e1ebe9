#include "platform/codepage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace platform;

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// CP932 characters whose trail byte is an ASCII letter or bracket.
const std::string kA = "\x83\x41";  // "ア", trail byte "A"
const std::string kDi = "\x83\x61"; // "ヂ", trail byte "a"
const std::string kZo = "\x83\x5D"; // "ゾ", trail byte "]"
const std::string kSo = "\x83\x5C"; // "ソ", trail byte "\"
const std::string kHalfA = "\xB1";  // half-width "ｱ", a single byte
const std::string kMaru = "\xDF";   // half-width "ﾟ", the largest single-byte character

TEST(Codepage, ToLowerAsciiLeavesTrailBytesAlone)
{
    const struct
    {
        std::string in, out;
    } cases[] = {
        {"ABC xyz [Z]", "abc xyz [z]"},
        {kA + "B" + kA, kA + "b" + kA},
        {"Q" + kZo + "Q", "q" + kZo + "q"},
        {kHalfA + "A", kHalfA + "a"}, // a half-width katakana is not a lead byte
        {"A\x83", "a\x83"},           // lone lead byte at the end
        {"\x83\x41", "\x83\x41"},     // trail byte that is an ASCII letter
    };
    for (const auto& c : cases) {
        std::string s = c.in;
        toLowerAscii(s);
        EXPECT_EQ(s, c.out) << c.in;
    }
}

TEST(Codepage, ComparisonOrders)
{
    const struct
    {
        std::string a, b;
        int noCase, caseSensitive;
    } cases[] = {
        {"abc", "abc", 0, 0},
        {"abc", "ABC", 0, 1},
        {"abc", "abd", -1, -1},
        {"ABC", "abd", -1, -1},
        {"abc", "abcd", -1, -1}, // a prefix sorts first
        {"", "a", -1, -1},
        {"Z", "[", 1, -1}, // letters fold to lower case, not upper
        {"A", "_", 1, -1},
        {kA, kDi, -1, -1}, // trail bytes "A" and "a" are not a case pair
        {kA + "x", kDi + "x", -1, -1},
        {"a" + kA, "A" + kDi, -1, 1},
        {kSo, kZo, -1, -1},
        {kHalfA, kA, -1, -1}, // 0xB1 before 0x8341 though 0xB1 > 0x83
        {kMaru, "\x81\x40", -1, -1},
        {"z", kHalfA, -1, -1},
        {"z", kA, -1, -1},
        {"x" + kMaru, "X" + kA, -1, 1},
        {"\x83", kA, -1, -1},     // lone lead byte at the end: a prefix
        {"\x83", kHalfA, -1, -1}, // ... whose value is the byte itself
        {kA + "A", kA + "a", 0, -1},
        {"\x88\x9F\x62", "\x88\x9F\x42", 0, 1}, // trail byte followed by "b" or "B"
        {"\xE0\x40", "\x9F\xFC", 1, 1},
        // Long texts, where whole runs of ASCII are compared at once.
        {"/images/photos/x", "/Images/photos/y", -1, 1},
        {"/images/" + kA + "/x", "/images/" + kDi + "/x", -1, -1},
        {"/images/" + kA + "Apple", "/images/" + kA + "apple", 0, -1},
        {"/images/\x83\x41pple/x", "/images/\x83\x61pple/x", -1, -1},
        {"01234567", "01234567" + kA, -1, -1},
        {std::string(21, 'a') + "B", std::string(21, 'a') + "b", 0, -1},
        {std::string(21, 'a') + "b", std::string(21, 'A') + "c", -1, 1},
        {"0123456_" + kA + "x", "0123456_" + kA + "X", 0, 1},
        {"0123456_" + kA + "x", "0123456_" + kA, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.a) + " vs " + testing::PrintToString(c.b));
        EXPECT_EQ(sign(compareNoCase(c.a, c.b)), c.noCase);
        EXPECT_EQ(sign(compareNoCase(c.b, c.a)), -c.noCase);
        EXPECT_EQ(sign(compareCase(c.a, c.b)), c.caseSensitive);
        EXPECT_EQ(sign(compareCase(c.b, c.a)), -c.caseSensitive);
        const int dictionary = c.noCase != 0 ? c.noCase : c.caseSensitive;
        EXPECT_EQ(sign(compareDictionary(c.a, c.b)), dictionary);
        EXPECT_EQ(sign(compareDictionary(c.b, c.a)), -dictionary);
        EXPECT_EQ(equalNoCase(c.a, c.b), c.noCase == 0);
        EXPECT_EQ(DictionaryLess()(c.a, c.b), dictionary < 0);
    }
}

TEST(Codepage, SortingGivesDictionaryOrder)
{
    const std::vector<std::string> ordered = {
        "",   "1",        "_x",       "A",        "a",          "AB",     "Ab",           "aB",
        "ab", "abc",      "ABD",      "abd",      "a" + kHalfA, "a" + kA, "a" + kA + "x", "a" + kDi,
        "z",  kHalfA,     kMaru,      "\x81\x40", kA,           kA + "A", kA + "a",       kA + "b",
        kDi,  "\x87\x40", "\xE0\x40",
    };
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::vector<std::string> v = ordered;
        std::shuffle(v.begin(), v.end(), std::mt19937(seed));
        std::sort(v.begin(), v.end(), DictionaryLess());
        EXPECT_EQ(v, ordered) << "seed " << seed;
    }
}

struct Sample
{
    std::string cp932;
    std::string utf8;
    std::u16string utf16;
};

const Sample kSamples[] = {
    {"plain ASCII \\ ~", "plain ASCII \\ ~", u"plain ASCII \\ ~"},
    {"\x83\x41\x83\x4E\x83\x5A\x83\x58", "アクセス", u"アクセス"},
    {"\x8A\xBF\x8E\x9A.log", "漢字.log", u"漢字.log"},
    {"\x83\x61", "ヂ", u"ヂ"},
    {"\x87\x40\x87\x41", "①②", u"①②"},     // NEC special characters
    {"\x81\x60", "～", u"～"},             // U+FF5E, where Shift_JIS has U+301C
    {"\x81\x7C\x81\x5F", "－＼", u"－＼"}, // U+FF0D, U+FF3C
    {"\xFA\x40", "ⅰ", u"ⅰ"},               // IBM extension
    {"\xB1\xDF", "ｱﾟ", u"ｱﾟ"},
    {"GET /\x83\x41?q=\x83\x5D", "GET /ア?q=ゾ", u"GET /ア?q=ゾ"},
};

TEST(Codepage, RoundTripsJapaneseText)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.utf8);
        EXPECT_EQ(cp932ToUtf8(s.cp932), s.utf8);
        EXPECT_EQ(cp932ToUtf16(s.cp932), s.utf16);
        EXPECT_EQ(utf8ToCp932(s.utf8), s.cp932);
        EXPECT_EQ(utf16ToCp932(s.utf16), s.cp932);
        EXPECT_EQ(utf8ToUtf16(s.utf8), s.utf16);
        EXPECT_EQ(utf16ToUtf8(s.utf16), s.utf8);
    }
}

TEST(Codepage, UnmappableAndInvalidBecomeReplacements)
{
    // Unicode text CP932 cannot hold: one "?" per character, also for surrogate pairs.
    const struct
    {
        std::string utf8;
        std::string cp932;
    } toCp932[] = {
        {"a€b", "a?b"},        // not in CP932
        {"한국", "??"},        // one "?" per character
        {"x😀y", "x?y"},        // a surrogate pair in UTF-16: still one character
        {"\x83\x41", "?A"},    // CP932 bytes are not UTF-8
        {"a\xE3\x81z", "a?z"}, // cut-off sequence: one replacement
        {"a\xFFz", "a?z"},     // never valid in UTF-8
        {"end\xE3", "end?"},   // cut off by the end of the text
    };
    for (const auto& c : toCp932) {
        EXPECT_EQ(utf8ToCp932(c.utf8), c.cp932) << testing::PrintToString(c.utf8);
        EXPECT_EQ(utf16ToCp932(utf8ToUtf16(c.utf8)), c.cp932) << testing::PrintToString(c.utf8);
    }
    EXPECT_EQ(utf16ToCp932(u"a\xD800z"), "a?z");

    // Bytes that are no CP932 character: U+FFFD each, the rest converts on.
    const struct
    {
        std::string cp932;
        std::u16string utf16;
    } fromCp932[] = {
        {"a\x80z", u"a\uFFFDz"},                           // unused single byte
        {"\xA0\xFD\xFE\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // one replacement each
        {"a\x85\x40z", u"a\uFFFDz"},   // unassigned double-byte code: one character
        {"\x81 " + kA, u"\uFFFD ア"},  // lead byte without a trail byte
        {"\x83\x41\x83", u"ア\uFFFD"}, // lone lead byte at the end
    };
    for (const auto& c : fromCp932) {
        EXPECT_EQ(cp932ToUtf16(c.cp932), c.utf16) << testing::PrintToString(c.cp932);
        EXPECT_EQ(cp932ToUtf8(c.cp932), utf16ToUtf8(c.utf16)) << testing::PrintToString(c.cp932);
    }
    EXPECT_EQ(utf16ToUtf8(u"a\xDC00z"), "a\uFFFDz");
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate

    std::u16string many(10000, u'\uFFFD');
    EXPECT_EQ(cp932ToUtf16(std::string(10000, '\x80')), many);
    EXPECT_EQ(cp932ToUtf8(std::string(10000, '\x80')), utf16ToUtf8(many));
}

TEST(Codepage, ConvertStrict)
{
    std::string out;
    EXPECT_TRUE(convertStrict("UTF-8", "EUC-JP", "アクセス", out));
    EXPECT_EQ(out, "\xA5\xA2\xA5\xAF\xA5\xBB\xA5\xB9");

    // ISO-2022-JP switches back to ASCII at the end of the text.
    std::string mixed;
    for (int i = 0; i < 5000; ++i)
        mixed += "aア";
    ASSERT_TRUE(convertStrict("UTF-8", "ISO-2022-JP", mixed, out));
    EXPECT_EQ(out.substr(out.size() - 3), "\x1B(B");
    std::string back;
    EXPECT_TRUE(convertStrict("ISO-2022-JP", "UTF-8", out, back));
    EXPECT_EQ(back, mixed);

    const struct
    {
        const char* from;
        const char* to;
        std::string in;
        std::string done; // what converted before the fault
    } failures[] = {
        {"UTF-8", "EUC-JP", "ab€", "ab"},        // not representable
        {"EUC-JP", "UTF-8", "ok\xA5", "ok"},     // cut-off character
        {"EUC-JP", "UTF-8", "ok\xFF\xFF", "ok"}, // invalid bytes
        {"NO-SUCH-ENCODING", "UTF-8", "x", ""},
    };
    for (const auto& f : failures) {
        out = "stale";
        EXPECT_FALSE(convertStrict(f.from, f.to, f.in, out)) << f.from << " " << f.in;
        EXPECT_EQ(out, f.done) << f.from << " " << f.in;
    }
    // A failure leaves no state behind for the next conversion on this thread.
    EXPECT_TRUE(convertStrict("UTF-8", "EUC-JP", "アクセス", out));
    EXPECT_EQ(out, "\xA5\xA2\xA5\xAF\xA5\xBB\xA5\xB9");
}

TEST(Codepage, ConversionsRunOnManyThreads)
{
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                const Sample& s = kSamples[(i + t) % std::size(kSamples)];
                failures[t] += cp932ToUtf16(s.cp932) != s.utf16 || utf8ToCp932(s.utf8) != s.cp932;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace
