#pragma once

// Stable sorting of many rows (record numbers) by integer keys, for the lists that hold one
// row per log record: ten million rows sort in a few passes over flat arrays, where a
// comparison sort would follow pointers into the tables for every comparison. Sorting by
// several keys runs from the least significant key to the most significant one; each pass
// keeps the order the previous ones made among equal keys.
//
// The working arrays stay allocated between sorts: on a large list, touching new memory
// for the first time costs more than the sort itself. Bounded keys need the least of it.

#include <cstdint>
#include <vector>

namespace views {

class RowSorter
{
  public:
    // Reorders rows by key(row) ascending, where every key lies in 0..maxKey; rows with equal
    // keys keep their order. key is called twice per row.
    template <typename Key>
    void stableSort(std::vector<std::uint32_t>& rows, Key&& key, std::uint32_t maxKey);

    // The same for any 64-bit key; key is called once per row, but the keys are kept, which
    // takes more memory.
    template <typename Key> void stableSort64(std::vector<std::uint32_t>& rows, Key&& key);

    // Drops the working arrays.
    void release();

  private:
    // Counts for a key split into a low digit of lowBits and the high digit above it.
    struct Split
    {
        int lowBits = 0;
        std::uint32_t lowMask = 0;
        std::vector<std::uint32_t> low, high;
    };
    void prepare(Split& split, std::uint32_t maxKey);
    static bool single(const std::vector<std::uint32_t>& counts, std::size_t n);
    static void offsets(std::vector<std::uint32_t>& counts);
    void sortByKeys(std::vector<std::uint32_t>& rows);

    Split m_split;
    std::vector<std::uint32_t> m_rowsOut;
    std::vector<std::uint16_t> m_high; // the high digits, beside m_rowsOut
    std::vector<std::uint64_t> m_keys;
    std::vector<std::uint64_t> m_keysOut;
};

template <typename Key>
void RowSorter::stableSort(std::vector<std::uint32_t>& rows, Key&& key, std::uint32_t maxKey)
{
    const std::size_t n = rows.size();
    if (n < 2)
        return;
    Split& s = m_split;
    prepare(s, maxKey);
    for (const std::uint32_t row : rows) {
        const std::uint32_t k = key(row);
        ++s.low[k & s.lowMask];
        ++s.high[k >> s.lowBits];
    }
    const bool lowSame = single(s.low, n);
    const bool highSame = single(s.high, n);
    if (lowSame && highSame)
        return;
    m_rowsOut.resize(n);
    if (highSame || lowSame) {
        // One digit tells the keys apart: one pass.
        std::vector<std::uint32_t>& counts = highSame ? s.low : s.high;
        offsets(counts);
        for (const std::uint32_t row : rows) {
            const std::uint32_t k = key(row);
            m_rowsOut[counts[highSame ? (k & s.lowMask) : (k >> s.lowBits)]++] = row;
        }
        rows.swap(m_rowsOut);
        return;
    }
    // Low digit first, carrying the high digit along so that key is not asked again.
    m_high.resize(n);
    offsets(s.low);
    offsets(s.high);
    for (const std::uint32_t row : rows) {
        const std::uint32_t k = key(row);
        const std::uint32_t to = s.low[k & s.lowMask]++;
        m_rowsOut[to] = row;
        m_high[to] = static_cast<std::uint16_t>(k >> s.lowBits);
    }
    for (std::size_t i = 0; i < n; ++i)
        rows[s.high[m_high[i]]++] = m_rowsOut[i];
}

template <typename Key> void RowSorter::stableSort64(std::vector<std::uint32_t>& rows, Key&& key)
{
    m_keys.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        m_keys[i] = key(rows[i]);
    sortByKeys(rows);
}

} // namespace views
