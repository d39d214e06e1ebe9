// Which visitors are machines: by the name their user agent gives (robots.ini), else by what
// they do.

#include "platform/codepage.h"
#include "platform/trace.h"
#include "store/load_steps.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

namespace store {
namespace {

struct KindKey
{
    const char* key;
    VisitorKind kind;
    const char* name;
};

constexpr KindKey kKinds[] = {
    {"", VisitorKind::Person, "人"},
    {"search", VisitorKind::Search, "検索クローラー"},
    {"ai-crawler", VisitorKind::AiCrawler, "AIクローラー"},
    {"ai-assistant", VisitorKind::AiAssistant, "AIアシスタント"},
    {"seo", VisitorKind::Seo, "SEOツール"},
    {"monitor", VisitorKind::Monitor, "監視サービス"},
    {"feed", VisitorKind::Feed, "フィードリーダー"},
    {"headless", VisitorKind::Headless, "自動操作のブラウザー"},
    {"library", VisitorKind::Library, "プログラム"},
    {"other", VisitorKind::Other, "その他の機械"},
    {"", VisitorKind::Suspected, "機械の疑い"},
};
static_assert(std::size(kKinds) == kVisitorKindCount);

// A person reads a page for more than a few seconds; ten pages at more than ten a minute is
// a program following links.
constexpr std::uint32_t kFastPages = 10;
constexpr std::uint32_t kFastPerMinute = 10;
// Six requests whose gaps differ by less than a tenth of their mean (and at least two
// seconds): a timer, not a reader.
constexpr std::uint32_t kRegularPages = 6;
constexpr std::uint32_t kRegularMinGap = 5;
// Browsers name the page a link was on; eight pages without one is a list of addresses.
constexpr std::uint32_t kNoRefererPages = 8;
// Names a rule file can invent ("other:$1") are many; past this many classes they share one.
constexpr std::size_t kMaxClasses = 4000;

// Per fragment: the class of its agent when that names a machine (low bits), and flags.
constexpr std::uint16_t kClassMask = 0x1FFF;
constexpr std::uint16_t kHead = 0x2000;
constexpr std::uint16_t kReferer = 0x4000;
constexpr std::uint16_t kRobotsTxt = 0x8000;
static_assert(kMaxClasses < kClassMask);

class Classes
{
  public:
    explicit Classes(LogContainer& log) : m_log(log)
    {
        m_log.VisitorClasses.clear();
        m_log.ClassPool.clear();
        add({VisitorKind::Person, Suspicion::None, text(visitorKindName(VisitorKind::Person)),
             text("ユーザーエージェントにも振る舞いにも機械らしさのない訪問者")});
    }

    // The class of a named machine (CP932 name), made on first sight.
    std::uint16_t named(VisitorKind kind, std::string_view name, const char* agent)
    {
        std::string label = platform::utf8ToCp932(visitorKindName(kind));
        label += ": ";
        label += name;
        const auto it = m_named.find(label);
        if (it != m_named.end())
            return it->second;
        if (m_log.VisitorClasses.size() >= kMaxClasses)
            return named(VisitorKind::Other, platform::utf8ToCp932("(その他)"), agent);
        std::string reason = platform::utf8ToCp932("robots.ini の規則がこの名前と種類を与えた"
                                                   "ユーザーエージェント\n例: ");
        reason.append(agent, std::min<std::size_t>(std::strlen(agent), 300));
        const std::uint16_t index = add(
            {kind, Suspicion::None, m_log.ClassPool.intern(label), m_log.ClassPool.intern(reason)});
        m_named.emplace(std::move(label), index);
        return index;
    }

    std::uint16_t suspected(Suspicion why)
    {
        std::uint16_t& index = m_suspected[static_cast<int>(why)];
        if (!index) {
            std::string label = platform::utf8ToCp932(visitorKindName(VisitorKind::Suspected));
            label += ": ";
            label += platform::utf8ToCp932(suspicionLabel(why));
            index = add({VisitorKind::Suspected, why, m_log.ClassPool.intern(label),
                         text(suspicionReason(why))});
        }
        return index;
    }

  private:
    const char* text(const char* utf8)
    {
        return m_log.ClassPool.intern(platform::utf8ToCp932(utf8));
    }
    std::uint16_t add(const VisitorClass& c)
    {
        m_log.VisitorClasses.push_back(c);
        return static_cast<std::uint16_t>(m_log.VisitorClasses.size() - 1);
    }

    LogContainer& m_log;
    std::map<std::string, std::uint16_t> m_named;
    std::uint16_t m_suspected[8] = {};
};

// The robots.ini class of every fragment's agent, and the flags of its request.
int fragmentFacts(LoadContext& ctx, Classes& classes, std::vector<std::uint16_t>& facts)
{
    LogContainer& log = ctx.log;
    const rules::RuleList list = rules::LoadRules(ctx.ruleFile("robots.ini"));
    const ReqEntry* robotsTxt = nullptr;
    for (const ReqEntry& r : log.Req)
        if (r.text && std::strcmp(r.text, "/robots.txt") == 0)
            robotsTxt = &r;
    // The agents in the order they are first met, each through the rules once (in parts),
    // then named in that order.
    FirstMet met;
    std::vector<std::uint32_t> agentOf(log.Frg2.size(), UINT32_MAX);
    facts.assign(log.Frg2.size(), 0);
    for (std::size_t i = 0; i < log.Frg2.size(); ++i) {
        const Fragment& f = log.Frg2[i];
        std::uint16_t bits = 0;
        if (i < log.FrgHead.size() && log.FrgHead[i])
            bits |= kHead;
        if (f.ref && f.ref->text)
            bits |= kReferer;
        if (robotsTxt && f.req == robotsTxt)
            bits |= kRobotsTxt;
        facts[i] = bits;
        const char* agent = f.agnt ? f.agnt->text : nullptr;
        if (agent && !list.empty())
            agentOf[i] = met.add(agent);
    }
    const std::vector<std::string_view>& agents = met.texts();
    const RuleOutcomes ruled = evaluateTexts(ctx, list, agents, 0.0f);
    if (ctx.cancelled())
        return 0;
    if (ruled.failed < agents.size()) {
        log.trouble = {LoadTrouble::Kind::ReadFile, ctx.ruleFile("robots.ini")};
        return ruled.rc;
    }
    std::vector<std::uint16_t> classOf(agents.size(), 0);
    for (std::size_t a = 0; a < agents.size(); ++a) {
        std::string_view name;
        const VisitorKind kind = parseMachineOutcome(ruled.outcomes[a], name);
        classOf[a] = isMachine(kind) ? classes.named(kind, name, agents[a].data()) : 0;
    }
    for (std::size_t i = 0; i < log.Frg2.size(); ++i)
        if (agentOf[i] != UINT32_MAX)
            facts[i] |= classOf[agentOf[i]];
    return 0;
}

// Why the page views of one visitor (time order) look like a machine's, if they do.
Suspicion behaviour(const LogRecord* r, std::uint32_t n, const Fragment* frg,
                    const std::vector<std::uint16_t>& facts, bool referersStored, bool headStored)
{
    bool allHead = headStored, anyReferer = false;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint16_t f = facts[static_cast<std::size_t>(r[i].fragment - frg)];
        if (f & kRobotsTxt)
            return Suspicion::RobotsTxt;
        allHead = allHead && (f & kHead);
        anyReferer = anyReferer || (f & kReferer);
    }
    if (allHead)
        return Suspicion::HeadOnly;
    const std::uint32_t span = r[n - 1].time - r[0].time;
    if (n >= kFastPages && std::uint64_t(n - 1) * 60 > std::uint64_t(span) * kFastPerMinute)
        return Suspicion::Fast;
    if (n >= kRegularPages) {
        std::uint32_t low = UINT32_MAX, high = 0;
        for (std::uint32_t i = 1; i < n; ++i) {
            const std::uint32_t gap = r[i].time - r[i - 1].time;
            low = std::min(low, gap);
            high = std::max(high, gap);
        }
        const std::uint32_t mean = span / (n - 1);
        if (low >= kRegularMinGap && (high - low) * 10 <= std::max(mean, 20u))
            return Suspicion::Regular;
    }
    if (referersStored && !anyReferer && n >= kNoRefererPages)
        return Suspicion::NoReferer;
    return Suspicion::None;
}

} // namespace

const char* visitorKindName(VisitorKind kind)
{
    return kKinds[static_cast<int>(kind)].name;
}

const char* visitorKindKey(VisitorKind kind)
{
    const char* key = kKinds[static_cast<int>(kind)].key;
    return *key ? key : kind == VisitorKind::Person ? "person" : "suspected";
}

VisitorKind visitorKindOfKey(std::string_view key)
{
    for (const KindKey& k : kKinds)
        if (*k.key && key == k.key)
            return k.kind;
    return VisitorKind::Other;
}

VisitorKind parseMachineOutcome(std::string_view outcome, std::string_view& name)
{
    while (!outcome.empty() && (outcome.back() == ' ' || outcome.back() == '\t'))
        outcome.remove_suffix(1);
    name = outcome;
    if (outcome.empty())
        return VisitorKind::Person;
    const std::size_t colon = outcome.find(':');
    if (colon == std::string_view::npos)
        return VisitorKind::Other;
    const VisitorKind kind = visitorKindOfKey(outcome.substr(0, colon));
    name = outcome.substr(colon + 1);
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    if (name.empty())
        name = outcome.substr(0, colon);
    return kind;
}

const char* suspicionLabel(Suspicion why)
{
    switch (why) {
    case Suspicion::RobotsTxt:
        return "/robots.txt を要求";
    case Suspicion::HeadOnly:
        return "HEAD だけ";
    case Suspicion::Fast:
        return "1分に10ページ以上";
    case Suspicion::Regular:
        return "一定の間隔";
    case Suspicion::NoReferer:
        return "参照元も検索もない多数のページ";
    case Suspicion::None:
        break;
    }
    return "";
}

const char* suspicionReason(Suspicion why)
{
    switch (why) {
    case Suspicion::RobotsTxt:
        return "ブラウザーを名乗っていても /robots.txt を要求した訪問者\n(この規則を読むのは"
               "クローラーだけ)";
    case Suspicion::HeadOnly:
        return "本文を受け取らない HEAD 要求だけの訪問者\n(リンクの確認や監視のプログラム)";
    case Suspicion::Fast:
        return "10ページ以上を1分に10ページより速く読んだ訪問者\n(人はページを読むのに数秒以上"
               "かかる)";
    case Suspicion::Regular:
        return "6回以上の要求の間隔がほぼ同じ訪問者\n(タイマーで動くプログラム)";
    case Suspicion::NoReferer:
        return "8ページ以上を見て、どのページにも参照元 (前のページや検索) がない訪問者\n"
               "(アドレスの一覧をたどるプログラム)";
    case Suspicion::None:
        break;
    }
    return "";
}

int classifyVisitors(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    Classes classes(log);
    std::vector<std::uint16_t> facts;
    if (const int rc = fragmentFacts(ctx, classes, facts))
        return rc;
    // A log imported without referers, or without HEAD among its methods, says nothing by
    // their absence.
    bool referersStored = false, headStored = false;
    for (const std::uint16_t f : facts) {
        referersStored = referersStored || (f & kReferer);
        headStored = headStored || (f & kHead);
    }
    const Fragment* frg = log.Frg2.data();
    log.VisitorClassOf.assign(log.Visitors.size(), 0);
    for (std::size_t v = 0; v < log.Visitors.size(); ++v) {
        if ((v & 0xFFFF) == 0 && ctx.cancelled())
            break;
        const VisitorEntry& visitor = log.Visitors[v];
        const LogRecord* r = visitor.first;
        std::uint16_t named = 0;
        for (std::uint32_t i = 0; i < visitor.count && !named; ++i)
            named = facts[static_cast<std::size_t>(r[i].fragment - frg)] & kClassMask;
        if (named) {
            log.VisitorClassOf[v] = named;
            continue;
        }
        const Suspicion why = behaviour(r, visitor.count, frg, facts, referersStored, headStored);
        if (why != Suspicion::None)
            log.VisitorClassOf[v] = classes.suspected(why);
    }
    log.FrgHead = {};
    platform::trace("VisitorClasses=%d", int(log.VisitorClasses.size()));
    return 0;
}

} // namespace store
