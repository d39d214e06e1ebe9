// The row sorter against the standard library's stable sort, on random keys of every width
// it treats differently.

#include "views/row_sort.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <vector>

namespace {

TEST(RowSorter, SameOrderAsAStableSort)
{
    const struct
    {
        std::uint32_t maxKey;
        std::size_t rows;
        bool lowSame; // keys that differ only above the low digit
    } cases[] = {
        {0, 10, false},
        {1, 1000, false},
        {4095, 5000, false},
        {4096, 5000, false},
        {(1u << 24) - 1, 20000, false},
        {UINT32_MAX, 20000, false},
        {(1u << 20) - 1, 3000, true},
    };
    std::mt19937 random(7);
    for (const auto& c : cases) {
        std::vector<std::uint32_t> key(c.rows);
        for (std::uint32_t& k : key) {
            k = std::uniform_int_distribution<std::uint32_t>(0, c.maxKey)(random);
            if (c.lowSame)
                k &= ~std::uint32_t{0x3FF};
        }
        // Rows in a shuffled order, so that ties show whether the order was kept.
        std::vector<std::uint32_t> rows(c.rows);
        std::iota(rows.begin(), rows.end(), 0u);
        std::shuffle(rows.begin(), rows.end(), random);
        std::vector<std::uint32_t> expected = rows;
        std::stable_sort(expected.begin(), expected.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return key[a] < key[b]; });

        views::RowSorter sorter;
        std::vector<std::uint32_t> bounded = rows;
        sorter.stableSort(
            bounded, [&](std::uint32_t r) { return key[r]; }, c.maxKey);
        EXPECT_EQ(bounded, expected) << c.maxKey;
        std::vector<std::uint32_t> wide = rows;
        sorter.stableSort64(wide, [&](std::uint32_t r) { return std::uint64_t{key[r]} << 20; });
        EXPECT_EQ(wide, expected) << c.maxKey;
    }
}

} // namespace
