#pragma once

// The regular-expression component the rule files, URL groups and Sortwell match with: one
// object per pattern, on PCRE2's 16-bit library with JIT. Texts are UTF-16.
//
// Dialect: ECMAScript / JScript style. \d \w \s \b are ASCII classes; \uXXXX, \u{...} and
// \xXX are character codes; an unknown escape such as \j is the letter itself; [] matches
// nothing and [^] any character; a back-reference to a group that has not matched matches
// the empty text. Without the switches below matching is case-sensitive and ^ and $ match
// only at the very start and the very end of the text, never at inner line ends; "." does
// not match CR or LF. IgnoreCase folds letters by Unicode case rules (A/a, full-width Ａ/ａ).
//
// Results are 0 or a negative HRESULT-style code; nothing throws. An object is not safe to
// use from two threads at once (it keeps its compiled pattern and match buffers).

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Error codes of the component (JScript's regular-expression errors where one fits).
inline constexpr int kRegExpSyntax = static_cast<int>(0x800A1399u);               // syntax error
inline constexpr int kRegExpUnexpectedQuantifier = static_cast<int>(0x800A139Au); // "*a"
inline constexpr int kRegExpExpectedBracket = static_cast<int>(0x800A139Bu);      // "[a"
inline constexpr int kRegExpExpectedParen = static_cast<int>(0x800A139Cu);        // "(a"
inline constexpr int kRegExpInvalidRange = static_cast<int>(0x800A139Du);         // "[z-a]"
inline constexpr int kRegExpOutOfStack = static_cast<int>(0x800A001Cu); // match too costly
inline constexpr int kRegExpOutOfMemory = static_cast<int>(0x8007000Eu);
inline constexpr int kRegExpFailed = static_cast<int>(0x80004005u); // any other failure

class RegExp
{
  public:
    // A new object has the empty pattern (which matches everywhere), both switches off.
    RegExp();
    ~RegExp();
    RegExp(RegExp&&) noexcept;
    RegExp& operator=(RegExp&&) noexcept;

    // 0 when the object is ready for use, kRegExpOutOfMemory when it could not be set up.
    int status() const;

    // Compiles the pattern; on failure (non-zero result) the object keeps its old pattern.
    [[nodiscard]] int setPattern(std::u16string_view pattern);
    void setIgnoreCase(bool on);
    // Replace replaces every match instead of the first.
    void setGlobal(bool on);

    const std::u16string& pattern() const;
    bool ignoreCase() const;
    bool global() const;

    // matched: the pattern matches somewhere in text.
    [[nodiscard]] int test(std::u16string_view text, bool& matched);

    // out: text with the first (Global: every) match replaced by replacement, in which
    // $1-$99 stand for groups, $& for the match, $` and $' for the text before and after
    // it and $$ for "$". Global replace continues after each match; after an empty match
    // it moves on by one character. out is only written on success; with `matched`, which
    // tells whether there was a match, only when there was one.
    [[nodiscard]] int replace(std::u16string_view text, std::u16string_view replacement,
                              std::u16string& out, bool* matched = nullptr);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
