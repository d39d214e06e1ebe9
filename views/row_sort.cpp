#include "views/row_sort.h"

#include <array>
#include <bit>

namespace views {

void RowSorter::prepare(Split& split, std::uint32_t maxKey)
{
    // Two digits of at most 16 bits, the high one no wider than the low one.
    const int bits = std::max(1, static_cast<int>(std::bit_width(maxKey)));
    split.lowBits = bits - bits / 2;
    split.lowMask = (std::uint32_t{1} << split.lowBits) - 1;
    split.low.assign(std::size_t{1} << split.lowBits, 0);
    split.high.assign(std::size_t{1} << (bits / 2), 0);
}

bool RowSorter::single(const std::vector<std::uint32_t>& counts, std::size_t n)
{
    for (const std::uint32_t c : counts)
        if (c)
            return c == n;
    return true;
}

void RowSorter::offsets(std::vector<std::uint32_t>& counts)
{
    std::uint32_t sum = 0;
    for (std::uint32_t& c : counts) {
        const std::uint32_t here = c;
        c = sum;
        sum += here;
    }
}

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
    m_split = {};
    m_rowsOut = {};
    m_high = {};
    m_keys = {};
    m_keysOut = {};
}

} // namespace views
