#pragma once

// Sets and indexes keyed by identity: an item key is a pointer to a stored text (or to a
// RefQEntry for the search-word kind), and the null pointer is an item of its own ("no
// referer", "unknown", ...). Open addressing on the pointer value: the refresh looks a key
// up for every page view of its input, so these sit on the hot path.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace filters {

namespace detail {

inline std::size_t pointerHash(const void* p, unsigned shift)
{
    const auto v = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
    return static_cast<std::size_t>((v * 0x9E3779B97F4A7C15ull) >> shift);
}

} // namespace detail

// A set of pointers to T, null included.
template <typename T> class PointerSet
{
  public:
    bool insert(const T* key)
    {
        if (!key) {
            const bool added = !m_hasNull;
            m_hasNull = true;
            return added;
        }
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        std::size_t i = detail::pointerHash(key, m_shift);
        const std::size_t mask = m_slots.size() - 1;
        while (m_slots[i]) {
            if (m_slots[i] == key)
                return false;
            i = (i + 1) & mask;
        }
        m_slots[i] = key;
        ++m_count;
        return true;
    }

    bool contains(const T* key) const
    {
        if (!key)
            return m_hasNull;
        if (m_count == 0)
            return false;
        std::size_t i = detail::pointerHash(key, m_shift);
        const std::size_t mask = m_slots.size() - 1;
        while (m_slots[i]) {
            if (m_slots[i] == key)
                return true;
            i = (i + 1) & mask;
        }
        return false;
    }

    std::size_t size() const { return m_count + (m_hasNull ? 1 : 0); }
    bool empty() const { return size() == 0; }
    void clear()
    {
        m_slots.clear();
        m_shift = 64;
        m_count = 0;
        m_hasNull = false;
    }

    // The members in pointer order (null first).
    std::vector<const T*> sorted() const
    {
        std::vector<const T*> out;
        out.reserve(size());
        if (m_hasNull)
            out.push_back(nullptr);
        for (const T* p : m_slots)
            if (p)
                out.push_back(p);
        std::sort(out.begin() + (m_hasNull ? 1 : 0), out.end());
        return out;
    }

    friend bool operator==(const PointerSet& a, const PointerSet& b)
    {
        return a.sorted() == b.sorted();
    }

  private:
    void grow()
    {
        const std::size_t size = m_slots.empty() ? 16 : m_slots.size() * 2;
        std::vector<const T*> old(size, nullptr);
        old.swap(m_slots);
        m_shift = 64 - static_cast<unsigned>(__builtin_ctzll(size));
        m_count = 0;
        for (const T* p : old)
            if (p)
                insert(p);
    }

    std::vector<const T*> m_slots;
    unsigned m_shift = 64;
    std::size_t m_count = 0;
    bool m_hasNull = false;
};

// Numbers the distinct pointers to T it is given 0, 1, 2, ... in the order first met, so
// that per-item data can live in plain arrays.
template <typename T> class PointerIndex
{
  public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    // The number of key, given a new one when it is new.
    std::uint32_t add(const T* key)
    {
        if (!key) {
            if (m_null == kNone) {
                m_null = static_cast<std::uint32_t>(m_keys.size());
                m_keys.push_back(nullptr);
            }
            return m_null;
        }
        if ((m_keys.size() + 1) * 2 > m_slots.size())
            grow();
        std::size_t i = detail::pointerHash(key, m_shift);
        const std::size_t mask = m_slots.size() - 1;
        while (m_slots[i].key) {
            if (m_slots[i].key == key)
                return m_slots[i].index;
            i = (i + 1) & mask;
        }
        const auto index = static_cast<std::uint32_t>(m_keys.size());
        m_slots[i] = {key, index};
        m_keys.push_back(key);
        return index;
    }

    // The number of key, or kNone.
    std::uint32_t find(const T* key) const
    {
        if (!key)
            return m_null;
        if (m_slots.empty())
            return kNone;
        std::size_t i = detail::pointerHash(key, m_shift);
        const std::size_t mask = m_slots.size() - 1;
        while (m_slots[i].key) {
            if (m_slots[i].key == key)
                return m_slots[i].index;
            i = (i + 1) & mask;
        }
        return kNone;
    }

    // Makes room for n keys without growing on the way.
    void reserve(std::size_t n)
    {
        std::size_t size = 64;
        while (size < n * 2)
            size *= 2;
        if (size > m_slots.size())
            rehash(size);
        m_keys.reserve(n);
    }

    // Keys by number.
    const std::vector<const T*>& keys() const { return m_keys; }
    std::size_t size() const { return m_keys.size(); }
    void clear()
    {
        m_slots.clear();
        m_keys.clear();
        m_shift = 64;
        m_null = kNone;
    }

  private:
    struct Slot
    {
        const T* key = nullptr;
        std::uint32_t index = 0;
    };

    void grow() { rehash(m_slots.empty() ? 64 : m_slots.size() * 2); }

    void rehash(std::size_t size)
    {
        m_slots.assign(size, Slot{});
        m_shift = 64 - static_cast<unsigned>(__builtin_ctzll(size));
        const std::size_t mask = size - 1;
        for (std::uint32_t index = 0; index < m_keys.size(); ++index) {
            const T* key = m_keys[index];
            if (!key)
                continue;
            std::size_t i = detail::pointerHash(key, m_shift);
            while (m_slots[i].key)
                i = (i + 1) & mask;
            m_slots[i] = {key, index};
        }
    }

    std::vector<Slot> m_slots;
    std::vector<const T*> m_keys;
    unsigned m_shift = 64;
    std::uint32_t m_null = kNone;
};

using KeySet = PointerSet<char>;

} // namespace filters
