#include "filters/pane_model.h"

#include "platform/codepage.h"
#include "store/key_reference.h"

#include <algorithm>
#include <map>

namespace filters {
namespace {

// UTF-8 texts of the kinds as CP932, made once.
const std::string& cp932(const char* utf8)
{
    static thread_local std::map<const char*, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end())
        it = cache.emplace(utf8, platform::utf8ToCp932(utf8)).first;
    return it->second;
}

} // namespace

PaneModel::PaneModel(Kind kind, unsigned flags)
    : m_kind(kind), m_ranks(keyOrderOf(kind)), m_hosts(kind)
{
    setFlags(flags);
}

ExtractContext PaneModel::context() const
{
    ExtractContext ctx;
    ctx.kind = m_kind;
    ctx.group = has(kFlagGroup);
    ctx.path = pathActive() ? &m_path : nullptr;
    ctx.pathFromPage = m_pathFromPage;
    ctx.hosts = &m_hosts;
    ctx.log = m_log;
    return ctx;
}

void PaneModel::compute(store::LogContainer& log, const PaneInput& input, bool autoSelect)
{
    m_log = &log;
    m_dependency = input.dependency;
    m_pathEnabled = info().pathButton && input.path.set;
    m_pathFromPage = input.path.fromPage;
    m_path.clear();
    if (m_pathEnabled)
        m_path = *input.path.set;

    if (m_kind == Kind::SearchWord) {
        m_input = m_words.compute(log, m_dependency, has(kFlagSplit), has(kFlagCaps));
    } else {
        if (isHostKind(m_kind))
            m_hosts.prepare(log);
        KeySet* classified =
            m_kind == Kind::Browser || m_kind == Kind::Os ? &m_classified : nullptr;
        m_input = m_accumulator.run(log, m_dependency, context(), m_rows, classified);
    }
    sort(m_sortType);
    if (autoSelect && selectionEmpty())
        autoSelectTop();
}

void PaneModel::autoSelectTop()
{
    if (rowCount() == 0)
        return;
    const std::size_t top = 0;
    selectRows(std::span(&top, 1));
}

std::uint32_t PaneModel::apply(store::LogContainer& log, std::uint32_t ownBit) const
{
    if (m_kind == Kind::SearchWord)
        return m_words.apply(log, m_dependency, ownBit, m_entrySelection);
    return m_accumulator.apply(log, m_dependency, ownBit, context(), m_selection);
}

void PaneModel::close()
{
    m_log = nullptr;
    m_input = 0;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_classified.clear();
    m_hosts.clear();
    m_ranks.clear();
    m_accumulator.clear();
    m_words.clear();
    m_selection.clear();
    m_entrySelection.clear();
    m_path.clear();
    m_pathEnabled = false;
}

std::size_t PaneModel::rowCount() const
{
    return m_kind == Kind::SearchWord ? m_words.rows().size() : m_rows.size();
}

const char* PaneModel::rowKey(std::size_t row) const
{
    if (row >= rowCount())
        return nullptr;
    return m_kind == Kind::SearchWord ? m_words.rows()[row].word : m_rows[row].key;
}

bool PaneModel::rowSelected(std::size_t row) const
{
    if (row >= rowCount())
        return false;
    if (m_kind == Kind::SearchWord)
        return m_words.meets(m_words.rows()[row], m_entrySelection);
    return m_selection.contains(m_rows[row].key);
}

std::vector<std::size_t> PaneModel::selectedRows() const
{
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < rowCount(); ++r)
        if (rowSelected(r))
            rows.push_back(r);
    return rows;
}

void PaneModel::selectRows(std::span<const std::size_t> rows)
{
    m_selection.clear();
    m_entrySelection.clear();
    for (const std::size_t r : rows) {
        if (r >= rowCount())
            continue;
        if (m_kind == Kind::SearchWord) {
            for (const store::RefQEntry* e : m_words.entries(m_words.rows()[r]))
                m_entrySelection.insert(e);
        } else {
            m_selection.insert(m_rows[r].key);
        }
    }
}

bool PaneModel::selectionEmpty() const
{
    return m_kind == Kind::SearchWord ? m_entrySelection.empty() : m_selection.empty();
}

PathSet PaneModel::pathSet() const
{
    if (!givesPathSet(m_kind))
        return {};
    return {&m_selection, m_kind == Kind::Req};
}

void PaneModel::sort(unsigned sortType)
{
    m_sortType = sortType;
    if (m_kind == Kind::SearchWord)
        m_words.sort(sortType);
    else {
        m_ranks.learn(m_rows, m_log ? std::string_view(m_log->Dic.get(), m_log->DicSize)
                                    : std::string_view());
        sortStatRows(m_rows, sortType, m_ranks);
    }
}

std::string_view PaneModel::columnTitle(int subitem) const
{
    const std::vector<Column> c = columns();
    if (subitem < 0 || static_cast<std::size_t>(subitem) >= c.size())
        return {};
    return c[static_cast<std::size_t>(subitem)].title;
}

std::string_view PaneModel::keyText(std::size_t row) const
{
    if (row >= rowCount())
        return {};
    const char* key = rowKey(row);
    return key ? std::string_view(key) : std::string_view(info().nullLabel);
}

void PaneModel::appendCellText(std::string& out, std::size_t row, int subitem) const
{
    if (row >= rowCount())
        return;
    const bool percent = has(kFlagPercent);
    if (m_kind == Kind::SearchWord) {
        const WordRow& w = m_words.rows()[row];
        switch (subitem) {
        case kColumnWord:
            out += keyText(row);
            break;
        case kColumnWordVisitors:
            appendVisitors(out, w.visitors, percent, m_input);
            break;
        case kColumnWordStay:
            appendZeroOrTenths(out, w.stayPerVisitor);
            break;
        case kColumnRank:
            appendOneOrTenths(out, w.resultPagePerHit);
            break;
        case kColumnClicks:
            appendZeroOrTenths(out, w.clicksPerVisitor);
            break;
        case kColumnWordHits:
            appendCount(out, w.hits);
            break;
        default:
            break;
        }
        return;
    }
    const StatRow& s = m_rows[row];
    switch (subitem) {
    case kColumnKey:
        out += keyText(row);
        break;
    case kColumnVisitors:
        appendVisitors(out, s.visitors, percent, m_input);
        break;
    case kColumnStay:
        appendZeroOrTenths(out, s.stayPerVisitor);
        break;
    case kColumnHits:
        if (info().hitsColumn)
            appendOneOrTenths(out, s.hitsPerVisitor);
        break;
    default:
        break;
    }
}

std::string_view PaneModel::rowTip(std::size_t row) const
{
    if (m_kind != Kind::VisitorKind || !m_log || row >= rowCount())
        return {};
    const char* key = rowKey(row);
    for (const store::VisitorClass& c : m_log->VisitorClasses)
        if (c.label == key)
            return c.reason ? std::string_view(c.reason) : std::string_view();
    return {};
}

std::string PaneModel::cellText(std::size_t row, int subitem) const
{
    std::string out;
    appendCellText(out, row, subitem);
    return out;
}

std::uint32_t PaneModel::keyColour(std::size_t row) const
{
    const char* key = rowKey(row);
    const bool group = m_log && key && m_log->GroupNames.count(key) != 0;
    const bool classified = m_classified.contains(key);
    return filters::keyColour(m_kind, key, group, classified);
}

int PaneModel::findRowByText(std::string_view text) const
{
    for (std::size_t r = 0; r < rowCount(); ++r)
        if (keyText(r) == text)
            return static_cast<int>(r);
    return -1;
}

std::string PaneModel::describe(std::string_view predecessorLabel) const
{
    if (selectionEmpty())
        return {};
    std::vector<std::string_view> items;
    if (m_kind == Kind::SearchWord) {
        for (const std::size_t r : selectedRows())
            items.push_back(keyText(r));
    } else {
        std::vector<const char*> keys = m_selection.sorted();
        const KeyOrder order = keyOrderOf(m_kind);
        std::sort(keys.begin(), keys.end(),
                  [order](const char* a, const char* b) { return keyLess(order, a, b); });
        for (const char* k : keys)
            items.push_back(k ? std::string_view(k) : std::string_view(info().nullLabel));
    }
    std::string out;
    if (pathActive() && info().pathPrefix) {
        out += '[';
        out += predecessorLabel;
        out += ']';
        out += cp932(info().pathPrefix);
    }
    const std::string& either = cp932("または");
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += either;
        out += '"';
        out += items[i];
        out += '"';
    }
    out += cp932(info().suffix);
    return out;
}

bool PaneModel::rankSeries(const store::LogContainer& log, std::uint32_t ownBit,
                           std::uint32_t start, std::uint32_t length,
                           std::span<RankBucket> buckets) const
{
    if (m_kind != Kind::SearchWord)
        return false;
    filters::rankSeries(log.Visitors, ownBit, m_entrySelection, start, length, buckets);
    return true;
}

void PaneModel::save(ViewState& state) const
{
    bool null = false;
    for (const std::size_t r : selectedRows()) {
        if (const char* key = rowKey(r))
            state.texts.emplace_back(key);
        else
            null = true;
    }
    if (null)
        state.numbers.push_back(kNullItemNumber);
}

PaneModel::Restored PaneModel::restore(store::LogContainer& log, const PaneInput& input,
                                       std::uint32_t ownBit, const ViewState& state)
{
    setFlags(applyStateFlags(m_flags, state.flags));
    compute(log, input, false);
    Restored result;
    std::vector<std::size_t> chosen;
    for (const std::string& text : state.texts) {
        int found = -1;
        for (std::size_t r = 0; r < rowCount() && found < 0; ++r) {
            const char* key = rowKey(r);
            if (key && text == key)
                found = static_cast<int>(r);
        }
        if (found < 0) {
            result.unmatched.push_back(text);
            continue;
        }
        chosen.push_back(static_cast<std::size_t>(found));
        result.lastTextRow = found;
    }
    for (const std::uint32_t v : state.numbers) {
        int found = -1;
        if (v == kNullItemNumber) {
            for (std::size_t r = 0; r < rowCount() && found < 0; ++r)
                if (!rowKey(r))
                    found = static_cast<int>(r);
        } else if (v > kLastRowNumber) {
            for (std::size_t r = 0; r < rowCount() && found < 0; ++r)
                if (rowKey(r) && store::keyReference(log, rowKey(r)) == v)
                    found = static_cast<int>(r);
        } else if (v < rowCount()) {
            found = static_cast<int>(v);
        }
        if (found < 0)
            continue;
        chosen.push_back(static_cast<std::size_t>(found));
        result.lastNumberRow = found;
    }
    selectRows(chosen);
    apply(log, ownBit);
    return result;
}

} // namespace filters
