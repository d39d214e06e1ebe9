#pragma once

// The user agents a rule file (robots.ini) names as machines, for the browsers-only import:
// each distinct agent is evaluated once, and the verdict is kept for the lines that follow.
// One list serves every parsing thread: its patterns are compiled once.

#include "import/string_pool.h"
#include "rules/rule_file.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace sievra {

class MachineAgents
{
  public:
    explicit MachineAgents(rules::RuleList rules) : m_rules(std::move(rules)) {}

    bool empty() const { return m_rules.empty(); }
    // Whether the rules give the agent (log bytes, CP932) a non-empty outcome. A rule that
    // fails on the agent names no machine. Threads may ask at the same time (one at a
    // time is answered).
    bool matches(std::string_view agent);

  private:
    std::mutex m_lock;
    rules::RuleList m_rules;
    StringPool m_seen;                   // the agents evaluated so far
    std::vector<std::uint8_t> m_verdict; // by identity in m_seen
    // Recently asked agents by a hash of a few of their bytes: most lines come from a few
    // agents, and hashing their whole text for each line would cost more than the rest of
    // the line's tests.
    static constexpr std::size_t kRecent = 4096;
    std::vector<std::uint32_t> m_recent = std::vector<std::uint32_t>(kRecent, 0); // id + 1
};

} // namespace sievra
