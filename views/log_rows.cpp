#include "views/log_rows.h"

#include "filters/stat_rows.h"
#include "platform/clock.h"
#include "platform/codepage.h"

#include <algorithm>
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
    if (m_log != &log || m_selected.size() != log.Rec2.size()) {
        m_selected.assign(log.Rec2.size(), false);
        m_selectedCount = 0;
    }
    m_log = &log;
    m_chooser.rebuild(chooserTexts(log, stageBit, true, true));
    const char* chosen = m_chooser.chosenEntry();
    const bool byPage = chosen && chosen[0] == '/';
    const bool byReferer = chosen && chosen[0] == 'h';

    m_rows.clear();
    m_storeOrder = true;
    if (chosen && !byPage && !byReferer)
        return; // a name of neither kind selects no record
    const store::LogRecord* base = log.Rec2.data();
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!(v.mask & stageBit) || !v.first || v.count == 0)
            continue;
        const auto first = static_cast<std::uint32_t>(v.first - base);
        if (!m_rows.empty() && first < m_rows.back())
            m_storeOrder = false;
        for (std::uint32_t i = 0; i < v.count; ++i) {
            const store::Fragment* f = v.first[i].fragment;
            if (byPage && !(f->req && f->req->group == chosen))
                continue;
            if (byReferer && !(f->ref && f->ref->group == chosen))
                continue;
            m_rows.push_back(first + i);
        }
    }
    sortRows();
}

void LogRows::close()
{
    m_log = nullptr;
    m_chooser.clear();
    m_rows = {};
    m_storeOrder = true;
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

void LogRows::sortRows()
{
    if (m_rows.size() < 2 || !m_log)
        return;
    const std::vector<store::LogRecord>& rec = m_log->Rec2;
    // Equal keys keep the store's order, so that every sort is one fixed order.
    if (!m_storeOrder)
        m_sorter.stableSort(m_rows, [](std::uint32_t i) { return std::uint64_t{i}; });
    const int column = static_cast<int>(m_sortType / 2);
    const bool descending = (m_sortType & 1) != 0;
    const auto dir = [descending](std::uint64_t key) { return descending ? ~key : key; };
    if (column == kLogTime) {
        m_sorter.stableSort(m_rows, [&](std::uint32_t i) { return dir(rec[i].time); });
        m_storeOrder = false;
        return;
    }
    // The other columns break ties by time, ascending whatever the direction.
    m_sorter.stableSort(m_rows, [&](std::uint32_t i) { return std::uint64_t{rec[i].time}; });
    switch (column) {
    case kLogHost: {
        const std::vector<std::uint32_t> rank = hostRanks();
        const store::HostEntry* hosts = m_log->Host.data();
        m_sorter.stableSort(m_rows, [&](std::uint32_t i) {
            const auto h = static_cast<std::size_t>(rec[i].host - hosts);
            return dir(h < rank.size() ? rank[h] : 0xFFFFFFFFu);
        });
        break;
    }
    case kLogRequest:
        m_sorter.stableSort(
            m_rows, [&](std::uint32_t i) { return dir(pointerKey(rec[i].fragment->query)); });
        m_sorter.stableSort(m_rows, [&](std::uint32_t i) {
            const store::ReqEntry* req = rec[i].fragment->req;
            return dir(pointerKey(req ? req->text : nullptr));
        });
        break;
    case kLogReferer:
        m_sorter.stableSort(m_rows,
                            [&](std::uint32_t i) { return dir(pointerKey(refererQuery(rec[i]))); });
        m_sorter.stableSort(m_rows,
                            [&](std::uint32_t i) { return dir(pointerKey(refererText(rec[i]))); });
        break;
    case kLogAgent:
        m_sorter.stableSort(m_rows, [&](std::uint32_t i) {
            const store::AgntEntry* a = rec[i].fragment->agnt;
            return dir(pointerKey(a ? a->text : nullptr));
        });
        break;
    default:
        break;
    }
    m_storeOrder = false;
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
