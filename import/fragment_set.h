#pragma once

// The distinct request fragments of an import: everything of a request but its time and
// host, as nine 32-bit fields (the order of the file format), texts as pool identities.

#include <cstdint>
#include <cstring>
#include <vector>

namespace sievra {

struct Fragment9
{
    std::uint32_t bytes = 0;
    std::uint32_t status = 0;
    std::uint32_t method = 0;
    std::uint32_t path = 0;
    std::uint32_t referer = 0;
    std::uint32_t user = 0;
    std::uint32_t agent = 0;
    std::uint32_t query = 0;
    std::uint32_t refQuery = 0;

    bool operator==(const Fragment9& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};
static_assert(sizeof(Fragment9) == 36);

class FragmentSet
{
  public:
    FragmentSet();
    // The index of an equal fragment, inserting this one when there is none.
    std::uint32_t insert(const Fragment9& fragment) { return insert(fragment, hashOf(fragment)); }
    // The same with hashOf(fragment) known.
    std::uint32_t insert(const Fragment9& fragment, std::uint32_t hash);
    static std::uint32_t hashOf(const Fragment9& fragment);
    // Asks the processor for the slot where a fragment of this hash is looked for first.
    void prefetch(std::uint32_t hash) const { __builtin_prefetch(&m_slots[hash & m_mask]); }
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_items.size()); }
    Fragment9& operator[](std::uint32_t i) { return m_items[i]; }
    const Fragment9& operator[](std::uint32_t i) const { return m_items[i]; }
    std::vector<Fragment9>& items() { return m_items; }
    void clear();

    std::size_t bytes() const
    {
        return m_items.capacity() * sizeof(Fragment9) + m_slots.capacity() * sizeof(Slot);
    }

  private:
    // A slot holds the fragment's hash beside its index, so that a probe compares
    // fragments only when their hashes agree, and growing never hashes again.
    struct Slot
    {
        std::uint32_t index; // + 1, 0 = empty
        std::uint32_t hash;
    };
    void grow();
    std::vector<Fragment9> m_items;
    std::vector<Slot> m_slots;
    std::uint32_t m_mask = 0;
};

} // namespace sievra
