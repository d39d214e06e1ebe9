#include "views/referer_rows.h"

#include "filters/stat_rows.h"

#include <algorithm>
#include <map>
#include <utility>

namespace views {

void RefererRows::show(const store::LogContainer& log, const char* key)
{
    m_rows.clear();
    if (!key)
        return;
    // The referer entries that belong to key, found once.
    const store::RefEntry* refs = log.Ref.data();
    std::vector<std::uint8_t> belongs(log.Ref.size(), 0);
    for (std::size_t i = 0; i < log.Ref.size(); ++i)
        belongs[i] = log.Ref[i].text && (log.Ref[i].group == key || log.Ref[i].text == key);

    // An address is a referer text and a non-empty query, both texts of the store: the pair
    // of pointers names it.
    using Address = std::pair<const char*, const char*>;
    std::map<Address, std::uint32_t> visitors;
    std::vector<Address> seen; // this visitor's addresses
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!v.first)
            continue;
        seen.clear();
        for (std::uint32_t i = 0; i < v.count; ++i) {
            const store::Fragment* f = v.first[i].fragment;
            if (!f || !f->ref)
                continue;
            const auto r = static_cast<std::size_t>(f->ref - refs);
            if (r < belongs.size()
                    ? !belongs[r]
                    : !(f->ref->text && (f->ref->group == key || f->ref->text == key)))
                continue;
            const char* query =
                f->refq && f->refq->text && *f->refq->text ? f->refq->text : nullptr;
            const Address a{f->ref->text, query};
            if (std::find(seen.begin(), seen.end(), a) == seen.end())
                seen.push_back(a);
        }
        for (const Address& a : seen)
            ++visitors[a];
    }
    m_rows.reserve(visitors.size());
    for (const auto& [a, n] : visitors) {
        std::string address = a.first;
        if (a.second) {
            address += '?';
            address += a.second;
        }
        m_rows.push_back({n, std::move(address)});
    }
    if (!m_rows.empty())
        m_title = key;
    sort(m_sortType);
}

void RefererRows::close()
{
    m_rows.clear();
}

void RefererRows::sort(unsigned sortType)
{
    m_sortType = sortType <= 3 ? sortType : kRefererInitialSort;
    const auto byAddress = [](const RefererRow& a, const RefererRow& b) {
        return a.address < b.address;
    };
    switch (m_sortType) {
    case 0:
        std::sort(m_rows.begin(), m_rows.end(), byAddress);
        break;
    case 1:
        std::sort(m_rows.begin(), m_rows.end(),
                  [&](const RefererRow& a, const RefererRow& b) { return byAddress(b, a); });
        break;
    case 2:
        std::sort(m_rows.begin(), m_rows.end(), [&](const RefererRow& a, const RefererRow& b) {
            return a.visitors != b.visitors ? a.visitors > b.visitors : byAddress(a, b);
        });
        break;
    default:
        std::sort(m_rows.begin(), m_rows.end(), [&](const RefererRow& a, const RefererRow& b) {
            return a.visitors != b.visitors ? a.visitors < b.visitors : byAddress(a, b);
        });
        break;
    }
}

void RefererRows::clickColumn(int subitem)
{
    sort(filters::nextSortType(m_sortType, subitem));
}

int RefererRows::findAddress(std::string_view address) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].address == address)
            return static_cast<int>(i);
    return -1;
}

std::string_view RefererRows::columnTitle(int subitem) const
{
    return subitem == kRefererAddress || subitem == kRefererVisitors
               ? kRefererColumns[subitem].title
               : "";
}

void RefererRows::appendCellText(std::string& out, std::size_t row, int subitem) const
{
    if (row >= m_rows.size())
        return;
    if (subitem == kRefererAddress)
        out += m_rows[row].address;
    else if (subitem == kRefererVisitors)
        filters::appendCount(out, m_rows[row].visitors);
}

std::string RefererRows::cellText(std::size_t row, int subitem) const
{
    std::string out;
    appendCellText(out, row, subitem);
    return out;
}

std::uint32_t RefererRows::textColour(std::size_t row, bool selected,
                                      const VisitedUrls& visited) const
{
    if (row >= m_rows.size())
        return filters::kColourBlack;
    if (selected)
        return filters::kColourSelectedText;
    return linkColour(visited, m_rows[row].address);
}

std::string RefererRows::toOpen(std::size_t row) const
{
    if (row >= m_rows.size() || !isOpenableUrl(m_rows[row].address))
        return {};
    return m_rows[row].address;
}

} // namespace views
