#pragma once

// Wordlens' two lists without windows: the outside referers that carried a query, with the
// engine name referer2searchname.ini gives them, and for one referer its queries with the
// search word and rank referer2searchword.ini and referer2searchrank.ini derive. The rule
// files are read anew on every refresh, without the load's caches, and their faults are
// told with file, section and line.

#include "filters/csv.h"
#include "rules/rule_check.h"
#include "rules/rule_file.h"
#include "store/log_container.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wordlens {

struct RefererRow
{
    std::string referer;
    std::string engine;      // "" none
    std::uint32_t links = 0; // distinct fragments
    std::uint32_t hits = 0;  // records
};

struct QueryRow
{
    std::string query;
    std::uint32_t hits = 0;
    std::string word; // "" none
    long rank = 1;
};

// The three rule files of a folder (res/), read once per refresh.
struct RuleSet
{
    rules::RuleList words, ranks, names;
    std::vector<rules::RuleProblem> problems; // also a rule that failed on a text
    static RuleSet load(const std::string& resFolder);
};

inline constexpr const char* kWatchedRuleFiles[] = {
    "referer2searchword.ini", "referer2searchrank.ini", "referer2searchname.ini"};

// Loads an analysed log as Wordlens needs it: the base load, sorting, the site and the
// own-site referers. 0 or the store's codes.
[[nodiscard]] int loadForWordlens(store::LogContainer& log, store::StepText* text,
                                  store::Progress& progress);

// Column subitems and their display order.
enum RefererColumn { kReferer = 0, kRefHits = 1, kRefLinks = 2, kRefName = 3 };
enum QueryColumn { kQuery = 0, kQueryHits = 1, kResult = 2, kRank = 3 };
inline constexpr int kRefererOrder[] = {kRefHits, kRefLinks, kRefName, kReferer};
inline constexpr int kQueryOrder[] = {kQueryHits, kResult, kRank, kQuery};

class RefererList final : public filters::CellSource
{
  public:
    // all: every referer; otherwise those with 2 links or more.
    void refresh(const store::LogContainer& log, RuleSet& rules, bool all);
    // Sort type subitem * 2 + direction (1 descending), rows kept in place otherwise.
    void sort(unsigned sortType);
    unsigned sortType() const { return m_sortType; }
    const std::vector<RefererRow>& rows() const { return m_rows; }
    int find(const std::string& referer) const;

    std::size_t rowCount() const override { return m_rows.size(); }
    std::string_view columnTitle(int subitem) const override;
    void appendCellText(std::string& out, std::size_t row, int subitem) const override;

  private:
    std::vector<RefererRow> m_rows;
    unsigned m_sortType = kRefHits * 2 + 1; // most hits first
};

class QueryList final : public filters::CellSource
{
  public:
    void refresh(const store::LogContainer& log, RuleSet& rules, const std::string& referer);
    void sort(unsigned sortType);
    unsigned sortType() const { return m_sortType; }
    const std::vector<QueryRow>& rows() const { return m_rows; }
    const std::string& referer() const { return m_referer; }
    // The address a row stands for: referer + "?" + query.
    std::string address(std::size_t row) const;

    std::size_t rowCount() const override { return m_rows.size(); }
    std::string_view columnTitle(int subitem) const override;
    void appendCellText(std::string& out, std::size_t row, int subitem) const override;

  private:
    std::string m_referer;
    std::vector<QueryRow> m_rows;
    unsigned m_sortType = kQueryHits * 2 + 1;
};

} // namespace wordlens
