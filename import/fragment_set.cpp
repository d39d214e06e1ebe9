#include "import/fragment_set.h"

#include "import/hash.h"

namespace sievra {
namespace {
inline std::uint32_t hashOf(const Fragment9& f)
{
    return static_cast<std::uint32_t>(hashBytes(&f, sizeof f));
}
} // namespace

FragmentSet::FragmentSet()
{
    clear();
}

void FragmentSet::clear()
{
    m_items.clear();
    m_items.shrink_to_fit();
    m_slots.assign(1024, 0);
    m_mask = 1023;
}

void FragmentSet::grow()
{
    const std::uint32_t slots = (m_mask + 1) * 2;
    std::vector<std::uint32_t> next(slots, 0);
    const std::uint32_t mask = slots - 1;
    for (std::uint32_t i = 0; i < m_items.size(); ++i) {
        std::uint32_t s = hashOf(m_items[i]) & mask;
        while (next[s])
            s = (s + 1) & mask;
        next[s] = i + 1;
    }
    m_slots.swap(next);
    m_mask = mask;
}

std::uint32_t FragmentSet::insert(const Fragment9& fragment)
{
    std::uint32_t s = hashOf(fragment) & m_mask;
    for (;; s = (s + 1) & m_mask) {
        const std::uint32_t slot = m_slots[s];
        if (!slot)
            break;
        if (m_items[slot - 1] == fragment)
            return slot - 1;
    }
    const auto index = static_cast<std::uint32_t>(m_items.size());
    m_items.push_back(fragment);
    m_slots[s] = index + 1;
    if (m_items.size() * 2 > m_mask + 1)
        grow();
    return index;
}

} // namespace sievra
