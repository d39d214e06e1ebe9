// Search words, search ranks, engines, browsers and OSes through the rule files, with the
// two search caches in the data folder.

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "rules/rule_file.h"
#include "store/cache_reader.h"
#include "store/load_steps.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>

namespace store {
namespace {

// A search key: an external referer and its query, ordered by their dictionary positions.
struct SearchKey
{
    const char* referer;
    const char* query;
    bool operator<(const SearchKey& o) const
    {
        return referer != o.referer ? std::less<>()(referer, o.referer)
                                    : std::less<>()(query, o.query);
    }
};

bool isSearchKey(const Fragment& f)
{
    return f.ref && f.ref->text && f.ref->text[0] != '/' && f.refq && f.refq->text;
}

std::string keyText(const SearchKey& k)
{
    std::string text(k.referer);
    text += '?';
    text += k.query;
    return text;
}

// Leading blanks, optional sign, digits; anything else ends the number; no digits: 0.
long decimalValue(std::u16string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r' ||
                            s[i] == u'\v' || s[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    long value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i)
        value = value * 10 + (s[i] - u'0');
    return negative ? -value : value;
}

// Usable only when the rule file is strictly older than the cache.
bool cacheValid(const std::string& rules, const std::string& cache)
{
    const std::int64_t ruleTime = platform::lastWriteTime(rules);
    const std::int64_t cacheTime = platform::lastWriteTime(cache);
    return ruleTime != 0 && cacheTime != 0 && ruleTime < cacheTime;
}

// Evaluates rules on a CP932 text; the outcome in CP932 ("" for none).
int evaluate(const rules::RuleList& list, std::string_view text, std::string& outcome)
{
    std::u16string wide = platform::cp932ToUtf16(text);
    const int rc = rules::EvaluateRules(list, wide);
    outcome = rc ? std::string() : platform::utf16ToCp932(wide);
    return rc;
}

// Collects the search keys of all fragments, and for each fragment the index of its key.
std::vector<SearchKey> collectKeys(const LogContainer& log, std::vector<std::uint32_t>& keyOf)
{
    std::map<SearchKey, std::uint32_t> set;
    keyOf.assign(log.Frg2.size(), UINT32_MAX);
    for (const Fragment& f : log.Frg2)
        if (isSearchKey(f))
            set.emplace(SearchKey{f.ref->text, f.refq->text}, 0);
    std::vector<SearchKey> keys;
    keys.reserve(set.size());
    for (auto& [key, index] : set) {
        index = static_cast<std::uint32_t>(keys.size());
        keys.push_back(key);
    }
    for (std::size_t i = 0; i < log.Frg2.size(); ++i)
        if (isSearchKey(log.Frg2[i]))
            keyOf[i] = set[SearchKey{log.Frg2[i].ref->text, log.Frg2[i].refq->text}];
    return keys;
}

// The walk shared by words and ranks: every key gets its cached value when the cache
// cursor lands on it, otherwise the rules' outcome. `found(index, value, cached)`.
// *rulesRead tells whether the rule file was there and read.
template <typename Found>
int walkKeys(LoadContext& ctx, const std::vector<SearchKey>& keys, const std::string& rulePath,
             const std::string& cachePath, bool* rulesRead, Found found)
{
    const rules::RuleList list = rules::LoadRules(rulePath, rulesRead);
    CacheReader cache;
    // A cache that cannot be read is not used: every key goes through the rules.
    if (cacheValid(rulePath, cachePath))
        (void)cache.open(cachePath);
    if (keys.empty())
        ctx.add(0.175f);
    const float share = keys.empty() ? 0.0f : 0.175f / float(keys.size());
    std::string outcome;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (ctx.cancelled())
            break;
        ctx.add(share);
        const std::string key = keyText(keys[i]);
        while (!cache.atEnd() && platform::compareDictionary(cache.key(), key) < 0)
            cache.next();
        if (!cache.atEnd() && platform::compareDictionary(cache.key(), key) == 0) {
            found(i, std::string(cache.value()), true);
            cache.next();
            continue;
        }
        if (const int rc = evaluate(list, key, outcome)) {
            ctx.log.trouble = {LoadTrouble::Kind::ReadFile, rulePath};
            return rc;
        }
        found(i, outcome, false);
    }
    return 0;
}

// Evaluates a rule file once per distinct text; `apply(text, outcome)` for each entry.
class OncePerText
{
  public:
    explicit OncePerText(const std::string& path) : m_path(path), m_rules(rules::LoadRules(path)) {}
    // The pooled outcome for a text (null when empty), evaluating on first sight.
    int outcome(LoadContext& ctx, const char* text, const char*& result)
    {
        auto it = m_done.find(text);
        if (it == m_done.end()) {
            std::string out;
            if (const int rc = evaluate(m_rules, text, out)) {
                ctx.log.trouble = {LoadTrouble::Kind::ReadFile, m_path};
                return rc;
            }
            it = m_done.emplace(text, out.empty() ? nullptr : ctx.pool.intern(out)).first;
        }
        result = it->second;
        return 0;
    }

  private:
    std::string m_path;
    rules::RuleList m_rules;
    std::unordered_map<const char*, const char*> m_done; // texts are unique per pointer
};

// Replaces a cache of the data folder whole (a crash or a failed write leaves the old one;
// a link planted at its name is replaced, never written through). A failure names the
// file, or the folder when nothing can be written there.
int writeCache(LoadContext& ctx, const char* name, const std::string& text)
{
    const int rc = platform::replaceFileInFolder(ctx.dataFolder, name, text);
    if (rc) {
        const bool folder = !platform::isWritableFolder(ctx.dataFolder);
        ctx.log.trouble = {folder ? LoadTrouble::Kind::WriteFolder : LoadTrouble::Kind::WriteFile,
                           folder ? ctx.dataFolder : ctx.dataFile(name)};
    }
    return rc;
}

} // namespace

int analyseSearchWords(LoadContext& ctx)
{
    std::vector<std::uint32_t> keyOf;
    const auto keys = collectKeys(ctx.log, keyOf);
    std::vector<const char*> words(keys.size(), nullptr);
    const int rc = walkKeys(ctx, keys, ctx.ruleFile("referer2searchword.ini"),
                            ctx.dataFile("searchword.cache"), &ctx.wordRulesRead,
                            [&](std::size_t i, const std::string& value, bool) {
                                words[i] = value.empty() ? nullptr : ctx.pool.intern(value);
                            });
    if (rc)
        return rc;
    for (std::size_t f = 0; f < ctx.log.Frg2.size(); ++f)
        if (keyOf[f] != UINT32_MAX)
            ctx.log.Frg2[f].refq->word = words[keyOf[f]];
    return 0;
}

long rankFromOutcome(std::string_view outcome)
{
    const std::u16string wide = platform::cp932ToUtf16(outcome);
    const auto plus = wide.find(u'+');
    if (plus == std::u16string::npos)
        return decimalValue(wide);
    return decimalValue(std::u16string_view(wide).substr(plus + 1)) +
           decimalValue(std::u16string_view(wide).substr(0, plus));
}

int evaluateRuleText(const rules::RuleList& list, std::string_view text, std::string& outcome)
{
    return evaluate(list, text, outcome);
}

int analyseSearchRanks(LoadContext& ctx)
{
    std::vector<std::uint32_t> keyOf;
    const auto keys = collectKeys(ctx.log, keyOf);
    std::vector<long> ranks(keys.size(), 0);
    const int rc = walkKeys(ctx, keys, ctx.ruleFile("referer2searchrank.ini"),
                            ctx.dataFile("searchrank.cache"), &ctx.rankRulesRead,
                            [&](std::size_t i, const std::string& value, bool cached) {
                                ranks[i] = cached ? decimalValue(platform::cp932ToUtf16(value))
                                                  : rankFromOutcome(value);
                            });
    if (rc)
        return rc;
    for (std::size_t f = 0; f < ctx.log.Frg2.size(); ++f)
        if (keyOf[f] != UINT32_MAX && ranks[keyOf[f]] != 0)
            ctx.log.Frg2[f].refq->rank = static_cast<std::uint32_t>(ranks[keyOf[f]]);
    return 0;
}

int analyseEngines(LoadContext& ctx)
{
    OncePerText rules(ctx.ruleFile("referer2searchname.ini"));
    for (RefEntry& ref : ctx.log.Ref) {
        if (ctx.cancelled())
            break;
        if (ref.text && ref.text[0] == 'h')
            if (const int rc = rules.outcome(ctx, ref.text, ref.engine))
                return rc;
    }
    return 0;
}

int analyseBrowsers(LoadContext& ctx)
{
    OncePerText rules(ctx.ruleFile("agent2browser.ini"));
    for (AgntEntry& agent : ctx.log.Agnt) {
        if (ctx.cancelled())
            break;
        if (agent.text && *agent.text)
            if (const int rc = rules.outcome(ctx, agent.text, agent.browser))
                return rc;
    }
    return 0;
}

int analyseOses(LoadContext& ctx)
{
    OncePerText rules(ctx.ruleFile("agent2os.ini"));
    for (AgntEntry& agent : ctx.log.Agnt) {
        if (ctx.cancelled())
            break;
        if (agent.text && *agent.text)
            if (const int rc = rules.outcome(ctx, agent.text, agent.os))
                return rc;
    }
    return 0;
}

int saveSearchCaches(LoadContext& ctx)
{
    // Without its rule file a step's outcomes are the keys themselves; kept in a cache
    // they would pass for classifications once the rule file is back.
    if (!ctx.wordRulesRead && !ctx.rankRulesRead)
        return 0;
    std::map<SearchKey, const Fragment*> keys;
    for (const Fragment& f : ctx.log.Frg2)
        if (f.ref && f.ref->text && f.refq && f.refq->text && f.refq->word)
            keys.emplace(SearchKey{f.ref->text, f.refq->text}, &f);
    std::string wordText, rankText;
    for (const auto& [key, f] : keys) {
        const std::string k = keyText(key);
        // An entry the format cannot hold (a CR or LF from the referer or the decoded word
        // would start lines of its own) is left out; the next load evaluates it again.
        if (!CacheReader::canHold(k) || !CacheReader::canHold(f->refq->word))
            continue;
        wordText += "[MapString]\r\n" + k + "\r\n" + f->refq->word + "\r\n\r\n";
        char rank[16];
        std::snprintf(rank, sizeof rank, "%d", static_cast<int>(f->refq->rank));
        rankText += "[MapString]\r\n" + k + "\r\n" + rank + "\r\n\r\n";
    }
    if (ctx.wordRulesRead)
        if (const int rc = writeCache(ctx, "searchword.cache", wordText))
            return rc;
    if (ctx.rankRulesRead)
        return writeCache(ctx, "searchrank.cache", rankText);
    return 0;
}

} // namespace store
