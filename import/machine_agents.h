#pragma once

// The user agents a rule file (robots.ini) names as machines, for the browsers-only import:
// each distinct agent is evaluated once, and the verdict is kept for the lines that follow.

#include "rules/rule_file.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sievra {

class MachineAgents
{
  public:
    explicit MachineAgents(rules::RuleList rules) : m_rules(std::move(rules)) {}

    bool empty() const { return m_rules.empty(); }
    // Whether the rules give the agent (log bytes, CP932) a non-empty outcome. A rule that
    // fails on the agent names no machine.
    bool matches(std::string_view agent);

  private:
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const
        {
            return std::hash<std::string_view>()(s);
        }
    };

    rules::RuleList m_rules;
    std::unordered_map<std::string, bool, Hash, std::equal_to<>> m_seen;
    std::string m_last;
    bool m_lastVerdict = false;
};

} // namespace sievra
