// Search words, search ranks, engines, browsers and OSes through the rule files, with the
// two search caches in the data folder.

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "rules/rule_file.h"
#include "store/cache_reader.h"
#include "store/load_steps.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace store {
namespace {

// Rules go through texts in parts from this many texts a part on.
constexpr std::size_t kTextsPerPart = 512;

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

// Collects the search keys of all fragments, in key order, and for each fragment the index
// of its key.
std::vector<SearchKey> collectKeys(const LogContainer& log, std::vector<std::uint32_t>& keyOf)
{
    struct Use
    {
        SearchKey key;
        std::uint32_t fragment;
    };
    std::vector<Use> uses;
    for (std::size_t i = 0; i < log.Frg2.size(); ++i)
        if (isSearchKey(log.Frg2[i]))
            uses.push_back(
                {{log.Frg2[i].ref->text, log.Frg2[i].refq->text}, static_cast<std::uint32_t>(i)});
    std::sort(uses.begin(), uses.end(), [](const Use& a, const Use& b) { return a.key < b.key; });
    keyOf.assign(log.Frg2.size(), UINT32_MAX);
    std::vector<SearchKey> keys;
    for (const Use& use : uses) {
        if (keys.empty() || keys.back() < use.key)
            keys.push_back(use.key);
        keyOf[use.fragment] = static_cast<std::uint32_t>(keys.size() - 1);
    }
    return keys;
}

// The walk shared by words and ranks: every key gets its cached value when the cache
// cursor lands on it, otherwise the rules' outcome. `found(index, value, cached)`, in key
// order. *rulesRead tells whether the rule file was there and read.
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
    // The cache first, in key order; what it does not hold goes through the rules.
    std::vector<std::string> texts(keys.size());
    std::vector<std::string> cached(keys.size());
    std::vector<std::uint8_t> hit(keys.size(), 0);
    std::vector<std::string_view> uncached;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        texts[i] = keyText(keys[i]);
        while (!cache.atEnd() && platform::compareDictionary(cache.key(), texts[i]) < 0)
            cache.next();
        if (!cache.atEnd() && platform::compareDictionary(cache.key(), texts[i]) == 0) {
            ctx.add(share);
            cached[i] = cache.value();
            hit[i] = 1;
            cache.next();
        } else {
            uncached.push_back(texts[i]);
        }
    }
    const RuleOutcomes ruled = evaluateTexts(ctx, list, uncached, share);
    std::size_t next = 0; // of uncached
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (ctx.cancelled())
            break;
        if (hit[i]) {
            found(i, cached[i], true);
            continue;
        }
        if (next == ruled.failed) {
            ctx.log.trouble = {LoadTrouble::Kind::ReadFile, rulePath};
            return ruled.rc;
        }
        found(i, ruled.outcomes[next++], false);
    }
    return 0;
}

// Evaluates a rule file once per distinct text of a table, in the table's order:
// `textOf(i)` is entry i's text (null: none), `set(i, outcome)` receives the pooled
// outcome (null when empty) of each entry with a text.
template <typename TextOf, typename Set>
int outcomesOnce(LoadContext& ctx, const std::string& path, std::size_t count, TextOf textOf,
                 Set set)
{
    const rules::RuleList list = rules::LoadRules(path);
    FirstMet met;
    std::vector<std::uint32_t> of(count, UINT32_MAX);
    for (std::size_t i = 0; i < count; ++i)
        if (const char* text = textOf(i))
            of[i] = met.add(text);
    const std::vector<std::string_view>& distinct = met.texts();
    const RuleOutcomes ruled = evaluateTexts(ctx, list, distinct, 0.0f);
    std::vector<const char*> pooled(distinct.size(), nullptr);
    std::uint32_t seen = 0; // outcomes are pooled in the order the texts are first met
    for (std::size_t i = 0; i < count; ++i) {
        if (ctx.cancelled())
            break;
        if (of[i] == UINT32_MAX)
            continue;
        if (of[i] == ruled.failed) {
            ctx.log.trouble = {LoadTrouble::Kind::ReadFile, path};
            return ruled.rc;
        }
        if (of[i] == seen) {
            const std::string& outcome = ruled.outcomes[seen++];
            pooled[of[i]] = outcome.empty() ? nullptr : ctx.pool.intern(outcome);
        }
        set(i, pooled[of[i]]);
    }
    return 0;
}

} // namespace

RuleOutcomes evaluateTexts(LoadContext& ctx, const rules::RuleList& list,
                           const std::vector<std::string_view>& texts, float share)
{
    RuleOutcomes out;
    out.outcomes.resize(texts.size());
    out.failed = texts.size();
    const unsigned parts = platform::partCount(texts.size(), kTextsPerPart);
    // Texts are taken a few at a time, so that the parts end together however slow some
    // texts are. A part stops at its first failure: every text before the first failure
    // of all has been through the rules. Each part but the first makes its copy of the
    // list on its own thread; one that cannot leaves its texts to the others.
    std::vector<std::size_t> failed(parts, texts.size());
    std::vector<int> rcs(parts, 0);
    std::atomic<std::size_t> next{0};
    constexpr std::size_t kTake = 16;
    platform::runParts(parts, [&](unsigned part) {
        rules::RuleList copy;
        if (part > 0 && !rules::CopyRules(list, copy))
            return;
        const rules::RuleList& rules = part == 0 ? list : copy;
        for (;;) {
            const std::size_t begin = next.fetch_add(kTake, std::memory_order_relaxed);
            if (begin >= texts.size())
                return;
            for (std::size_t i = begin; i < std::min(begin + kTake, texts.size()); ++i) {
                if (ctx.cancelled())
                    return;
                ctx.add(share);
                if (const int rc = evaluate(rules, texts[i], out.outcomes[i])) {
                    failed[part] = i;
                    rcs[part] = rc;
                    return;
                }
            }
        }
    });
    for (unsigned part = 0; part < parts; ++part)
        if (failed[part] < out.failed) {
            out.failed = failed[part];
            out.rc = rcs[part];
        }
    return out;
}

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
    auto& refs = ctx.log.Ref;
    return outcomesOnce(
        ctx, ctx.ruleFile("referer2searchname.ini"), refs.size(),
        [&](std::size_t i) {
            return refs[i].text && refs[i].text[0] == 'h' ? refs[i].text : nullptr;
        },
        [&](std::size_t i, const char* engine) { refs[i].engine = engine; });
}

int analyseBrowsers(LoadContext& ctx)
{
    auto& agents = ctx.log.Agnt;
    return outcomesOnce(
        ctx, ctx.ruleFile("agent2browser.ini"), agents.size(),
        [&](std::size_t i) { return agents[i].text && *agents[i].text ? agents[i].text : nullptr; },
        [&](std::size_t i, const char* browser) { agents[i].browser = browser; });
}

int analyseOses(LoadContext& ctx)
{
    auto& agents = ctx.log.Agnt;
    return outcomesOnce(
        ctx, ctx.ruleFile("agent2os.ini"), agents.size(),
        [&](std::size_t i) { return agents[i].text && *agents[i].text ? agents[i].text : nullptr; },
        [&](std::size_t i, const char* os) { agents[i].os = os; });
}

int saveSearchCaches(LoadContext& ctx)
{
    // Without its rule file a step's outcomes are the keys themselves; kept in a cache
    // they would pass for classifications once the rule file is back.
    if (!ctx.wordRulesRead && !ctx.rankRulesRead)
        return 0;
    // The keys in key order, each with the first fragment that has it.
    struct Use
    {
        SearchKey key;
        const Fragment* fragment;
    };
    std::vector<Use> uses;
    for (const Fragment& f : ctx.log.Frg2)
        if (f.ref && f.ref->text && f.refq && f.refq->text && f.refq->word)
            uses.push_back({{f.ref->text, f.refq->text}, &f});
    std::stable_sort(uses.begin(), uses.end(),
                     [](const Use& a, const Use& b) { return a.key < b.key; });
    std::string wordText, rankText;
    for (std::size_t i = 0; i < uses.size(); ++i) {
        if (i > 0 && !(uses[i - 1].key < uses[i].key))
            continue;
        const Fragment* f = uses[i].fragment;
        const std::string k = keyText(uses[i].key);
        // An entry the format cannot hold (a CR or LF from the referer or the decoded word
        // would start lines of its own) is left out; the next load evaluates it again.
        if (!CacheReader::canHold(k) || !CacheReader::canHold(f->refq->word))
            continue;
        wordText.append("[MapString]\r\n").append(k).append("\r\n");
        wordText.append(f->refq->word).append("\r\n\r\n");
        char rank[16];
        std::snprintf(rank, sizeof rank, "%d", static_cast<int>(f->refq->rank));
        rankText.append("[MapString]\r\n").append(k).append("\r\n");
        rankText.append(rank).append("\r\n\r\n");
    }
    // Both files at once. Each replaces its cache whole (a crash or a failed write leaves the
    // old one; a link planted at its name is replaced, never written through). A failure
    // names the file, or the folder when nothing can be written there.
    const struct
    {
        bool wanted;
        const char* name;
        const std::string& text;
    } caches[] = {{ctx.wordRulesRead, "searchword.cache", wordText},
                  {ctx.rankRulesRead, "searchrank.cache", rankText}};
    int rcs[2] = {0, 0};
    platform::runParts(2, [&](unsigned i) {
        if (caches[i].wanted)
            rcs[i] = platform::replaceFileInFolder(ctx.dataFolder, caches[i].name, caches[i].text);
    });
    for (int i = 0; i < 2; ++i)
        if (rcs[i]) {
            const bool folder = !platform::isWritableFolder(ctx.dataFolder);
            ctx.log.trouble = {folder ? LoadTrouble::Kind::WriteFolder
                                      : LoadTrouble::Kind::WriteFile,
                               folder ? ctx.dataFolder : ctx.dataFile(caches[i].name)};
            return rcs[i];
        }
    return 0;
}

} // namespace store
