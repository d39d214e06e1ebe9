#pragma once

// The rows of the generic kinds: per item, the input visitors that yielded it, the yields
// per visitor and the stay per visitor; how they are counted, how a selection is put into
// the visitors' masks, and the sort orders of the list.

#include <cstdint>
#include <span>
#include <vector>

#include "filters/extractors.h"
#include "filters/key_set.h"
#include "store/log_container.h"

namespace filters {

struct StatRow
{
    const char* key;             // the item; null is the pane's null item
    std::uint32_t visitors;      // input visitors with at least one page view yielding key
    float hitsPerVisitor;        // yielding page views / visitors
    float stayPerVisitor;        // seconds from first to last page view, summed / visitors
};

// Counts rows; keeps its working arrays from one recomputation to the next, so that a
// refresh allocates only when the log has more items than ever before.
class RowAccumulator
{
public:
    // Replaces rows by the items that the input visitors (those whose mask has `dependency`)
    // yield, in no particular order. classified (may be null) receives the keys yielded as
    // classified names. Returns the number of input visitors.
    std::uint32_t run(std::span<const store::VisitorEntry> visitors, std::uint32_t dependency,
                      const ExtractContext& ctx, std::vector<StatRow>& rows, KeySet* classified);

private:
    struct Item
    {
        std::uint64_t hits;
        std::uint64_t stay;
        std::uint32_t visitors;
        std::uint32_t lastVisitor; // 1 + the index of the last visitor counted
        bool classified;
    };

    PointerIndex<char> m_index;
    std::vector<Item> m_items;
    std::vector<std::uint32_t> m_touched;
};

// Sets bit ownBit of every visitor whose mask has `dependency` and one of whose page views
// yields a key of the selection; clears it for all others. Returns how many passed.
std::uint32_t applySelection(std::span<store::VisitorEntry> visitors, std::uint32_t dependency,
                             std::uint32_t ownBit, const ExtractContext& ctx,
                             const KeySet& selection);

// How keys compare where a sort needs them: by pointer (texts of the dictionary, whose
// pointer order is dictionary order) or by the bytes of the texts, case-sensitive (the
// host-name kinds: their texts come from pools); null before everything either way.
enum class KeyOrder : std::uint8_t { Pointer, Text };

KeyOrder keyOrderOf(Kind kind);
bool keyLess(KeyOrder order, const char* a, const char* b);

// Sort type = subitem * 2 + direction: 0/1 key, 2/3 visitors, 4/5 stay, 6/7 hits per
// visitor; types 2..7 put the larger key first among equal values. Unknown types sort as 2.
void sortStatRows(std::vector<StatRow>& rows, unsigned sortType, KeyOrder order);

// A header click on subitem: the same column flips the direction, another one starts
// at direction 0.
constexpr unsigned nextSortType(unsigned current, int subitem)
{
    const auto s = static_cast<unsigned>(subitem);
    return current / 2 == s ? current ^ 1u : s * 2;
}

inline constexpr unsigned kInitialSortType = 2;

} // namespace filters
