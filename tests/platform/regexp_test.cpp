#include "platform/regexp.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::RegExp;

struct Flags
{
    bool ignoreCase = false;
    bool global = false;
};
constexpr Flags kNone{};
constexpr Flags kI{true, false};
constexpr Flags kG{false, true};
constexpr Flags kIG{true, true};

RegExp make(std::u16string_view pattern, Flags flags)
{
    RegExp re;
    EXPECT_EQ(re.setPattern(pattern), 0);
    re.setIgnoreCase(flags.ignoreCase);
    re.setGlobal(flags.global);
    return re;
}

// Expected values follow the ECMAScript definitions of RegExp.prototype.test and
// String.prototype.replace.
TEST(RegExp, TestFollowsEcmaScript)
{
    const struct
    {
        std::u16string_view pattern;
        Flags flags;
        std::u16string_view text;
        bool matches;
    } cases[] = {
        {u"\\d+", kNone, u"abc123", true},
        {u"\\d", kNone, u"\uFF11", false}, // full-width 1 is not a digit
        {u"^\\w+$", kNone, u"abc_123", true},
        {u"\\w", kNone, u"\u3042", false}, // word characters are ASCII
        {u"a\\sb", kNone, u"a\tb", true},
        {u"\\bfoo\\b", kNone, u"a foo b", true},
        {u"\\bfoo\\b", kNone, u"afoob", false},
        {u"[^a-c]x", kNone, u"bx", false},
        {u"^abc$", kNone, u"abc\ndef", false}, // ^ and $ never match at inner line ends
        {u"^def", kNone, u"abc\ndef", false},
        {u"abc$", kNone, u"abc\n", false},
        {u"abc$", kNone, u"abc\r\n", false},
        {u"a.c", kNone, u"a\nc", false},
        {u"a.c", kNone, u"a\rc", false},
        {u"a.c", kNone, u"a\u3042c", true},
        {u"\\u3042", kNone, u"x\u3042y", true},
        {u"\\x41\\u0042", kNone, u"AB", true},
        {u"(?:ab)+c", kNone, u"ababc", true},
        {u"foo(?=bar)", kNone, u"foobar", true},
        {u"foo(?=bar)", kNone, u"foobaz", false},
        {u"foo(?!bar)", kNone, u"foobar", false},
        {u"foo(?!bar)", kNone, u"foobaz", true},
        {u"(a)\\1", kNone, u"ab", false},
        {u"(a)\\1", kNone, u"xaa", true},
        {u"(a)?b\\1c", kNone, u"bc", true}, // a group that did not match refers to ""
        {u"\\1(a)", kNone, u"a", true},
        {u"[]", kNone, u"a", false},       // the empty class matches nothing
        {u"a[^]b", kNone, u"a\nb", true},  // and its complement everything
        {u"\\j\\/", kNone, u"j/", true},   // identity escapes
        {u"b\\\\$", kNone, u"ab\\", true}, // an escaped backslash at the end
        {u"a{", kNone, u"a{", true},       // a brace that is no quantifier is literal
        {u"ABC", kNone, u"xabcx", false},
        {u"ABC", kI, u"xabcx", true},
        {u"[a-z]+$", kI, u"ABC", true},
        {u"\uFF38\uFF59", kI, u"\uFF58\uFF39", true}, // full-width letters fold too
        {u"\u00E9", kI, u"\u00C9", true},
        {u"", kNone, u"anything", true},
        {u"b", kNone, u"a\xD800-b", true}, // a lone surrogate in the text is no error
    };
    for (const auto& c : cases) {
        RegExp re = make(c.pattern, c.flags);
        bool matched = !c.matches;
        EXPECT_EQ(re.test(c.text, matched), 0);
        EXPECT_EQ(matched, c.matches) << std::string(c.pattern.begin(), c.pattern.end());
    }
}

TEST(RegExp, ReplaceFollowsEcmaScript)
{
    const std::u16string_view eleven = u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)";
    const struct
    {
        std::u16string_view pattern;
        Flags flags;
        std::u16string_view text, replacement, result;
    } cases[] = {
        {u"b", kNone, u"abc", u"[$&]", u"a[b]c"},
        {u"b", kNone, u"abc", u"[$`]", u"a[a]c"},
        {u"b", kNone, u"abc", u"[$']", u"a[c]c"},
        {u"b", kNone, u"abc", u"[$$]", u"a[$]c"},
        {u"b", kNone, u"abc", u"$$1", u"a$1c"},
        {u"b", kNone, u"abc", u"$0", u"a$0c"},       // there is no group 0
        {u"b", kNone, u"abc", u"$1", u"a$1c"},       // nor a group 1
        {u"(b)", kNone, u"abc", u"$10", u"ab0c"},    // group 1 and the digit 0
        {u"(b)", kNone, u"abc", u"[$01]", u"a[b]c"}, // two digits naming group 1
        {u"(b)", kNone, u"abc", u"$00", u"a$00c"},
        {u"(b)", kNone, u"abc", u"$2", u"a$2c"},
        {u"(b)", kNone, u"abc", u"x$", u"ax$c"},
        {u"(b)", kNone, u"abc", u"$z$", u"a$z$c"},
        {eleven, kNone, u"abcdefghijk", u"$11-$10-$1", u"k-j-a"},
        {eleven, kNone, u"abcdefghijk", u"$12", u"a2"}, // no group 12: group 1 and "2"
        {u"(x)?b", kNone, u"abc", u"[$1]", u"a[]c"},    // a group that did not match
        {u"a", kNone, u"banana", u"o", u"bonana"},
        {u"a", kG, u"banana", u"o", u"bonono"},
        {u"b", kG, u"abcb", u"[$`]", u"a[a]c[abc]"},
        {u"b", kG, u"abcb", u"[$']", u"a[cb]c[]"},
        {u"x*", kG, u"abc", u"-", u"-a-b-c-"}, // empty matches, one character apart
        {u"a*", kG, u"aaa", u"-", u"--"},
        {u"b*", kG, u"abc", u"-", u"-a--c-"},
        {u"", kG, u"a\U0001F600b", u"-", u"-a-\U0001F600-b-"}, // a pair is one character
        {u"", kNone, u"ab", u"-", u"-ab"},
        {u"a.*?b", kNone, u"aXbYb", u"[$&]", u"[aXb]Yb"},
        {u"a.*b", kNone, u"aXbYb", u"[$&]", u"[aXbYb]"},
        {u".+?", kG, u"abc", u"-", u"---"},
        {u"\\d(?=px)", kG, u"1px 2em 3px", u"N", u"Npx 2em Npx"},
        {u"(\\w)\\1", kG, u"aabbcd", u"<$1>", u"<a><b>cd"},
        {u"A", kG, u"aAa", u"x", u"axa"},
        {u"A", kIG, u"aAa", u"x", u"xxx"},
        {u"(\\d+)", kNone, u"\u4FA1\u683C100\u5186", u"[$1]", u"\u4FA1\u683C[100]\u5186"},
        {u"^", kG, u"ab\ncd", u"#", u"#ab\ncd"},
        {u"$", kG, u"ab\ncd\n", u"#", u"ab\ncd\n#"},
        {u"q", kG, u"abc", u"x", u"abc"},
    };
    for (const auto& c : cases) {
        RegExp re = make(c.pattern, c.flags);
        std::u16string out = u"untouched";
        EXPECT_EQ(re.replace(c.text, c.replacement, out), 0);
        EXPECT_EQ(out, c.result) << std::string(c.pattern.begin(), c.pattern.end()) << " / "
                                 << std::string(c.replacement.begin(), c.replacement.end());
    }
}

TEST(RegExp, RefusedPatternsKeepThePreviousOne)
{
    const struct
    {
        std::u16string_view pattern;
        int error;
    } cases[] = {
        {u"(", platform::kRegExpExpectedParen},
        {u"(a|b", platform::kRegExpExpectedParen},
        {u"[a", platform::kRegExpExpectedBracket},
        {u"[z-a]", platform::kRegExpInvalidRange},
        {u"*a", platform::kRegExpUnexpectedQuantifier},
        {u"a)", platform::kRegExpSyntax},
        {u"a{2,1}", platform::kRegExpSyntax},
        {u"ab\\", platform::kRegExpSyntax}, // a backslash with nothing to escape
        {u"ab\\\\\\", platform::kRegExpSyntax},
    };
    for (const auto& c : cases) {
        RegExp re;
        ASSERT_EQ(re.setPattern(u"a"), 0);
        EXPECT_EQ(re.setPattern(c.pattern), c.error);
        EXPECT_LT(c.error, 0);
        EXPECT_EQ(re.pattern(), u"a");
        bool matched = false;
        EXPECT_EQ(re.test(u"xay", matched), 0);
        EXPECT_TRUE(matched);
    }
}

TEST(RegExp, SwitchesCanBeChangedAfterThePattern)
{
    RegExp re = make(u"abc", kNone);
    bool matched = true;
    ASSERT_EQ(re.test(u"ABC", matched), 0);
    EXPECT_FALSE(matched);
    re.setIgnoreCase(true);
    ASSERT_EQ(re.test(u"ABC", matched), 0);
    EXPECT_TRUE(matched);
    re.setIgnoreCase(false);
    ASSERT_EQ(re.test(u"ABC", matched), 0);
    EXPECT_FALSE(matched);
    // A new pattern keeps the switches.
    re.setIgnoreCase(true);
    re.setGlobal(true);
    ASSERT_EQ(re.setPattern(u"b"), 0);
    std::u16string out;
    ASSERT_EQ(re.replace(u"bBb", u"x", out), 0);
    EXPECT_EQ(out, u"xxx");
}

TEST(RegExp, RunawayBacktrackingIsAnErrorNotAHang)
{
    RegExp re = make(u"(a+)+[bc]", kNone);
    const std::u16string text = std::u16string(40, u'a') + u"!";
    bool matched = true;
    const int rc = re.test(text, matched);
    EXPECT_LT(rc, 0);
    EXPECT_FALSE(matched);
    std::u16string out = u"untouched";
    EXPECT_EQ(re.replace(text, u"x", out), rc);
    EXPECT_EQ(out, u"untouched");
}

} // namespace

namespace {

// With `matched`, a replace tells whether anything matched and leaves out alone when not.
TEST(RegExp, ReplaceSaysWhetherItMatched)
{
    const struct
    {
        const char16_t *pattern, *text, *replacement;
        bool matched;
        const char16_t* out; // "untouched" when out is left as it was
    } cases[] = {
        {u"b", u"abc", u"x", true, u"axc"},
        {u"z", u"abc", u"x", false, u"untouched"},
        {u"b", u"abc", u"b", true, u"abc"}, // a match that changes nothing still matched
        {u"^", u"abc", u"", true, u"abc"},
    };
    for (const auto& c : cases) {
        RegExp re = make(c.pattern, kG);
        std::u16string out = u"untouched";
        bool matched = !c.matched;
        ASSERT_EQ(re.replace(c.text, c.replacement, out, &matched), 0);
        EXPECT_EQ(matched, c.matched) << testing::PrintToString(std::u16string(c.pattern));
        EXPECT_EQ(out, c.out);
    }
}

} // namespace
