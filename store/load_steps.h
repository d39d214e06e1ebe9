#pragma once

// The steps of the load pipeline, each a function over the store's tables. The pipeline
// (pipeline.cpp) runs them in order with their texts, progress shares and trace lines.

#include "rules/rule_file.h"
#include "store/log_container.h"
#include "store/text_pool.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store {

// What the steps share during one load.
struct LoadContext
{
    LogContainer& log;
    Progress& progress;
    TextPool pool;          // texts made by the load until the dictionary rebuild
    std::string resFolder;  // rule files
    std::string dataFolder; // caches, host-name files, URL-group file
    // Whether steps 7 and 8 read their rule files. A cache holds outcomes of the rules for
    // later loads, so it is written only from rules that were read.
    bool wordRulesRead = false;
    bool rankRulesRead = false;

    bool cancelled() const { return progress.load(std::memory_order_relaxed) < 0; }
    void add(float share) const { addProgress(progress, share); }
    std::string dataFile(const std::string& name) const;
    std::string ruleFile(const std::string& name) const { return resFolder + name; }
};

void sortByTime(LoadContext& ctx);                      // 1
[[nodiscard]] int detectSite(LoadContext& ctx);         // 2: 0 or 232
void fixLocalReferers(LoadContext& ctx);                // 3
void sortByHost(LoadContext& ctx);                      // 4
void buildVisitors(LoadContext& ctx);                   // 5
void convertHostTexts(LoadContext& ctx);                // 6, first half
void loadHostNames(LoadContext& ctx);                   // 6, second half: the host-name cache
[[nodiscard]] int analyseSearchWords(LoadContext& ctx); // 7
[[nodiscard]] int analyseSearchRanks(LoadContext& ctx); // 8
[[nodiscard]] int analyseEngines(LoadContext& ctx);     // 9
[[nodiscard]] int analyseBrowsers(LoadContext& ctx);    // 10
[[nodiscard]] int analyseOses(LoadContext& ctx);        // 11
[[nodiscard]] int classifyVisitors(LoadContext& ctx);   // 11, second half: robots.ini
[[nodiscard]] int saveSearchCaches(LoadContext& ctx);   // 12
[[nodiscard]] int applyUrlGroups(LoadContext& ctx);     // 13
void rebuildDictionary(LoadContext& ctx);               // 14
void mergeEntries(LoadContext& ctx);                    // 15
void collectGroupNames(LoadContext& ctx);               // 16

// What the side programs load of a log: the base load and steps 1 to 3 (sorting, the site,
// the own-site referers), with the same step texts. 0 or the code of the failing step
// (kErrCancelled when the progress turned negative).
[[nodiscard]] int loadSiteAndReferers(LoadContext& ctx, StepText* text);

// The rank a referer2searchrank.ini outcome stands for: its leading number, or "a+b" as
// their sum (the page's first position plus the place on it).
long rankFromOutcome(std::string_view outcome);
// Applies rules to a CP932 text; the outcome in CP932 ("" for none). 0 or the error of a
// regular expression.
[[nodiscard]] int evaluateRuleText(const rules::RuleList& list, std::string_view text,
                                   std::string& outcome);

// The texts of a table in the order they are first met, each once (texts are unique per
// pointer): add gives a text's index among them. Neighbours mostly share their text.
class FirstMet
{
  public:
    std::uint32_t add(const char* text)
    {
        if (text != m_last) {
            const auto [it, added] =
                m_index.try_emplace(text, static_cast<std::uint32_t>(m_texts.size()));
            if (added)
                m_texts.emplace_back(text);
            m_last = text;
            m_lastIndex = it->second;
        }
        return m_lastIndex;
    }
    const std::vector<std::string_view>& texts() const { return m_texts; }

  private:
    std::unordered_map<const char*, std::uint32_t> m_index;
    std::vector<std::string_view> m_texts;
    const char* m_last = nullptr;
    std::uint32_t m_lastIndex = 0;
};

// Rule outcomes of many texts, worked out in parts on every core (each part with a copy of
// the list, which is used on one thread only) and handed back in text order, so that what a
// step makes of them never depends on the number of parts.
struct RuleOutcomes
{
    std::vector<std::string> outcomes; // CP932, "" for none
    std::size_t failed = 0;            // the first text whose rules failed; texts.size() if none
    int rc = 0;                        // and its error
};
// Adds `share` to the progress for each text. A cancelled load leaves outcomes unset.
RuleOutcomes evaluateTexts(LoadContext& ctx, const rules::RuleList& list,
                           const std::vector<std::string_view>& texts, float share);

// The prefix of a referer (scheme, "://" and host) and where its path starts.
std::size_t refererPathStart(const char* referer);

// Whether an own-site prefix covers a URL: the URL begins with it and the host ends there
// (the next byte is "/", "?", "#" or the end), so "http://site.evil.org" is not "http://site".
bool prefixCovers(const std::string& prefix, const char* url);

} // namespace store
