#pragma once

// Stable sorting of many rows (record numbers) by 64-bit keys, for the lists that hold one
// row per log record: ten million rows sort in a few passes over flat arrays, where a
// comparison sort would follow pointers into the tables for every comparison. Sorting by
// several keys runs from the least significant key to the most significant one; each pass
// keeps the order the previous ones made among equal keys.

#include <cstdint>
#include <vector>

namespace views {

class RowSorter
{
  public:
    // Reorders rows by key(row) ascending; rows with equal keys keep their order. key is
    // called once per row.
    template <typename Key> void stableSort(std::vector<std::uint32_t>& rows, Key&& key)
    {
        m_keys.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            m_keys[i] = key(rows[i]);
        sortByKeys(rows);
    }

    // Drops the working arrays.
    void release();

  private:
    // Sorts rows (and m_keys with them) by m_keys, one byte at a time from the lowest;
    // bytes that are the same in every key are skipped.
    void sortByKeys(std::vector<std::uint32_t>& rows);

    std::vector<std::uint64_t> m_keys;
    std::vector<std::uint64_t> m_keysOut;
    std::vector<std::uint32_t> m_rowsOut;
};

} // namespace views
