#include "views/row_sort.h"

#include <array>

namespace views {

void RowSorter::sortByKeys(std::vector<std::uint32_t>& rows)
{
    const std::size_t n = rows.size();
    if (n < 2)
        return;
    // One pass counts every byte of every key.
    std::vector<std::array<std::uint32_t, 256>> counts(8);
    for (auto& c : counts)
        c.fill(0);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t k = m_keys[i];
        for (int b = 0; b < 8; ++b, k >>= 8)
            ++counts[static_cast<std::size_t>(b)][k & 0xFF];
    }
    m_keysOut.resize(n);
    m_rowsOut.resize(n);
    for (int b = 0; b < 8; ++b) {
        std::array<std::uint32_t, 256>& count = counts[static_cast<std::size_t>(b)];
        const int shift = b * 8;
        if (count[(m_keys[0] >> shift) & 0xFF] == n)
            continue; // every key has this byte: the pass would change nothing
        std::uint32_t sum = 0;
        for (std::uint32_t& c : count) {
            const std::uint32_t here = c;
            c = sum;
            sum += here;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t to = count[(m_keys[i] >> shift) & 0xFF]++;
            m_keysOut[to] = m_keys[i];
            m_rowsOut[to] = rows[i];
        }
        m_keys.swap(m_keysOut);
        rows.swap(m_rowsOut);
    }
}

void RowSorter::release()
{
    m_keys = {};
    m_keysOut = {};
    m_rowsOut = {};
}

} // namespace views
