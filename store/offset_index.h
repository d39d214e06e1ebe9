#pragma once

// The distinct values of a set of offsets below a known bound, with O(1) rank lookups:
// one bit per possible value and a running count per 64-bit word. Compact where a hash
// map would cost tens of bytes per entry.

#include <bit>
#include <cstdint>
#include <vector>

namespace store {

class OffsetIndex
{
  public:
    explicit OffsetIndex(std::size_t bound) : m_bits(bound / 64 + 1, 0) {}
    void add(std::uint32_t v) { m_bits[v >> 6] |= std::uint64_t(1) << (v & 63); }
    // Call once after the last add; returns the number of distinct values.
    std::uint32_t seal()
    {
        m_before.resize(m_bits.size());
        std::uint32_t n = 0;
        for (std::size_t w = 0; w < m_bits.size(); ++w) {
            m_before[w] = n;
            n += static_cast<std::uint32_t>(std::popcount(m_bits[w]));
        }
        return n;
    }
    // Position of an added value among all added values, ascending.
    std::uint32_t rank(std::uint32_t v) const
    {
        const std::uint64_t below = m_bits[v >> 6] & ((std::uint64_t(1) << (v & 63)) - 1);
        return m_before[v >> 6] + static_cast<std::uint32_t>(std::popcount(below));
    }
    // Calls f(value) for every value in ascending order.
    template <typename F> void each(F f) const
    {
        for (std::size_t w = 0; w < m_bits.size(); ++w)
            for (std::uint64_t b = m_bits[w]; b; b &= b - 1)
                f(static_cast<std::uint32_t>(w * 64 + std::countr_zero(b)));
    }

  private:
    std::vector<std::uint64_t> m_bits;
    std::vector<std::uint32_t> m_before;
};

} // namespace store
