#pragma once

// Rule files: INI files in res/ whose sections are rules applied in order to a referer or
// a user agent, each possibly rewriting the text; what is left at the end classifies it.
// Keys of a section: Operator (regexp, sstr or ncmp), Pattern, Replace, Option (i, g),
// Unescape (a charset for the query decoder), SetID and IfID (chaining by numbers).
// A list is built and used on one thread.

#include "platform/regexp.h"

#include <memory>
#include <string>
#include <vector>

namespace rules {

enum class RuleOperator {
    kRegExp, // the pattern is a regular expression
    kSstr,   // matches when the text does NOT contain the pattern
    kNcmp,   // matches when the text begins with the pattern
};

struct Rule
{
    RuleOperator op = RuleOperator::kRegExp;
    std::unique_ptr<platform::RegExp> regexp; // kRegExp: pattern and options set
    std::u16string pattern;                   // kSstr and kNcmp
    bool hasReplace = false;
    std::u16string replace; // may be empty: the text becomes empty
    std::string unescape;   // charset for the query decoder, "" for none
    unsigned setId = 0;     // 0: leaves the active id alone
    unsigned ifId = 0;      // 0: tried whatever the active id is
};

using RuleList = std::vector<Rule>;

// The rule files of the load, in the folder of the installed data (res/): search words,
// search ranks, search-engine names, browsers and OSes.
inline constexpr const char* kRuleFileNames[] = {
    "referer2searchword.ini", "referer2searchrank.ini", "referer2searchname.ini",
    "agent2browser.ini",      "agent2os.ini",
};

// Reads a rule file (path native, contents CP932). A missing or empty file gives an empty
// list; a section that cannot be a rule (no pattern, pattern refused) is left out, as is a
// section named exactly "About" and every section whose name no longer fits the 2048-byte
// list of section names. *read (optional) tells whether the file was there and read: only
// then does an empty list mean that the rules leave every text as it is, and only then may
// outcomes be kept beyond this load.
RuleList LoadRules(const std::string& path, bool* read = nullptr);

// Applies the rules in order to text and leaves the outcome in it. Returns 0, or the error
// of a regular expression; text then holds what the rules before that one made of it.
[[nodiscard]] int EvaluateRules(const RuleList& rules, std::u16string& text);

// The same rules in a list of their own, for another thread. False (and `to` empty) when a
// pattern could not be compiled again.
[[nodiscard]] bool CopyRules(const RuleList& from, RuleList& to);

} // namespace rules
