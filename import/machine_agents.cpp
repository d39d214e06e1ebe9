#include "import/machine_agents.h"

#include "platform/codepage.h"

namespace sievra {
namespace {

// A log of ever new agents (forged ones) must not grow the memory without end.
constexpr std::size_t kMaxKept = 1 << 20;

} // namespace

bool MachineAgents::matches(std::string_view agent)
{
    if (m_rules.empty())
        return false;
    if (agent == m_last)
        return m_lastVerdict;
    bool verdict;
    if (const auto it = m_seen.find(agent); it != m_seen.end()) {
        verdict = it->second;
    } else {
        std::u16string text = platform::cp932ToUtf16(agent);
        verdict = rules::EvaluateRules(m_rules, text) == 0 && !text.empty();
        if (m_seen.size() < kMaxKept)
            m_seen.emplace(agent, verdict);
    }
    m_last.assign(agent);
    m_lastVerdict = verdict;
    return verdict;
}

} // namespace sievra
