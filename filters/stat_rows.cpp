#include "filters/stat_rows.h"

#include <algorithm>
#include <functional>

#include "platform/codepage.h"

namespace filters {

std::uint32_t RowAccumulator::run(std::span<const store::VisitorEntry> visitors,
                                  std::uint32_t dependency, const ExtractContext& ctx,
                                  std::vector<StatRow>& rows, KeySet* classified)
{
    m_index.clear();
    m_items.clear();
    std::uint32_t input = 0;
    withExtractor(ctx, [&](const auto& x) {
        for (std::size_t vi = 0; vi < visitors.size(); ++vi) {
            const store::VisitorEntry& v = visitors[vi];
            if (!(v.mask & dependency))
                continue;
            ++input;
            const auto stamp = static_cast<std::uint32_t>(vi + 1);
            m_touched.clear();
            forEachKey(x, v, [&](const char* key, Yield y, std::uint32_t hits) {
                const std::uint32_t i = m_index.add(key);
                if (i == m_items.size())
                    m_items.push_back(Item{0, 0, 0, 0, false});
                Item& item = m_items[i];
                item.hits += hits;
                item.classified |= y == Yield::ClassifiedKey;
                if (item.lastVisitor != stamp) {
                    item.lastVisitor = stamp;
                    m_touched.push_back(i);
                }
                return true;
            });
            if (m_touched.empty())
                continue;
            const std::uint32_t stay = v.first[v.count - 1].time - v.first[0].time;
            for (const std::uint32_t i : m_touched) {
                ++m_items[i].visitors;
                m_items[i].stay += stay;
            }
        }
    });

    rows.clear();
    rows.reserve(m_items.size());
    if (classified)
        classified->clear();
    const auto& keys = m_index.keys();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        const double n = item.visitors;
        rows.push_back(StatRow{keys[i], item.visitors, static_cast<float>(double(item.hits) / n),
                               static_cast<float>(double(item.stay) / n)});
        if (classified && item.classified)
            classified->insert(keys[i]);
    }
    return input;
}

std::uint32_t applySelection(std::span<store::VisitorEntry> visitors, std::uint32_t dependency,
                             std::uint32_t ownBit, const ExtractContext& ctx,
                             const KeySet& selection)
{
    std::uint32_t passed = 0;
    withExtractor(ctx, [&](const auto& x) {
        for (store::VisitorEntry& v : visitors) {
            v.mask &= ~ownBit;
            if (!(v.mask & dependency) || selection.empty())
                continue;
            bool in = false;
            forEachKey(x, v, [&](const char* key, Yield, std::uint32_t) {
                in = selection.contains(key);
                return !in;
            });
            if (in) {
                v.mask |= ownBit;
                ++passed;
            }
        }
    });
    return passed;
}

KeyOrder keyOrderOf(Kind kind)
{
    return isHostKind(kind) ? KeyOrder::Text : KeyOrder::Pointer;
}

bool keyLess(KeyOrder order, const char* a, const char* b)
{
    if (order == KeyOrder::Pointer || !a || !b)
        return std::less<const char*>()(a, b);
    return platform::compareCase(a, b) < 0;
}

void sortStatRows(std::vector<StatRow>& rows, unsigned sortType, KeyOrder order)
{
    if (sortType > 7)
        sortType = kInitialSortType;
    const bool direction1 = sortType & 1; // key descending, values ascending
    const auto larger = [order](const StatRow& a, const StatRow& b) {
        return keyLess(order, b.key, a.key);
    };
    const auto byValue = [&](auto value) {
        std::sort(rows.begin(), rows.end(), [&](const StatRow& a, const StatRow& b) {
            const auto va = value(a), vb = value(b);
            if (va != vb)
                return direction1 ? va < vb : va > vb;
            return larger(a, b);
        });
    };
    switch (sortType / 2) {
    case 0:
        std::sort(rows.begin(), rows.end(), [&](const StatRow& a, const StatRow& b) {
            return direction1 ? keyLess(order, b.key, a.key) : keyLess(order, a.key, b.key);
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
}

} // namespace filters
