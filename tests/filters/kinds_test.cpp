// Every kind's items, counts and cells on the small log of filter_log.h.

#include "filter_log.h"
#include "filters/chain_runner.h"
#include "filters/kinds.h"
#include "filters/stat_rows.h"
#include "filters/word_rows.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace filters;

constexpr std::int64_t kDay1 = 1790812800; // 2026-10-01

// Rows as "key|visitors|stay|hits per visitor" (or the word kind's five cells), in the
// pane's order.
std::vector<std::string> lines(const PaneModel& pane)
{
    std::vector<std::string> out;
    const int columns = static_cast<int>(pane.columns().size());
    for (std::size_t r = 0; r < pane.rowCount(); ++r) {
        std::string line;
        for (int c = 0; c < columns; ++c) {
            if (c)
                line += '|';
            line += pane.cellText(r, c);
        }
        out.push_back(line);
    }
    return out;
}

// Runs day 1 through the panes; returns the chain for inspection.
std::unique_ptr<Chain> run(const std::vector<PaneSpec>& panes)
{
    auto chain = std::make_unique<Chain>(vxtest::filterLog());
    ChainSpec spec;
    spec.period = true;
    spec.firstDay = spec.lastDay = kDay1;
    spec.panes = panes;
    EXPECT_EQ(runChain(*chain, spec).result, 0);
    return chain;
}

struct KindCase
{
    const char* name;
    std::vector<PaneSpec> panes; // the last one is looked at
    std::vector<std::string> rows;
};

TEST(Kinds, RowsOfEveryKind)
{
    const std::string other = "http://other.example/page";
    const std::string search = "https://search.example/find";
    const std::vector<KindCase> cases = {
        // /a and /c tie on visitors: the larger key first.
        {"page", {{Kind::Req}}, {"/b|4|92.5|1", "/c|3|83.3|1", "/a|3|70.0|1.3"}},
        {"page, groups",
         {{Kind::Req, kFlagGroup}},
         {"/shop|4|92.5|1", "/c|3|83.3|1", "/a|3|70.0|1.3"}},
        {"entry page", {{Kind::ReqBegin}}, {"/b|2|80.0", "/a|2|60.0", "/c|1|90.0"}},
        {"exit page", {{Kind::ReqEnd}}, {"/c|2|80.0", "/a|2|60.0", "/b|1|90.0"}},
        // The null query shows as an empty text.
        {"query", {{Kind::Query}}, {"|5|74.0|2.0", "x=1|1|100.0|1"}},
        // Local referers of later page views never count; the re-entry is "no referer".
        {"referer",
         {{Kind::Ref}},
         {search + "|3|60.0|1.3", other + "|2|95.0|1", "no referer|1|90.0|1"}},
        {"referer, groups",
         {{Kind::Ref, kFlagGroup}},
         {search + "|3|60.0|1.3", "http://other.example|2|95.0|1", "no referer|1|90.0|1"}},
        {"search engine", {{Kind::SearchName}}, {"Finder|3|60.0"}},
        {"user agent",
         {{Kind::Agent}},
         {vxtest::kChrome + "|2|80.0|2.0", vxtest::kFirefox + "|2|105.0|3.0",
          vxtest::kCurl + "|1|0|1"}},
        {"browser",
         {{Kind::Browser}},
         {"Firefox 138|2|105.0|3.0", "Chrome 137|2|80.0|2.0", "curl/8.5|1|0|1"}},
        {"os", {{Kind::Os}}, {"Windows|2|105.0|3.0", "Linux|2|80.0|2.0", "curl/8.5|1|0|1"}},
        // Texts compared as texts, the larger first; the unnamed host by its address.
        {"host name",
         {{Kind::HostName}},
         {"net.example.host5|1|60.0|2.0", "jp.co.example.host1|1|120.0|3.0",
          "com.example.mail|1|100.0|2.0", "10.0.0.3|1|0|1", "#resolving ...|1|90.0|3.0"}},
        {"tld",
         {{Kind::TldJp}},
         {"net|1|60.0|2.0", "jp.co|1|120.0|3.0", "com|1|100.0|2.0", "10.0.0.3|1|0|1",
          "#resolving ...|1|90.0|3.0"}},
        {"domain",
         {{Kind::Domain}},
         {"net.example|1|60.0|2.0", "jp.co.example|1|120.0|3.0", "com.example|1|100.0|2.0",
          "10.0.0.3|1|0|1", "#resolving ...|1|90.0|3.0"}},
        // Path mode: the pages viewed right after /a; V4's re-entry at /c does not count.
        {"page after a page", {{Kind::Req, 0, {"/a"}}, {Kind::Req, kFlagPath}}, {"/b|1|120.0|1"}},
        // The pages viewed right before /b: a local page too, and "no referer" for V4's
        // /b, which had none.
        {"referer before a page",
         {{Kind::Req, 0, {"/b"}}, {Kind::Ref, kFlagPath}},
         {search + "|1|60.0|1", other + "|1|100.0|1", "/a|1|120.0|1", "no referer|1|90.0|1"}},
        {"query on a page",
         {{Kind::Req, 0, {"/c"}}, {Kind::Query, kFlagPath}},
         {"|2|75.0|1", "x=1|1|100.0|1"}},
        // After a referer pane: the referer's query instead of the request's.
        {"query from a referer",
         {{Kind::Ref, 0, {other}}, {Kind::Query, kFlagPath}},
         {"from=mail|1|100.0|1", "|1|90.0|1"}},
        // Path mode needs a page or referer pane before it: off after a browser pane.
        {"path without a set",
         {{Kind::Browser, 0, {"Chrome 137"}}, {Kind::Req, kFlagPath}},
         {"/c|2|80.0|1", "/b|2|80.0|1"}},
        // A bypassed pane is skipped: the path set comes from the page pane before it.
        {"path over a bypassed pane",
         {{Kind::Req, 0, {"/a"}}, {Kind::Browser, kFlagBypass}, {Kind::Req, kFlagPath}},
         {"/b|1|120.0|1"}},
        {"percent",
         {{Kind::Req, 0, {"/a"}}, {Kind::Browser, kFlagPercent}},
         {"Firefox 138|66.7%|105.0|3.0", "curl/8.5|33.3%|0|1"}},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto chain = run(c.panes);
        EXPECT_EQ(lines(chain->pane(chain->paneCount() - 1)), c.rows);
    }
}

TEST(Kinds, WordRowsSplitAndFoldCase)
{
    // Words|Visitor|Exit|Rank|Click. Phrases: "foo bar" (V1 rank 3, V5 rank 12),
    // "Foo  baz" (V3 rank 15), "foo baz" (V5 rank 1).
    struct WordCase
    {
        unsigned flags;
        std::vector<std::string> rows;
    };
    const std::vector<WordCase> cases = {
        // Whole phrases; "foo bar" and "foo baz" are not one phrase whatever the case.
        {0, {"foo bar|2|90.0|1.5|1.5", "Foo  baz|1|0|2.0|0", "foo baz|1|60.0|1|1.0"}},
        {kFlagCaps, {"foo bar|2|90.0|1.5|1.5", "Foo  baz|1|0|2.0|0", "foo baz|1|60.0|1|1.0"}},
        // Words: V5 counts once for "foo" although two of its page views hold it.
        {kFlagSplit | kFlagCaps,
         {"bar|2|90.0|1.5|1.5", "baz|2|30.0|1.5|0.5", "foo|2|90.0|1.3|1.5", "Foo|1|0|2.0|0"}},
        // Foo and foo are one row, shown as the one first in byte order.
        {kFlagSplit, {"Foo|3|60.0|1.5|1.0", "bar|2|90.0|1.5|1.5", "baz|2|30.0|1.5|0.5"}},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto chain = run({{Kind::SearchWord, c.flags}});
        EXPECT_EQ(lines(chain->pane(0)), c.rows);
        EXPECT_EQ(chain->pane(0).inputCount(), 5u);
    }
}

TEST(Kinds, WordSelectionSurvivesModeChanges)
{
    const auto chain = run({{Kind::SearchWord, kFlagSplit | kFlagCaps, {"bar"}}});
    PaneModel& pane = chain->pane(0);
    // "bar" stands for the entries of "foo bar": V1 and V5 pass.
    EXPECT_EQ(pane.apply(chain->log(), paneBit(0)), 2u);
    const struct
    {
        unsigned flags;
        std::vector<std::string> selected;
    } modes[] = {
        {0, {"foo bar"}},
        {kFlagSplit, {"Foo", "bar"}},
        {kFlagSplit | kFlagCaps, {"bar", "foo"}},
    };
    for (const auto& m : modes) {
        pane.setFlags(m.flags);
        pane.compute(chain->log(), chain->inputOf(0), true);
        std::vector<std::string> selected;
        for (const std::size_t r : pane.selectedRows())
            selected.emplace_back(pane.keyText(r));
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, m.selected) << m.flags;
    }
}

TEST(Kinds, RankSeriesOfTheSelectedWords)
{
    // "bar" holds the entries of "foo bar": V1 at 0 s with rank 3 (page 1), V5 at 4000 s
    // with rank 12 (page 2). Hours from 0 s; a start after V1 leaves it out.
    const auto chain = run({{Kind::SearchWord, kFlagSplit | kFlagCaps, {"bar"}}});
    const PaneModel& pane = chain->pane(0);
    const struct
    {
        std::uint32_t start;
        std::vector<std::uint64_t> sums;
        std::vector<std::uint32_t> counts;
    } cases[] = {
        {kDay1, {1, 2, 0}, {1, 1, 0}},
        {kDay1 + 1, {0, 2, 0}, {0, 1, 0}}, // V1's view lies before the start
    };
    for (const auto& c : cases) {
        std::vector<RankBucket> buckets(3);
        pane.rankSeries(chain->log(), paneBit(0), c.start, 3600, buckets);
        for (std::size_t b = 0; b < buckets.size(); ++b) {
            EXPECT_EQ(buckets[b].sum, c.sums[b]) << c.start << " bucket " << b;
            EXPECT_EQ(buckets[b].count, c.counts[b]) << c.start << " bucket " << b;
        }
    }
}

TEST(Kinds, TopLevelDomainAndDomainCuts)
{
    const struct
    {
        std::string host, tld, domain;
    } cases[] = {
        {"com.example.host1", "com", "com.example"},
        {"jp.co.example.host1", "jp.co", "jp.co.example"},
        {"jp.ne.example", "jp.ne", "jp.ne.example"},
        {"jp.example.host1", "jp", "jp.example"},
        {"jp.abc.example", "jp", "jp.abc"}, // a second label of three bytes
        {"jp.ac.example.host1", "jp.ac", "jp.ac.example"},
        {"net.example", "net", "net.example"},
        {"localhost", "localhost", "localhost"},
        {"jp.co", "jp", "jp.co"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.host.substr(0, topLevelDomainLength(c.host)), c.tld) << c.host;
        EXPECT_EQ(c.host.substr(0, domainLength(c.host)), c.domain) << c.host;
    }
}

TEST(Kinds, ColoursOfFirstColumnTexts)
{
    const auto chain = run({{Kind::Ref, kFlagGroup}});
    const PaneModel& refs = chain->pane(0);
    // The group http://other.example purple, a plain outside referer blue, no referer grey.
    EXPECT_EQ(refs.keyColour(0), 0x880000u);
    EXPECT_EQ(refs.keyColour(1), 0x440044u);
    EXPECT_EQ(refs.keyColour(2), 0x888888u);

    const auto pages = run({{Kind::Req, kFlagGroup}});
    EXPECT_EQ(pages->pane(0).keyColour(0), 0x003366u); // /shop, a group
    EXPECT_EQ(pages->pane(0).keyColour(1), 0x004400u); // /c

    const auto browsers = run({{Kind::Browser}});
    EXPECT_EQ(browsers->pane(0).keyColour(0), 0x000000u); // Firefox 138, classified
    EXPECT_EQ(browsers->pane(0).keyColour(2), 0x888888u); // curl/8.5, a raw agent
}

TEST(Kinds, Descriptions)
{
    const std::string other = "http://other.example/page";
    const struct
    {
        std::vector<PaneSpec> panes;
        std::string sentence; // UTF-8
    } cases[] = {
        {{{Kind::HostName, 0, {"com.example.mail"}}}, "\"com.example.mail\"からの訪問者"},
        {{{Kind::Ref, 0, {other, "no referer"}}},
         "\"no referer\"または\"" + other + "\"を閲覧した訪問者"},
        {{{Kind::Req, 0, {"/a"}}, {Kind::Req, kFlagPath, {"/b"}}},
         "[2.]の次に\"/b\"を閲覧した訪問者"},
        {{{Kind::Req, 0, {"/c"}}, {Kind::Ref, kFlagBypass}, {Kind::Query, kFlagPath, {"x=1"}}},
         "[2.]へ\"x=1\"のQueryでの訪問者"},
        // The words of the rows that hold the selected entries: "Foo" holds "foo bar" too.
        {{{Kind::SearchWord, kFlagSplit, {"bar"}}}, "\"Foo\"または\"bar\"の検索結果からの訪問者"},
        {{{Kind::Req, 0, {"/nowhere"}}}, ""},
    };
    for (const auto& c : cases) {
        const auto chain = run(c.panes);
        const std::size_t last = chain->paneCount() - 1;
        const std::vector<std::string> labels = chain->labels();
        const int before = dependencyPosition(chain->bypassed(), static_cast<int>(last));
        const std::string label = before >= 0 ? labels[static_cast<std::size_t>(before)] : "";
        EXPECT_EQ(platform::cp932ToUtf8(chain->pane(last).describe(label)), c.sentence);
    }
}

} // namespace

namespace {

using RowTuple = std::tuple<const char*, std::uint32_t, float, float>;

// A refresh and a selection: the rows in key order, and the visitors the selection passes.
std::pair<std::vector<RowTuple>, std::vector<bool>> refresh(RowAccumulator& a,
                                                            store::LogContainer& log,
                                                            std::uint32_t dependency,
                                                            const ExtractContext& ctx)
{
    constexpr std::uint32_t own = 1u << 31;
    std::vector<StatRow> rows;
    a.run(log, dependency, ctx, rows, nullptr);
    std::vector<RowTuple> out;
    KeySet selection;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out.emplace_back(rows[i].key, rows[i].visitors, rows[i].hitsPerVisitor,
                         rows[i].stayPerVisitor);
        if (i % 2 == 0)
            selection.insert(rows[i].key);
    }
    std::sort(out.begin(), out.end());
    a.apply(log, dependency, own, ctx, selection);
    std::vector<bool> passed;
    for (const store::VisitorEntry& v : log.Visitors)
        passed.push_back((v.mask & own) != 0);
    return {out, passed};
}

} // namespace

// The visitor loops cut into parts on threads of their own, and the codes kept in record
// order, give what one loop reading each record's fragment gives: for every kind that reads
// page views, for the whole log as input and for a few visitors.
TEST(Kinds, SameRowsForAnySplitOfTheVisitors)
{
    store::LogContainer& log = vxtest::filterLog();
    std::vector<std::uint32_t> masks;
    for (const store::VisitorEntry& v : log.Visitors)
        masks.push_back(v.mask);
    constexpr std::uint32_t all = 1u << 29, few = 1u << 30;
    for (std::size_t i = 0; i < log.Visitors.size(); ++i)
        log.Visitors[i].mask |= all | (i % 3 == 1 ? few : 0);

    struct Case
    {
        Kind kind;
        bool group;
    };
    const Case cases[] = {{Kind::Req, false},     {Kind::Req, true},    {Kind::ReqBegin, false},
                          {Kind::ReqEnd, false},  {Kind::Query, false}, {Kind::Ref, false},
                          {Kind::Ref, true},      {Kind::Agent, false}, {Kind::SearchName, false},
                          {Kind::Browser, false}, {Kind::Os, false},    {Kind::VisitorKind, false}};
    for (const Case& c : cases) {
        ExtractContext ctx;
        ctx.kind = c.kind;
        ctx.group = c.group;
        ctx.log = &log;
        for (const std::uint32_t dependency : {all, few}) {
            const std::string what = std::string(kindInfo(c.kind).className) +
                                     (c.group ? ",group" : "") +
                                     (dependency == few ? " few" : " all");
            ::setenv("VEXILO_JOBS", "1", 1);
            RowAccumulator one;
            const auto expected = refresh(one, log, dependency, ctx);
            ::setenv("VEXILO_JOBS", "3", 1);
            setRecordsPerPart(1);
            RowAccumulator split, kept;
            refresh(kept, log, all, ctx); // its codes in record order stay for the next one
            const auto fresh = refresh(split, log, dependency, ctx);
            const auto again = refresh(kept, log, dependency, ctx);
            setRecordsPerPart(250000);
            ::unsetenv("VEXILO_JOBS");
            EXPECT_FALSE(expected.first.empty()) << what;
            EXPECT_EQ(fresh, expected) << what;
            EXPECT_EQ(again, expected) << what;
        }
    }
    // The search-word rows: whole phrases and split words, in parts as in one loop.
    using WordTuple = std::tuple<std::string, std::uint32_t, std::uint32_t, float, float, float>;
    const auto words = [&](std::uint32_t dependency, bool split) {
        WordRows w;
        w.compute(log, dependency, split, false);
        std::vector<WordTuple> out;
        EntrySet selection;
        for (std::size_t i = 0; i < w.rows().size(); ++i) {
            const WordRow& r = w.rows()[i];
            out.emplace_back(r.word, r.visitors, r.hits, r.stayPerVisitor, r.resultPagePerHit,
                             r.clicksPerVisitor);
            if (i % 2 == 0)
                for (const store::RefQEntry* e : w.entries(r))
                    selection.insert(e);
        }
        w.apply(log, dependency, 1u << 31, selection);
        std::vector<bool> passed;
        for (const store::VisitorEntry& v : log.Visitors)
            passed.push_back((v.mask & (1u << 31)) != 0);
        return std::make_pair(out, passed);
    };
    for (const std::uint32_t dependency : {all, few})
        for (const bool split : {false, true}) {
            ::setenv("VEXILO_JOBS", "1", 1);
            const auto expected = words(dependency, split);
            ::setenv("VEXILO_JOBS", "3", 1);
            setRecordsPerPart(1);
            const auto parts = words(dependency, split);
            setRecordsPerPart(250000);
            ::unsetenv("VEXILO_JOBS");
            EXPECT_FALSE(expected.first.empty() && dependency == all);
            EXPECT_EQ(parts, expected) << (split ? "split " : "") << dependency;
        }
    for (std::size_t i = 0; i < log.Visitors.size(); ++i)
        log.Visitors[i].mask = masks[i];
}
