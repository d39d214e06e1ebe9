#include "rule_file.h"

#include "platform/codepage.h"
#include "platform/profile.h"
#include "rules/query_decode.h"

#include <cstdint>

namespace rules {

namespace {

// The section names are read into a buffer of this size, as NUL-terminated names followed
// by one more NUL. A name cut short there is no section name and is not loaded.
constexpr std::size_t kSectionListSize = 2048;

// Default of the Replace key: a value of just this control character means no Replace.
constexpr char kNoReplace[] = "\x01";

std::vector<std::string> listedSectionNames(const platform::ProfileFile& file)
{
    std::vector<std::string> names = file.sectionNames();
    std::size_t left = kSectionListSize - 1; // the closing NUL always has its place
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::size_t need = names[i].size() + 1;
        if (need >= left) { // the list ends here, with this name whole only if it fits
            names.resize(need == left ? i + 1 : i);
            break;
        }
        left -= need;
    }
    return names;
}

RuleOperator parseOperator(std::string_view name)
{
    if (name == "sstr")
        return RuleOperator::kSstr;
    if (name == "ncmp")
        return RuleOperator::kNcmp;
    return RuleOperator::kRegExp;
}

} // namespace

RuleList LoadRules(const std::string& path, bool* read)
{
    RuleList rules;
    const platform::ProfileFile file(path);
    if (read)
        *read = file.exists();
    for (const std::string& section : listedSectionNames(file)) {
        if (section == "About")
            continue;
        Rule rule;
        rule.op = parseOperator(file.getString(section, "Operator", ""));
        const std::string pattern = file.getString(section, "Pattern", "");
        if (pattern.empty())
            continue;
        const std::string option = file.getString(section, "Option", "");
        if (rule.op == RuleOperator::kRegExp) {
            auto regexp = std::make_unique<platform::RegExp>();
            if (regexp->status() != 0 || regexp->setPattern(platform::cp932ToUtf16(pattern)) != 0)
                continue;
            regexp->setIgnoreCase(option.find('i') != std::string::npos);
            regexp->setGlobal(option.find('g') != std::string::npos);
            rule.regexp = std::move(regexp);
        } else {
            rule.pattern = platform::cp932ToUtf16(pattern);
        }
        const std::string replace = file.getString(section, "Replace", kNoReplace);
        rule.hasReplace = replace != kNoReplace;
        if (rule.hasReplace)
            rule.replace = platform::cp932ToUtf16(replace);
        rule.unescape = file.getString(section, "Unescape", "");
        rule.setId = file.getInt(section, "SetID", 0);
        rule.ifId = file.getInt(section, "IfID", 0);
        rules.push_back(std::move(rule));
    }
    return rules;
}

int EvaluateRules(const RuleList& rules, std::u16string& text)
{
    // Ids are unsigned and the active one starts out of their range, so that at first only
    // rules without IfID are tried.
    std::int64_t active = -1;
    std::u16string replaced;
    for (const Rule& rule : rules) {
        if (rule.ifId != 0 && rule.ifId != active)
            continue;
        bool matched = false;
        switch (rule.op) {
        case RuleOperator::kNcmp:
            matched = text.starts_with(rule.pattern);
            break;
        case RuleOperator::kSstr:
            matched = text.find(rule.pattern) == std::u16string::npos;
            break;
        case RuleOperator::kRegExp:
            if (rule.hasReplace) {
                bool found = false;
                if (const int rc = rule.regexp->replace(text, rule.replace, replaced, &found))
                    return rc;
                // A replacement that changes nothing is no match.
                matched = found && replaced != text;
                if (matched)
                    text.swap(replaced);
            } else if (const int rc = rule.regexp->test(text, matched)) {
                return rc;
            }
            break;
        }
        if (!matched)
            continue;
        if (rule.hasReplace && rule.op != RuleOperator::kRegExp)
            text = rule.replace;
        if (!rule.unescape.empty())
            text = DecodeQueryText(text, rule.unescape);
        if (rule.setId != 0)
            active = rule.setId;
    }
    return 0;
}

bool CopyRules(const RuleList& from, RuleList& to)
{
    to.clear();
    to.reserve(from.size());
    for (const Rule& rule : from) {
        Rule copy;
        copy.op = rule.op;
        if (rule.regexp) {
            copy.regexp = std::make_unique<platform::RegExp>();
            if (copy.regexp->setPattern(rule.regexp->pattern()) != 0) {
                to.clear();
                return false;
            }
            copy.regexp->setIgnoreCase(rule.regexp->ignoreCase());
            copy.regexp->setGlobal(rule.regexp->global());
        }
        copy.pattern = rule.pattern;
        copy.hasReplace = rule.hasReplace;
        copy.replace = rule.replace;
        copy.unescape = rule.unescape;
        copy.setId = rule.setId;
        copy.ifId = rule.ifId;
        to.push_back(std::move(copy));
    }
    return true;
}

} // namespace rules
