#include "wordlens/wordlens_model.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/settings.h"
#include "store/load_steps.h"

#include <algorithm>
#include <map>
#include <set>

namespace wordlens {
namespace {

bool carriesQuery(const store::Fragment* f)
{
    return f && f->ref && f->ref->text && *f->ref->text && f->ref->text[0] != '/' && f->refq &&
           f->refq->text && *f->refq->text;
}

// Evaluates a rule list on a text; a rule that fails is told once per file.
std::string outcomeOf(const rules::RuleList& list, const std::string& text, const char* file,
                      std::vector<rules::RuleProblem>& problems)
{
    std::string out;
    if (const int rc = store::evaluateRuleText(list, text, out)) {
        const bool told =
            std::any_of(problems.begin(), problems.end(),
                        [&](const rules::RuleProblem& p) { return p.file == file && p.line == 0; });
        if (!told) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(rc));
            problems.push_back({file,
                                {},
                                0,
                                std::string("ルールの評価に失敗しました (") + code +
                                    "): " + platform::cp932ToUtf8(text)});
        }
        return {};
    }
    return out;
}

template <typename Row, typename Key>
void sortRows(std::vector<Row>& rows, unsigned sortType, Key key)
{
    const bool descending = sortType & 1;
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        const int c = key(a, b, static_cast<int>(sortType / 2));
        return descending ? c > 0 : c < 0;
    });
}

template <typename T> int cmp(const T& a, const T& b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

void appendNumber(std::string& out, long n)
{
    out += std::to_string(n);
}

} // namespace

RuleSet RuleSet::load(const std::string& resFolder)
{
    RuleSet set;
    auto one = [&](const char* name, rules::RuleList& list) {
        const std::string path = platform::joinPath(resFolder, name);
        list = rules::LoadRules(path);
        for (rules::RuleProblem& p : rules::CheckRules(path))
            set.problems.push_back(std::move(p));
    };
    one("referer2searchword.ini", set.words);
    one("referer2searchrank.ini", set.ranks);
    one("referer2searchname.ini", set.names);
    return set;
}

int loadForWordlens(store::LogContainer& log, store::StepText* text, store::Progress& progress)
{
    store::LoadContext ctx{log, progress, {}, platform::resFolder(), platform::homeDir()};
    if (const int rc = store::loadSiteAndReferers(ctx, text))
        return rc;
    progress.store(1);
    return 0;
}

void RefererList::refresh(const store::LogContainer& log, RuleSet& rules, bool all)
{
    struct Count
    {
        std::uint32_t hits = 0;
        std::set<const store::Fragment*> fragments;
    };
    std::map<std::string, Count> byReferer;
    for (const store::LogRecord& r : log.Rec2) {
        if (!carriesQuery(r.fragment))
            continue;
        Count& c = byReferer[r.fragment->ref->text];
        ++c.hits;
        c.fragments.insert(r.fragment);
    }
    m_rows.clear();
    for (auto& [referer, c] : byReferer) {
        const auto links = static_cast<std::uint32_t>(c.fragments.size());
        if (!all && links < 2)
            continue;
        m_rows.push_back({referer,
                          outcomeOf(rules.names, referer, "referer2searchname.ini", rules.problems),
                          links, c.hits});
    }
    sort(m_sortType);
}

void RefererList::sort(unsigned sortType)
{
    m_sortType = sortType < 8 ? sortType : kRefHits * 2 + 1;
    sortRows(m_rows, m_sortType, [](const RefererRow& a, const RefererRow& b, int column) {
        int c = 0;
        switch (column) {
        case kRefHits:
            c = cmp(a.hits, b.hits);
            break;
        case kRefLinks:
            c = cmp(a.links, b.links);
            break;
        case kRefName:
            c = platform::compareDictionary(a.engine, b.engine);
            break;
        default:
            break;
        }
        return c ? c : platform::compareDictionary(a.referer, b.referer);
    });
}

int RefererList::find(const std::string& referer) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].referer == referer)
            return static_cast<int>(i);
    return -1;
}

std::string_view RefererList::columnTitle(int subitem) const
{
    static constexpr const char* titles[] = {"Referer", "Hits", "Links", "Name"};
    return subitem >= 0 && subitem < 4 ? titles[subitem] : "";
}

void RefererList::appendCellText(std::string& out, std::size_t row, int subitem) const
{
    if (row >= m_rows.size())
        return;
    const RefererRow& r = m_rows[row];
    switch (subitem) {
    case kReferer:
        out += r.referer;
        break;
    case kRefHits:
        appendNumber(out, r.hits);
        break;
    case kRefLinks:
        appendNumber(out, r.links);
        break;
    case kRefName:
        out += r.engine;
        break;
    default:
        break;
    }
}

void QueryList::refresh(const store::LogContainer& log, RuleSet& rules, const std::string& referer)
{
    m_referer = referer;
    m_rows.clear();
    if (referer.empty())
        return;
    std::map<std::string, std::uint32_t> hits;
    for (const store::LogRecord& r : log.Rec2)
        if (carriesQuery(r.fragment) && referer == r.fragment->ref->text)
            ++hits[r.fragment->refq->text];
    for (const auto& [query, n] : hits) {
        const std::string text = referer + "?" + query;
        QueryRow row{query, n,
                     outcomeOf(rules.words, text, "referer2searchword.ini", rules.problems), 1};
        const std::string rank =
            outcomeOf(rules.ranks, text, "referer2searchrank.ini", rules.problems);
        if (!rank.empty())
            if (const long value = store::rankFromOutcome(rank); value != 0)
                row.rank = value;
        m_rows.push_back(std::move(row));
    }
    sort(m_sortType);
}

void QueryList::sort(unsigned sortType)
{
    m_sortType = sortType < 8 ? sortType : kQueryHits * 2 + 1;
    sortRows(m_rows, m_sortType, [](const QueryRow& a, const QueryRow& b, int column) {
        int c = 0;
        switch (column) {
        case kQueryHits:
            c = cmp(a.hits, b.hits);
            break;
        case kResult:
            c = platform::compareDictionary(a.word, b.word);
            break;
        case kRank:
            c = cmp(a.rank, b.rank);
            break;
        default:
            break;
        }
        return c ? c : platform::compareDictionary(a.query, b.query);
    });
}

std::string QueryList::address(std::size_t row) const
{
    return row < m_rows.size() ? m_referer + "?" + m_rows[row].query : std::string();
}

std::string_view QueryList::columnTitle(int subitem) const
{
    static constexpr const char* titles[] = {"Query", "Hits", "Result", "Rank"};
    return subitem >= 0 && subitem < 4 ? titles[subitem] : "";
}

void QueryList::appendCellText(std::string& out, std::size_t row, int subitem) const
{
    if (row >= m_rows.size())
        return;
    const QueryRow& r = m_rows[row];
    switch (subitem) {
    case kQuery:
        out += r.query;
        break;
    case kQueryHits:
        appendNumber(out, r.hits);
        break;
    case kResult:
        out += r.word;
        break;
    case kRank:
        appendNumber(out, r.rank);
        break;
    default:
        break;
    }
}

} // namespace wordlens
