#pragma once

// The rows of the generic kinds: per item, the input visitors that yielded it, the yields
// per visitor and the stay per visitor; how they are counted, how a selection is put into
// the visitors' masks, and the sort orders of the list.

#include "filters/extractors.h"
#include "filters/key_set.h"
#include "platform/big_alloc.h"
#include "store/log_container.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace filters {

struct StatRow
{
    const char* key;        // the item; null is the pane's null item
    std::uint32_t visitors; // input visitors with at least one page view yielding key
    float hitsPerVisitor;   // yielding page views / visitors
    float stayPerVisitor;   // seconds from first to last page view, summed / visitors
};

// Counts rows and applies selections for one pane. The extractors of the fragment-based
// kinds depend only on the fragment and on whether the page view is a visitor's first, so
// their answers are kept per fragment (one word for a first page view, one for a later):
// a refresh then reads one word per page view instead of the fragment and the tables
// behind it, and the selection is applied from the same words. The answers are made in one
// pass over the fragments and kept while the log and the pane's context (kind, URL-group
// display, path set) stay the same, so most refreshes only count.
class RowAccumulator
{
  public:
    // Replaces rows by the items that the input visitors (those whose mask has `dependency`)
    // yield, in no particular order. classified (may be null) receives the keys yielded as
    // classified names. Returns the number of input visitors.
    std::uint32_t run(const store::LogContainer& log, std::uint32_t dependency,
                      const ExtractContext& ctx, std::vector<StatRow>& rows, KeySet* classified);

    // Sets bit ownBit of every visitor whose mask has `dependency` and one of whose page
    // views yields a key of the selection; clears it for all others. ctx must be the one of
    // the last run (the answers kept are its answers). Returns how many passed.
    std::uint32_t apply(store::LogContainer& log, std::uint32_t dependency, std::uint32_t ownBit,
                        const ExtractContext& ctx, const KeySet& selection);

    // Forgets everything kept (the log closed).
    void clear();

  private:
    struct Item
    {
        std::uint64_t hits = 0;
        std::uint64_t stay = 0;
        std::uint32_t visitors = 0;
        std::uint32_t lastVisitor = 0; // 1 + the index of the last visitor counted
        bool classified = false;
    };

    // Where the loops read each record's fragment and each visitor's stay: the log's index,
    // or one made here for tables that have none.
    struct Columns
    {
        const std::uint32_t* recFrg;
        const std::uint32_t* stay;
        bool parallel; // no record outside the fragment table
    };
    Columns columns(const store::LogContainer& log);
    // How many parts the loops over the visitors of log run in: 1 where answers are asked
    // during the loop (the host kinds, records outside the table), which grows the index.
    template <typename X> unsigned partsFor(const store::LogContainer& log, const Columns& c);

    // Offers the page views of visitor vi to x; f(code, hits) for each yield, where code is
    // the key's number + kFirstKey, with kClassifiedBit for a classified name; f returns
    // false to stop.
    template <typename X, typename F>
    void forEachCode(const X& x, const store::LogContainer& log, const Columns& c, std::size_t vi,
                     F&& f);
    // The code of page view i of a visitor, record j: kept per fragment, or asked of x (the
    // host kinds, and records of no fragment of the table).
    template <typename X>
    std::uint32_t code(const X& x, const store::LogContainer& log, const Columns& c, std::size_t j,
                       std::uint32_t i);
    template <typename X>
    std::uint32_t answer(const X& x, const store::LogRecord& r, std::uint32_t i);
    // Whether the answers kept are those of ctx on log; prepare keeps them (counts zeroed)
    // or makes them anew.
    bool keeps(const store::LogContainer& log, const ExtractContext& ctx) const;
    void prepare(const store::LogContainer& log, const ExtractContext& ctx);
    // The kinds that look at every page view: their codes in record order, into m_codes.
    template <typename X>
    void makeCodes(const X& x, const store::LogContainer& log, const Columns& cols);

    static constexpr std::uint32_t kNothing = 1;
    static constexpr std::uint32_t kFirstKey = 2;
    static constexpr std::uint32_t kClassifiedBit = 0x80000000u;
    static constexpr std::uint32_t kAhead = 16; // records read ahead

    // What the kept answers were made for.
    const store::Fragment* m_fragments = nullptr;
    std::size_t m_fragmentCount = 0;
    const store::LogRecord* m_recordsEnd = nullptr;
    Kind m_kind = Kind::Req;
    bool m_group = false;
    bool m_hasPath = false;
    bool m_pathFromPage = false;
    KeySet m_path;

    PointerIndex<char> m_index;
    std::vector<Item> m_items;
    // What each part of a loop counts for itself, added into m_items in part order.
    struct Part
    {
        std::vector<Item> items;
        std::vector<std::uint32_t> touched;
        std::uint32_t visitors = 0;
    };
    std::vector<Part> m_parts;
    store::RecordFragments m_ownRecFrg; // tables without an index
    std::vector<std::uint32_t> m_ownStay;
    std::size_t m_ownOutside = 0;
    using Codes = std::vector<std::uint32_t, platform::BigAllocator<std::uint32_t>>;
    Codes m_first; // per fragment: its code as a first page view
    Codes m_later; // as a later page view
    // Per record: its code (kinds of every page view).
    Codes m_codes;
    std::vector<std::uint8_t> m_selected; // per key number, for apply
};

// The fewest records of the log per part of a visitor loop (250,000: below that a thread
// costs more than it saves); tests split small logs with 1.
void setRecordsPerPart(std::size_t records);
// How many parts a loop over the visitors of a log of this many records runs in.
unsigned loopParts(std::size_t records);

// How keys compare where a sort needs them: by pointer (texts of the dictionary, whose
// pointer order is dictionary order) or by the bytes of the texts, case-sensitive, as the
// dictionary's case-sensitive walk compares them (the host-name kinds: their texts come
// from pools); null before everything either way.
enum class KeyOrder : std::uint8_t { Pointer, Text };

KeyOrder keyOrderOf(Kind kind);
bool keyLess(KeyOrder order, const char* a, const char* b);

// Numbers keys in their order, so that a sort compares numbers. Text order numbers the
// texts it has met once and keeps the numbers: a host-name pane sorts hundreds of thousands
// of names on every refresh, and they seldom change.
class KeyRanks
{
  public:
    explicit KeyRanks(KeyOrder order = KeyOrder::Pointer) : m_order(order) {}
    KeyOrder order() const { return m_order; }
    // Numbers the keys of rows not met yet (then all keys anew). dic (may be empty) is the
    // store's dictionary, whose pointer order is its texts' order where no letter needs
    // folding: such keys are ordered without reading them.
    void learn(const std::vector<StatRow>& rows, std::string_view dic = {});
    // Increasing with the key order; null 0. Text order: only for keys learnt.
    std::uint64_t rank(const char* key) const;
    void clear();

  private:
    KeyOrder m_order;
    PointerIndex<char> m_keys;
    std::vector<std::uint32_t> m_rank; // by key number
};

// Sort type = subitem * 2 + direction: 0/1 key, 2/3 visitors, 4/5 stay, 6/7 hits per
// visitor; types 2..7 put the larger key first among equal values. Unknown types sort as 2.
// ranks must have learnt the rows' keys.
void sortStatRows(std::vector<StatRow>& rows, unsigned sortType, const KeyRanks& ranks);

// A header click on subitem: the same column flips the direction, another one starts
// at direction 0.
constexpr unsigned nextSortType(unsigned current, int subitem)
{
    const auto s = static_cast<unsigned>(subitem);
    return current / 2 == s ? current ^ 1u : s * 2;
}

inline constexpr unsigned kInitialSortType = 2;

} // namespace filters
