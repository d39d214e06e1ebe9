#include "import/fragment_set.h"

#include "import/hash.h"

namespace sievra {
std::uint32_t FragmentSet::hashOf(const Fragment9& f)
{
    return static_cast<std::uint32_t>(hashBytes(&f, sizeof f));
}

FragmentSet::FragmentSet()
{
    clear();
}

void FragmentSet::clear()
{
    m_items.clear();
    m_items.shrink_to_fit();
    m_slots.assign(1024, Slot{0, 0});
    m_mask = 1023;
}

void FragmentSet::grow()
{
    const std::uint32_t slots = (m_mask + 1) * 2;
    std::vector<Slot> next(slots, Slot{0, 0});
    const std::uint32_t mask = slots - 1;
    for (const Slot& slot : m_slots) {
        if (!slot.index)
            continue;
        std::uint32_t s = slot.hash & mask;
        while (next[s].index)
            s = (s + 1) & mask;
        next[s] = slot;
    }
    m_slots.swap(next);
    m_mask = mask;
}

std::uint32_t FragmentSet::insert(const Fragment9& fragment, std::uint32_t hash)
{
    std::uint32_t s = hash & m_mask;
    for (;; s = (s + 1) & m_mask) {
        const Slot slot = m_slots[s];
        if (!slot.index)
            break;
        if (slot.hash == hash && m_items[slot.index - 1] == fragment)
            return slot.index - 1;
    }
    const auto index = static_cast<std::uint32_t>(m_items.size());
    m_items.push_back(fragment);
    m_slots[s] = Slot{index + 1, hash};
    if (m_items.size() * 2 > m_mask + 1)
        grow();
    return index;
}

} // namespace sievra
