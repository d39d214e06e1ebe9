#include "import/machine_agents.h"

#include "import/hash.h"
#include "platform/codepage.h"

namespace sievra {
namespace {

// A log of ever new agents (forged ones) must not grow the memory without end.
constexpr std::size_t kMaxKept = 1 << 20;

// Agents share their beginnings ("Mozilla/5.0 ("): the length, the middle and the end tell
// them apart.
std::uint64_t quickHash(std::string_view text)
{
    const std::size_t n = text.size();
    if (n < 16)
        return hashBytes(text.data(), n);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    return mix64(load64(p + n - 8) ^ n, load64(p + n / 2) ^ 0x9E3779B97F4A7C15ull);
}

} // namespace

bool MachineAgents::matches(std::string_view agent)
{
    if (m_rules.empty())
        return false;
    std::lock_guard guard(m_lock);
    std::uint32_t& recent = m_recent[quickHash(agent) & (kRecent - 1)];
    if (recent && m_seen.text(recent - 1) == agent)
        return m_verdict[recent - 1];
    std::uint32_t id = 0;
    if (!m_seen.find(agent, id)) {
        std::u16string text = platform::cp932ToUtf16(agent);
        const bool verdict = rules::EvaluateRules(m_rules, text) == 0 && !text.empty();
        if (m_seen.size() >= kMaxKept)
            return verdict;
        id = m_seen.intern(agent);
        if (m_verdict.size() <= id)
            m_verdict.resize(id + 1);
        m_verdict[id] = verdict;
    }
    recent = id + 1;
    return m_verdict[id];
}

} // namespace sievra
