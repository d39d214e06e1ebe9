#include "views/log_rows.h"

#include "filters/stat_rows.h"
#include "platform/clock.h"
#include "platform/codepage.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace views {
namespace {

const std::string& searchWithoutEngine()
{
    static const std::string text = platform::utf8ToCp932(kSearchWithoutEngine);
    return text;
}

// Texts of the store sort by their pointers, whose order is the dictionary's; null first.
std::uint64_t pointerKey(const char* text)
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(text));
}

void appendText(std::string& out, const char* text)
{
    if (text)
        out += text;
}

void appendAddress(std::string& out, std::uint32_t address)
{
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24,
                                (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF);
    out.append(text, static_cast<std::size_t>(n));
}

void appendTime(std::string& out, std::uint32_t time)
{
    const platform::DateParts p = platform::dateParts(time);
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d:%02d", p.month, p.day,
                                p.hour, p.minute, p.second);
    out.append(text, static_cast<std::size_t>(n));
}

const char* refererText(const store::LogRecord& r)
{
    return r.fragment->ref ? r.fragment->ref->text : nullptr;
}

const char* refererQuery(const store::LogRecord& r)
{
    return r.fragment->refq ? r.fragment->refq->text : nullptr;
}

bool isWebAddress(const char* text)
{
    return text &&
           (std::strncmp(text, "http://", 7) == 0 || std::strncmp(text, "https://", 8) == 0);
}

} // namespace

void LogRows::refresh(const store::LogContainer& log, std::uint32_t stageBit)
{
    // Another log, or the same one reloaded (new tables): what was kept about the old tables
    // goes, the selection included.
    const Tables tables{log.Rec2.data(), log.Rec2.size(), log.Frg2.data(), log.Frg2.size(),
                        log.Dic.get()};
    if (m_log != &log || !(tables == m_tables)) {
        m_tables = tables;
        m_selected.assign(log.Rec2.size(), false);
        m_selectedCount = 0;
        m_textsChecked = false;
        for (auto& r : m_fragmentRank)
            r.clear();
    }
    m_log = &log;

    // One pass over the stage's records: every record a row, its fragment marked for the
    // chooser, the time range noted for the sorts.
    std::size_t count = 0;
    for (const store::VisitorEntry& v : log.Visitors)
        if ((v.mask & stageBit) && v.first)
            count += v.count;
    m_rows.resize(count);
    m_used.assign(log.Frg2.size(), 0);
    m_storeOrder = true;
    m_firstTime = UINT32_MAX;
    m_lastTime = 0;
    const store::LogRecord* base = log.Rec2.data();
    const store::Fragment* fragments = log.Frg2.data();
    std::size_t at = 0;
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!(v.mask & stageBit) || !v.first)
            continue;
        const auto first = static_cast<std::uint32_t>(v.first - base);
        if (at && first < m_rows[at - 1])
            m_storeOrder = false;
        for (std::uint32_t i = 0; i < v.count; ++i) {
            const store::LogRecord& r = v.first[i];
            m_rows[at++] = first + i;
            m_firstTime = std::min(m_firstTime, r.time);
            m_lastTime = std::max(m_lastTime, r.time);
            const auto f = static_cast<std::size_t>(r.fragment - fragments);
            if (f < m_used.size())
                m_used[f] = 1;
        }
    }
    m_chooser.rebuild(chooserTextsOf(log, m_used, true, true));

    // The chooser's entry narrows the rows: a page (group) its requests, a referer (group)
    // the requests it referred. The chooser offers only names these records have, so the
    // list always shows what the chooser says.
    if (const char* chosen = m_chooser.chosenEntry()) {
        const bool byPage = chosen[0] == '/';
        const bool byReferer = chosen[0] == 'h';
        const auto kept = std::remove_if(m_rows.begin(), m_rows.end(), [&](std::uint32_t i) {
            const store::Fragment* f = log.Rec2[i].fragment;
            return !((byPage && f->req && f->req->group == chosen) ||
                     (byReferer && f->ref && f->ref->group == chosen));
        });
        m_rows.erase(kept, m_rows.end());
    }
    sortRows();
}

void LogRows::close()
{
    m_log = nullptr;
    m_chooser.clear();
    m_rows = {};
    m_used = {};
    m_present = {};
    m_storeOrder = true;
    m_textsChecked = false;
    for (auto& r : m_fragmentRank)
        r = {};
    m_tables = {};
    m_sorter.release();
    m_selected = {};
    m_selectedCount = 0;
}

const store::LogRecord* LogRows::record(std::size_t row) const
{
    return row < m_rows.size() ? &m_log->Rec2[m_rows[row]] : nullptr;
}

void LogRows::sort(unsigned sortType)
{
    m_sortType = sortType / 2 < kLogColumnCount ? sortType : kLogInitialSort;
    sortRows();
}

void LogRows::clickColumn(int column)
{
    sort(filters::nextSortType(m_sortType, column));
}

std::vector<std::uint32_t> LogRows::hostRanks() const
{
    const std::vector<store::HostEntry>& hosts = m_log->Host;
    std::vector<std::uint32_t> order(hosts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const store::HostEntry& x = hosts[a];
        const store::HostEntry& y = hosts[b];
        if (!x.name != !y.name)
            return !x.name;
        if (x.name && x.name != y.name) {
            const int c = platform::compareCase(x.name, y.name);
            if (c != 0)
                return c < 0;
        }
        return x.address < y.address;
    });
    std::vector<std::uint32_t> rank(hosts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        rank[order[i]] = i;
    return rank;
}

void LogRows::restoreStoreOrder()
{
    // The rows are a set of record numbers: marked in a bitmap and read back in order.
    m_present.assign((m_log->Rec2.size() + 63) / 64, 0);
    for (const std::uint32_t i : m_rows)
        m_present[i / 64] |= std::uint64_t{1} << (i % 64);
    std::size_t at = 0;
    for (std::size_t w = 0; w < m_present.size(); ++w)
        for (std::uint64_t bits = m_present[w]; bits; bits &= bits - 1)
            m_rows[at++] = static_cast<std::uint32_t>(w * 64 + std::countr_zero(bits));
    m_storeOrder = true;
}

bool LogRows::textsInDictionary()
{
    if (m_textsChecked)
        return m_textsInDic;
    const store::LogContainer& log = *m_log;
    const char* dic = log.Dic.get();
    const auto inside = [&](const char* p) {
        return !p || (dic && p > dic && p < dic + log.DicSize);
    };
    bool all = dic && log.DicSize < UINT32_MAX;
    for (const store::ReqEntry& e : log.Req)
        all = all && inside(e.text);
    for (const store::RefEntry& e : log.Ref)
        all = all && inside(e.text);
    for (const store::RefQEntry& e : log.RefQ)
        all = all && inside(e.text);
    for (const store::AgntEntry& e : log.Agnt)
        all = all && inside(e.text);
    for (const store::Fragment& f : log.Frg2)
        all = all && inside(f.query);
    m_textsChecked = true;
    m_textsInDic = all;
    return all;
}

void LogRows::sortRows()
{
    if (m_rows.size() < 2 || !m_log)
        return;
    const store::Records& rec = m_log->Rec2;
    // Equal keys keep the store's order, so that every sort is one fixed order.
    if (!m_storeOrder)
        restoreStoreOrder();
    m_storeOrder = false;
    const int column = static_cast<int>(m_sortType / 2);
    const bool descending = (m_sortType & 1) != 0;

    // Keys within 0..top; descending turns them round.
    const auto sortBy = [&](auto key, std::uint32_t top, bool down) {
        if (down)
            m_sorter.stableSort(
                m_rows, [&](std::uint32_t i) { return top - key(i); }, top);
        else
            m_sorter.stableSort(m_rows, key, top);
    };
    const std::uint32_t firstTime = m_firstTime;
    const auto time = [&](std::uint32_t i) { return rec[i].time - firstTime; };
    const std::uint32_t timeTop = m_lastTime >= m_firstTime ? m_lastTime - m_firstTime : 0;
    if (column == kLogTime) {
        sortBy(time, timeTop, descending);
        return;
    }
    // The other columns break ties by time, ascending whatever the direction.
    sortBy(time, timeTop, false);

    if (column == kLogHost) {
        const std::vector<std::uint32_t> rank = hostRanks();
        const store::HostEntry* hosts = m_log->Host.data();
        const auto top = static_cast<std::uint32_t>(rank.size());
        sortBy(
            [&](std::uint32_t i) {
                const auto h = static_cast<std::size_t>(rec[i].host - hosts);
                return h < rank.size() ? rank[h] : top;
            },
            top, descending);
        return;
    }

    // The texts of a fragment decide its place: one rank per fragment, made once per log.
    const std::vector<std::uint32_t>& rank = fragmentRanks(column);
    if (rank.empty())
        return;
    const store::Fragment* fragments = m_log->Frg2.data();
    const std::uint32_t top = m_rankTop[column];
    sortBy(
        [&](std::uint32_t i) {
            const auto f = static_cast<std::size_t>(rec[i].fragment - fragments);
            return f < rank.size() ? rank[f] : top;
        },
        top, descending);
}

const std::vector<std::uint32_t>& LogRows::fragmentRanks(int column)
{
    std::vector<std::uint32_t>& rank = m_fragmentRank[column];
    if (!rank.empty() || m_log->Frg2.empty())
        return rank;
    const std::vector<store::Fragment>& frg = m_log->Frg2;
    // Texts sort by their pointers, whose order is the dictionary's; null first.
    const auto primary = [&](std::uint32_t f) -> const char* {
        const store::Fragment& x = frg[f];
        switch (column) {
        case kLogRequest:
            return x.req ? x.req->text : nullptr;
        case kLogReferer:
            return x.ref ? x.ref->text : nullptr;
        default:
            return x.agnt ? x.agnt->text : nullptr;
        }
    };
    const auto secondary = [&](std::uint32_t f) -> const char* {
        const store::Fragment& x = frg[f];
        switch (column) {
        case kLogRequest:
            return x.query;
        case kLogReferer:
            return x.refq ? x.refq->text : nullptr;
        default:
            return nullptr;
        }
    };
    std::vector<std::uint32_t> order(frg.size());
    std::iota(order.begin(), order.end(), 0u);
    // Within the dictionary a pointer is an offset that fits 32 bits.
    const char* dic = m_log->Dic.get();
    const auto byText = [&](auto text) {
        if (textsInDictionary())
            m_sorter.stableSort(
                order,
                [&](std::uint32_t f) {
                    const char* t = text(f);
                    return t ? static_cast<std::uint32_t>(t - dic) : 0u;
                },
                static_cast<std::uint32_t>(m_log->DicSize));
        else
            m_sorter.stableSort64(order, [&](std::uint32_t f) { return pointerKey(text(f)); });
    };
    if (column != kLogAgent)
        byText(secondary);
    byText(primary);
    rank.resize(frg.size());
    std::uint32_t r = 0;
    for (std::size_t j = 0; j < order.size(); ++j) {
        const std::uint32_t f = order[j];
        if (j && (primary(f) != primary(order[j - 1]) || secondary(f) != secondary(order[j - 1])))
            ++r;
        rank[f] = r;
    }
    m_rankTop[column] = r + 1;
    return rank;
}

std::string_view LogRows::columnTitle(int column) const
{
    return column >= 0 && column < kLogColumnCount ? kLogColumns[column].title : "";
}

void LogRows::appendCellText(std::string& out, std::size_t row, int column) const
{
    const store::LogRecord* r = record(row);
    if (!r)
        return;
    const store::Fragment& f = *r->fragment;
    switch (column) {
    case kLogTime:
        appendTime(out, r->time);
        break;
    case kLogHost:
        if (r->host->name && *r->host->name) {
            out += r->host->name;
            break;
        }
        if (!r->host->name)
            out += '#';
        appendAddress(out, r->host->address);
        break;
    case kLogRequest:
        appendText(out, f.req ? f.req->text : nullptr);
        if (f.query) {
            out += '?';
            out += f.query;
        }
        break;
    case kLogReferer:
        if (f.refq && f.refq->word) {
            const char* engine = f.ref ? f.ref->engine : nullptr;
            out += engine && *engine ? std::string_view(engine) : searchWithoutEngine();
            out += ':';
            out += f.refq->word;
        } else {
            out += refererUrl(row);
        }
        break;
    case kLogAgent:
        appendText(out, f.agnt ? f.agnt->text : nullptr);
        break;
    default:
        break;
    }
}

std::string LogRows::cellText(std::size_t row, int column) const
{
    std::string out;
    appendCellText(out, row, column);
    return out;
}

std::uint32_t LogRows::textColour(std::size_t row, int column, bool selected, unsigned blink,
                                  const VisitedUrls& visited) const
{
    const store::LogRecord* r = record(row);
    if (!r)
        return kLogText;
    if (selected)
        return kLogSelectedText;
    switch (column) {
    case kLogHost:
        switch (hostState(row)) {
        case HostState::Pending:
            return kLogHostPending[blink & 1];
        case HostState::NoName:
            return kLogHostNoName;
        default:
            return kLogText;
        }
    case kLogRequest:
        return kLogLocalPage;
    case kLogReferer: {
        const char* text = refererText(*r);
        if (!text)
            return kLogText;
        if (text[0] == '/')
            return kLogLocalPage;
        return linkColour(visited, refererUrl(row));
    }
    default:
        return kLogText;
    }
}

Weekend LogRows::weekend(std::size_t row) const
{
    const store::LogRecord* r = record(row);
    return r ? weekendOf(r->time) : Weekend::None;
}

HostState LogRows::hostState(std::size_t row) const
{
    const store::LogRecord* r = record(row);
    if (!r || (r->host->name && *r->host->name))
        return HostState::Named;
    return r->host->name ? HostState::NoName : HostState::Pending;
}

bool LogRows::hasAddress(std::size_t row, std::uint32_t address) const
{
    const store::LogRecord* r = record(row);
    return r && r->host->address == address;
}

std::string LogRows::refererUrl(std::size_t row) const
{
    std::string url;
    const store::LogRecord* r = record(row);
    if (!r || !refererText(*r))
        return url;
    url = refererText(*r);
    if (const char* query = refererQuery(*r)) {
        url += '?';
        url += query;
    }
    return url;
}

bool LogRows::refererIsLink(std::size_t row) const
{
    const store::LogRecord* r = record(row);
    const char* text = r ? refererText(*r) : nullptr;
    return text && text[0] != '/';
}

std::string LogRows::refererToOpen(std::size_t row) const
{
    const store::LogRecord* r = record(row);
    if (!r || !isWebAddress(refererText(*r)))
        return {};
    std::string url = refererUrl(row);
    return isOpenableUrl(url) ? url : std::string();
}

void LogRows::setSelection(std::span<const std::size_t> rows)
{
    std::fill(m_selected.begin(), m_selected.end(), false);
    m_selectedCount = 0;
    for (const std::size_t row : rows) {
        if (row >= m_rows.size() || m_selected[m_rows[row]])
            continue;
        m_selected[m_rows[row]] = true;
        ++m_selectedCount;
    }
}

void LogRows::setSelection(std::span<const int> rows)
{
    std::vector<std::size_t> r;
    r.reserve(rows.size());
    for (const int row : rows)
        if (row >= 0)
            r.push_back(static_cast<std::size_t>(row));
    setSelection(std::span<const std::size_t>(r));
}

bool LogRows::rowSelected(std::size_t row) const
{
    return m_selectedCount && row < m_rows.size() && m_selected[m_rows[row]];
}

std::vector<std::size_t> LogRows::selectedRows() const
{
    std::vector<std::size_t> out;
    if (!m_selectedCount)
        return out;
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        if (m_selected[m_rows[row]])
            out.push_back(row);
    return out;
}

} // namespace views
