#include "filters/stat_rows.h"

#include "platform/codepage.h"
#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <iterator>
#include <type_traits>

namespace filters {

bool RowAccumulator::keeps(const store::LogContainer& log, const ExtractContext& ctx) const
{
    return m_fragments == log.Frg2.data() && m_fragmentCount == log.Frg2.size() &&
           m_recordsEnd == log.Rec2.data() + log.Rec2.size() && m_kind == ctx.kind &&
           m_group == ctx.group && m_hasPath == (ctx.path != nullptr) &&
           (!ctx.path || (m_pathFromPage == ctx.pathFromPage && m_path == *ctx.path));
}

void RowAccumulator::prepare(const store::LogContainer& log, const ExtractContext& ctx)
{
    if (keeps(log, ctx)) {
        for (Item& item : m_items)
            item = Item{};
        return;
    }
    m_fragments = log.Frg2.data();
    m_fragmentCount = log.Frg2.size();
    m_recordsEnd = log.Rec2.data() + log.Rec2.size();
    m_kind = ctx.kind;
    m_group = ctx.group;
    m_hasPath = ctx.path != nullptr;
    m_pathFromPage = ctx.pathFromPage;
    m_path = ctx.path ? *ctx.path : KeySet();
    m_index.clear();
    m_items.clear();
    m_first.clear();
    m_later.clear();
    m_codes.clear();
    if (isHostKind(ctx.kind)) { // up to one key per host: no growing on the way
        m_index.reserve(log.Host.size());
        m_items.reserve(log.Host.size());
    }
    // The answers for every fragment, in table order: one pass through the fragments costs
    // less than meeting them in the records' order, where each is a cache miss.
    withExtractor(ctx, [&](const auto& x) {
        using X = std::decay_t<decltype(x)>;
        if constexpr (X::kRange != extract::Range::PerVisitor) {
            m_first.resize(m_fragmentCount);
            m_later.resize(m_fragmentCount);
            for (std::size_t f = 0; f < m_fragmentCount; ++f) {
                store::LogRecord r{0, nullptr, const_cast<store::Fragment*>(m_fragments + f)};
                m_first[f] = answer(x, r, 0);
                m_later[f] = answer(x, r, 1);
            }
        }
    });
}

template <typename X>
void RowAccumulator::makeCodes(const X& x, const store::LogContainer& log, const Columns& cols)
{
    // Every refresh would read the answers in the order of the fragments the records name,
    // which is no order; they are put in record order once.
    // First every record as a later page view, in one pass through the records (the
    // fragments they name are asked for well ahead), then the visitors' first ones. Records
    // of no visitor are never read.
    const std::size_t records = log.Rec2.size();
    m_codes.resize(records);
    const std::vector<store::VisitorEntry>& visitors = log.Visitors;
    const unsigned parts = partsFor<X>(log, cols);
    constexpr std::size_t kFar = 64;
    platform::runRanges(records, parts, [&](unsigned, std::size_t begin, std::size_t end) {
        for (std::size_t j = begin; j < end; ++j) {
            if (j + kFar < records) {
                const std::uint32_t ahead = cols.recFrg[j + kFar];
                if (ahead != store::LogContainer::kNoFragment)
                    __builtin_prefetch(&m_later[ahead]);
            }
            const std::uint32_t f = cols.recFrg[j];
            // Only in one part: asking x may add keys.
            m_codes[j] =
                f == store::LogContainer::kNoFragment ? answer(x, log.Rec2[j], 1) : m_later[f];
        }
    });
    // After the whole pass: a first record may lie in another part's records.
    platform::runRanges(visitors.size(), parts, [&](unsigned, std::size_t begin, std::size_t end) {
        for (std::size_t vi = begin; vi < end; ++vi) {
            const store::VisitorEntry& v = visitors[vi];
            if (v.count == 0)
                continue;
            const auto j = static_cast<std::size_t>(v.first - log.Rec2.data());
            const std::uint32_t f = cols.recFrg[j];
            m_codes[j] =
                f == store::LogContainer::kNoFragment ? answer(x, log.Rec2[j], 0) : m_first[f];
        }
    });
}

void RowAccumulator::clear()
{
    m_fragments = nullptr;
    m_fragmentCount = 0;
    m_recordsEnd = nullptr;
    m_path.clear();
    m_first = {};
    m_later = {};
    m_codes = {};
    m_index.clear();
    m_items = {};
    m_parts = {};
    m_ownRecFrg = {};
    m_ownStay = {};
    m_selected = {};
}

template <typename X>
std::uint32_t RowAccumulator::answer(const X& x, const store::LogRecord& r, std::uint32_t i)
{
    const char* key = nullptr;
    const Yield y = x(r, i, key);
    if (y == Yield::Nothing)
        return kNothing;
    const std::uint32_t n = m_index.add(key);
    if (n == m_items.size())
        m_items.push_back(Item{});
    return (n + kFirstKey) | (y == Yield::ClassifiedKey ? kClassifiedBit : 0);
}

RowAccumulator::Columns RowAccumulator::columns(const store::LogContainer& log)
{
    if (log.RecordsIndexed())
        return {log.RecFrg.data(), log.VisitorStay.data(), log.RecOutside == 0};
    m_ownOutside = store::indexRecords(log, m_ownRecFrg, m_ownStay);
    return {m_ownRecFrg.data(), m_ownStay.data(), m_ownOutside == 0};
}

namespace {

std::atomic<std::size_t> g_recordsPerPart{250000};

} // namespace

void setRecordsPerPart(std::size_t records)
{
    g_recordsPerPart = std::max<std::size_t>(1, records);
}

template <typename X>
unsigned RowAccumulator::partsFor(const store::LogContainer& log, const Columns& c)
{
    // A part costs a thread start and a pass over the items: not for small logs.
    if (X::kRange == extract::Range::PerVisitor || !c.parallel)
        return 1;
    return loopParts(log.Rec2.size());
}

unsigned loopParts(std::size_t records)
{
    return platform::partCount(records, g_recordsPerPart.load());
}

template <typename X>
[[gnu::always_inline]] inline std::uint32_t
RowAccumulator::code(const X& x, const store::LogContainer& log, const Columns& c, std::size_t j,
                     std::uint32_t i)
{
    if constexpr (X::kRange == extract::Range::All) {
        if (!m_codes.empty())
            return m_codes[j];
    }
    if constexpr (X::kRange != extract::Range::PerVisitor) {
        const std::uint32_t f = c.recFrg[j];
        if (f != store::LogContainer::kNoFragment)
            return i == 0 ? m_first[f] : m_later[f];
    }
    return answer(x, log.Rec2[j], i); // the host kinds, and records of no fragment of the table
}

template <typename X, typename F>
void RowAccumulator::forEachCode(const X& x, const store::LogContainer& log, const Columns& c,
                                 std::size_t vi, F&& f)
{
    using extract::Range;
    const store::VisitorEntry& v = log.Visitors[vi];
    const std::uint32_t n = v.count;
    if (n == 0)
        return;
    const auto j = static_cast<std::size_t>(v.first - log.Rec2.data());
    if constexpr (X::kRange == Range::PerVisitor || X::kRange == Range::First) {
        const std::uint32_t k = code(x, log, c, j, 0);
        if (k != kNothing)
            f(k, X::kRange == Range::PerVisitor ? n : 1u);
    } else if constexpr (X::kRange == Range::Last) {
        const std::uint32_t k = code(x, log, c, j + n - 1, n - 1);
        if (k != kNothing)
            f(k, 1u);
    } else {
        const std::size_t records = log.Rec2.size();
        const bool ask = m_codes.empty();
        for (std::uint32_t i = 0; i < n; ++i) {
            // Without the codes in record order the answers are read in the order of the
            // fragments the records name, which is no order: ask for them a few records
            // ahead.
            if (ask && j + i + kAhead < records) {
                const std::uint32_t ahead = c.recFrg[j + i + kAhead];
                if (ahead != store::LogContainer::kNoFragment)
                    __builtin_prefetch(&m_later[ahead]);
            }
            const std::uint32_t k = code(x, log, c, j + i, i);
            if (k != kNothing && !f(k, 1u))
                return;
        }
    }
}

std::uint32_t RowAccumulator::run(const store::LogContainer& log, std::uint32_t dependency,
                                  const ExtractContext& ctx, std::vector<StatRow>& rows,
                                  KeySet* classified)
{
    const Columns cols = columns(log);
    prepare(log, ctx);
    const std::vector<store::VisitorEntry>& visitors = log.Visitors;
    std::uint32_t input = 0;
    withExtractor(ctx, [&](const auto& x) {
        using X = std::decay_t<decltype(x)>;
        if constexpr (X::kRange == extract::Range::All) {
            // The codes in record order pay for themselves once the input is an eighth of
            // the visitors or more; a pane far down the chain reads too few page views.
            if (m_codes.empty()) {
                std::size_t inputs = 0;
                for (const store::VisitorEntry& v : visitors)
                    inputs += (v.mask & dependency) != 0;
                if (inputs * 8 >= visitors.size())
                    makeCodes(x, log, cols);
            }
        }
        const unsigned parts = partsFor<X>(log, cols);
        if (m_parts.size() < parts)
            m_parts.resize(parts);
        // One part counts into m_items itself: its loop may add keys (the host kinds).
        const auto count = [&](unsigned part, std::vector<Item>& items) {
            Part& own = m_parts[part];
            own.visitors = 0;
            const std::size_t end = platform::partBegin(visitors.size(), part + 1, parts);
            for (std::size_t vi = platform::partBegin(visitors.size(), part, parts); vi < end;
                 ++vi) {
                const store::VisitorEntry& v = visitors[vi];
                if (!(v.mask & dependency))
                    continue;
                ++own.visitors;
                const auto stamp = static_cast<std::uint32_t>(vi + 1);
                // Whether a key is new for this visitor is no pattern a branch predictor
                // can learn: it is written down every time, and counted only when new.
                if (own.touched.size() < v.count)
                    own.touched.resize(v.count);
                std::uint32_t touched = 0;
                forEachCode(x, log, cols, vi, [&](std::uint32_t c, std::uint32_t hits) {
                    const std::uint32_t k = (c & ~kClassifiedBit) - kFirstKey;
                    Item& item = items[k];
                    item.hits += hits;
                    item.classified |= (c & kClassifiedBit) != 0;
                    const bool fresh = item.lastVisitor != stamp;
                    item.lastVisitor = stamp;
                    own.touched[touched] = k;
                    touched += fresh;
                    return true;
                });
                const std::uint32_t stay = cols.stay[vi];
                for (std::uint32_t t = 0; t < touched; ++t) {
                    ++items[own.touched[t]].visitors;
                    items[own.touched[t]].stay += stay;
                }
            }
        };
        if (parts == 1) {
            count(0, m_items);
            input = m_parts[0].visitors;
            return;
        }
        platform::runParts(parts, [&](unsigned part) {
            std::vector<Item>& items = m_parts[part].items;
            items.assign(m_items.size(), Item{});
            count(part, items);
        });
        for (unsigned part = 0; part < parts; ++part) {
            const std::vector<Item>& items = m_parts[part].items;
            for (std::size_t k = 0; k < m_items.size(); ++k) {
                m_items[k].hits += items[k].hits;
                m_items[k].stay += items[k].stay;
                m_items[k].visitors += items[k].visitors;
                m_items[k].classified |= items[k].classified;
            }
            input += m_parts[part].visitors;
        }
    });

    rows.clear();
    rows.reserve(m_items.size());
    if (classified)
        classified->clear();
    const auto& keys = m_index.keys();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        if (item.visitors == 0)
            continue;
        const double n = item.visitors;
        rows.push_back(StatRow{keys[i], item.visitors, static_cast<float>(double(item.hits) / n),
                               static_cast<float>(double(item.stay) / n)});
        if (classified && item.classified)
            classified->insert(keys[i]);
    }
    return input;
}

std::uint32_t RowAccumulator::apply(store::LogContainer& log, std::uint32_t dependency,
                                    std::uint32_t ownBit, const ExtractContext& ctx,
                                    const KeySet& selection)
{
    const Columns cols = columns(log);
    if (!keeps(log, ctx)) // not the answers of ctx: made anew (no counts are needed here)
        prepare(log, ctx);
    const auto& keys = m_index.keys();
    // Every key known so far is looked up once; keys met for the first time on the way
    // (only where the loop runs in one part) are looked up when met.
    m_selected.resize(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k)
        m_selected[k] = selection.contains(keys[k]) ? 1 : 0;
    const auto selected = [&](std::uint32_t n) {
        while (m_selected.size() <= n)
            m_selected.push_back(selection.contains(keys[m_selected.size()]) ? 1 : 0);
        return m_selected[n] != 0;
    };
    std::uint32_t passed = 0;
    std::vector<store::VisitorEntry>& visitors = log.Visitors;
    withExtractor(ctx, [&](const auto& x) {
        using X = std::decay_t<decltype(x)>;
        const unsigned parts = partsFor<X>(log, cols);
        if (m_parts.size() < parts)
            m_parts.resize(parts);
        platform::runRanges(
            visitors.size(), parts, [&](unsigned part, std::size_t begin, std::size_t end) {
                std::uint32_t own = 0;
                for (std::size_t vi = begin; vi < end; ++vi) {
                    store::VisitorEntry& v = visitors[vi];
                    v.mask &= ~ownBit;
                    if (!(v.mask & dependency) || selection.empty())
                        continue;
                    bool in = false;
                    forEachCode(x, log, cols, vi, [&](std::uint32_t c, std::uint32_t) {
                        in = selected((c & ~kClassifiedBit) - kFirstKey);
                        return !in;
                    });
                    if (in) {
                        v.mask |= ownBit;
                        ++own;
                    }
                }
                m_parts[part].visitors = own;
            });
        for (unsigned part = 0; part < parts; ++part)
            passed += m_parts[part].visitors;
    });
    return passed;
}

KeyOrder keyOrderOf(Kind kind)
{
    return isHostKind(kind) || kind == Kind::VisitorKind ? KeyOrder::Text : KeyOrder::Pointer;
}

bool keyLess(KeyOrder order, const char* a, const char* b)
{
    if (order == KeyOrder::Pointer || !a || !b)
        return std::less<const char*>()(a, b);
    return platform::compareCase(a, b) < 0;
}

namespace {

// Multikey quicksort (Bentley and Sedgewick) of NUL-terminated texts in bytewise order: names
// that share long beginnings ("jp.ne.") are compared from where they differ on, one byte at
// a time, instead of from their first byte at every comparison.
void sortBytewise(const char** a, std::size_t n, std::size_t depth)
{
    const auto at = [](const char* t, std::size_t d) { return static_cast<unsigned char>(t[d]); };
    while (n > 1) {
        if (n < 12) {
            for (std::size_t i = 1; i < n; ++i)
                for (std::size_t j = i; j > 0 && std::strcmp(a[j - 1] + depth, a[j] + depth) > 0;
                     --j)
                    std::swap(a[j - 1], a[j]);
            return;
        }
        const unsigned char x = at(a[0], depth), y = at(a[n / 2], depth), z = at(a[n - 1], depth);
        const unsigned char pivot = std::max(std::min(x, y), std::min(std::max(x, y), z));
        std::size_t lt = 0, i = 0, gt = n;
        while (i < gt) {
            const unsigned char c = at(a[i], depth);
            if (c < pivot)
                std::swap(a[lt++], a[i++]);
            else if (c > pivot)
                std::swap(a[i], a[--gt]);
            else
                ++i;
        }
        sortBytewise(a, lt, depth);
        sortBytewise(a + gt, n - gt, depth);
        if (pivot == 0)
            return; // the equal ones ended here: they are one text
        a += lt;
        n = gt - lt;
        ++depth;
    }
}

// Whether a text has bytes of 0x80 and up, and whether it has bytes that might be upper-case
// letters (a trail byte can look like one: it then counts, which only costs speed).
struct TextTraits
{
    bool ascii = true;
    bool upper = false;
};

TextTraits traitsOf(const char* text)
{
    TextTraits t;
    for (; *text; ++text) {
        const auto c = static_cast<unsigned char>(*text);
        t.ascii = t.ascii && c < 0x80;
        t.upper = t.upper || (c >= 'A' && c <= 'Z');
    }
    return t;
}

} // namespace

void KeyRanks::learn(const std::vector<StatRow>& rows, std::string_view dic)
{
    if (m_order == KeyOrder::Pointer)
        return;
    const std::size_t known = m_keys.size();
    m_keys.reserve(known + rows.size());
    for (const StatRow& r : rows)
        if (r.key)
            m_keys.add(r.key);
    if (m_keys.size() == known)
        return;
    // Three groups sorted each its own way, then merged: dictionary texts without upper-case
    // letters compare case-sensitively as they compare in the dictionary, so their pointer
    // order is their order; other ASCII texts compare bytewise; the rest need the
    // multibyte walk.
    const auto& keys = m_keys.keys();
    std::vector<const char*> plain, ascii, other;
    for (const char* k : keys) {
        const TextTraits t = traitsOf(k);
        if (k >= dic.data() && k < dic.data() + dic.size() && !t.upper)
            plain.push_back(k);
        else if (t.ascii)
            ascii.push_back(k);
        else
            other.push_back(k);
    }
    std::sort(plain.begin(), plain.end(), std::less<const char*>());
    sortBytewise(ascii.data(), ascii.size(), 0);
    const auto less = [](const char* a, const char* b) { return platform::compareCase(a, b) < 0; };
    std::sort(other.begin(), other.end(), less);
    std::vector<const char*> two, merged;
    two.reserve(plain.size() + ascii.size());
    merged.reserve(keys.size());
    std::merge(plain.begin(), plain.end(), ascii.begin(), ascii.end(), std::back_inserter(two),
               less);
    std::merge(two.begin(), two.end(), other.begin(), other.end(), std::back_inserter(merged),
               less);
    m_rank.assign(keys.size(), 0);
    for (std::uint32_t i = 0; i < merged.size(); ++i)
        m_rank[m_keys.find(merged[i])] = i + 1;
}

std::uint64_t KeyRanks::rank(const char* key) const
{
    if (!key)
        return 0;
    if (m_order == KeyOrder::Pointer)
        return reinterpret_cast<std::uintptr_t>(key);
    const std::uint32_t n = m_keys.find(key);
    return n == PointerIndex<char>::kNone ? 0 : m_rank[n];
}

void KeyRanks::clear()
{
    m_keys.clear();
    m_rank.clear();
}

void sortStatRows(std::vector<StatRow>& rows, unsigned sortType, const KeyRanks& ranks)
{
    if (sortType > 7)
        sortType = kInitialSortType;
    struct Ranked
    {
        StatRow row;
        std::uint64_t rank;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(rows.size());
    for (const StatRow& r : rows)
        ranked.push_back({r, ranks.rank(r.key)});
    const bool direction1 = sortType & 1; // key descending, values ascending
    const auto byValue = [&](auto value) {
        std::sort(ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) {
            const auto va = value(a.row), vb = value(b.row);
            if (va != vb)
                return direction1 ? va < vb : va > vb;
            return a.rank > b.rank; // the larger key first
        });
    };
    switch (sortType / 2) {
    case 0:
        std::sort(ranked.begin(), ranked.end(), [&](const Ranked& a, const Ranked& b) {
            return direction1 ? a.rank > b.rank : a.rank < b.rank;
        });
        break;
    case 1:
        byValue([](const StatRow& r) { return r.visitors; });
        break;
    case 2:
        byValue([](const StatRow& r) { return r.stayPerVisitor; });
        break;
    default:
        byValue([](const StatRow& r) { return r.hitsPerVisitor; });
        break;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = ranked[i].row;
}

} // namespace filters
