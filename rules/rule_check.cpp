#include "rules/rule_check.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/regexp.h"

#include <cctype>
#include <cstdio>
#include <map>

namespace rules {
namespace {

std::string trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string lower(std::string s)
{
    platform::toLowerAscii(s);
    return s;
}

std::string unquote(std::string v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        return v.substr(1, v.size() - 2);
    return v;
}

const char* regexpError(int code)
{
    switch (code) {
    case platform::kRegExpUnexpectedQuantifier:
        return "量指定子 (* + ? {}) の前に何もありません";
    case platform::kRegExpExpectedBracket:
        return "']' がありません";
    case platform::kRegExpExpectedParen:
        return "')' がありません";
    case platform::kRegExpInvalidRange:
        return "文字の範囲が正しくありません";
    default:
        return "正規表現として正しくありません";
    }
}

struct Section
{
    std::string name;
    int line = 0;
    std::map<std::string, std::pair<std::string, int>> keys; // lower-case key -> value, line
};

} // namespace

std::vector<RuleProblem> CheckRules(const std::string& path)
{
    std::vector<RuleProblem> problems;
    platform::File file;
    if (file.open(path, platform::File::Mode::ReadFile) != 0)
        return problems;
    std::string bytes;
    if (file.readAll(bytes) != 0)
        return problems;
    const std::string name = path.substr(path.find_last_of('/') + 1);
    auto report = [&](const std::string& section, int line, std::string what) {
        problems.push_back({name, section, line, std::move(what)});
    };

    std::vector<Section> sections;
    std::size_t at = 0;
    for (int line = 1; at <= bytes.size(); ++line) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string text = trim(std::string_view(bytes).substr(at, end - at));
        at = end + 1;
        if (text.empty() || text[0] == ';' || text[0] == '#')
            continue;
        if (text[0] == '[') {
            const std::size_t close = text.find(']');
            if (close == std::string::npos) {
                report(text.substr(1), line, "セクション名に ']' がありません");
                continue;
            }
            sections.push_back({trim(std::string_view(text).substr(1, close - 1)), line, {}});
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) {
            report(sections.empty() ? std::string() : sections.back().name, line,
                   "\"名前=値\" の形ではありません");
            continue;
        }
        if (sections.empty()) {
            report({}, line, "最初のセクションより前にキーがあります");
            continue;
        }
        const std::string key = lower(trim(std::string_view(text).substr(0, equals)));
        sections.back().keys[key] = {unquote(trim(std::string_view(text).substr(equals + 1))),
                                     line};
    }

    for (const Section& s : sections) {
        if (s.name == "About")
            continue;
        const auto op = s.keys.find("operator");
        const std::string opName = op == s.keys.end() ? std::string() : lower(op->second.first);
        if (!opName.empty() && opName != "regexp" && opName != "sstr" && opName != "ncmp")
            report(s.name, op->second.second,
                   "Operator \"" + platform::cp932ToUtf8(op->second.first) +
                       "\" は regexp、sstr、ncmp のどれでもありません (regexp として読みます)");
        const auto pattern = s.keys.find("pattern");
        if (pattern == s.keys.end() || pattern->second.first.empty()) {
            report(s.name, pattern == s.keys.end() ? s.line : pattern->second.second,
                   "Pattern がないため、このルールは使われません");
            continue;
        }
        if (opName == "sstr" || opName == "ncmp")
            continue;
        platform::RegExp re;
        if (const int rc = re.setPattern(platform::cp932ToUtf16(pattern->second.first)))
            report(s.name, pattern->second.second,
                   std::string("Pattern の正規表現が正しくないため、このルールは使われません: ") +
                       regexpError(rc));
    }
    return problems;
}

std::string describe(const RuleProblem& p)
{
    std::string out = p.file;
    if (!p.section.empty())
        out += " [" + platform::cp932ToUtf8(p.section) + "]";
    char line[32];
    std::snprintf(line, sizeof line, " %d行目: ", p.line);
    return out + line + p.what;
}

} // namespace rules
