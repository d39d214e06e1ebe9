// The graph view's buckets, drawing values, state text and CSV export.

#include "filters/chain_runner.h"
#include "platform/codepage.h"
#include "views/graph_csv.h"
#include "views/graph_model.h"
#include "views_log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace views;

constexpr std::uint32_t kDay1 = 1790812800; // 2026-10-01 00:00, a Thursday

// Visitors made by hand: one record each, at kDay1 + second, with a mask.
struct Visitors
{
    Visitors(std::initializer_list<std::pair<std::int64_t, std::uint32_t>> list)
    {
        records.reserve(list.size());
        for (const auto& [second, mask] : list) {
            records.push_back({static_cast<std::uint32_t>(kDay1 + second), nullptr, nullptr});
            entries.push_back({&records.back(), 1, mask});
        }
    }
    std::vector<store::LogRecord> records;
    std::vector<store::VisitorEntry> entries;
};

std::vector<GraphPane> panes(std::initializer_list<bool> bypassed)
{
    std::vector<GraphPane> out;
    for (const bool b : bypassed)
        out.push_back({b ? "-." : std::to_string(out.size() + 2) + ".", "閲覧ページ", b, false});
    return out;
}

TEST(GraphBuckets, HoursUpToTwoDaysDaysBeyond)
{
    const struct
    {
        const char* name;
        std::int64_t first, last; // seconds after day 1, both in the period
        std::uint32_t length, start;
        std::size_t buckets;
    } cases[] = {
        {"36 hours", 1800, 1800 + 36 * 3600, kHourBucket, kDay1, 37},
        {"49 hours", 1800, 1800 + 49 * 3600, kDayBucket, kDay1, 3},
        {"172799 s", 0, 172799, kHourBucket, kDay1, 48},
        {"172800 s", 0, 172800, kDayBucket, kDay1, 3},
        {"one visitor", 7300, 7300, kHourBucket, kDay1 + 7200, 1},
    };
    for (const auto& c : cases) {
        // Outside the period: before and after the range, and in it without bit 0.
        Visitors v{
            {c.first, 1}, {c.last, 3}, {c.first - 90000, 2}, {c.last + 90000, 6}, {c.last, 4}};
        GraphBuckets b;
        b.compute(v.entries);
        EXPECT_EQ(b.length(), c.length) << c.name;
        EXPECT_EQ(b.start(), c.start) << c.name;
        ASSERT_EQ(b.size(), c.buckets) << c.name;
        EXPECT_EQ(b.total(0), 2u) << c.name;
        EXPECT_EQ(b.total(1), 1u) << c.name;
        EXPECT_EQ(b.total(2), 1u) << c.name; // the visitor without bit 0 inside the range
        EXPECT_EQ(b.counts(b.size() - 1)[2], 1u) << c.name;
    }
    Visitors none{{0, 2}, {100, 0}};
    GraphBuckets b;
    b.compute(none.entries);
    EXPECT_TRUE(b.empty());
}

TEST(GraphModel, StagesBaseAndPercent)
{
    // Hour 0: period 4, stage 1 2, stage 2 1, stage 3 1; hour 1: period 2, nobody further.
    Visitors v{{0, 0b1111}, {60, 0b0011}, {120, 0b0001}, {180, 0b0001}, {3600, 1}, {3700, 1}};
    const struct
    {
        const char* state;
        std::vector<bool> bypassed;
        std::vector<int> stages;
        int base;
        std::vector<double> hour0; // values of the stages drawn in hour 0
        bool hour1;                // whether they have a value in hour 1
        int scale;
    } cases[] = {
        {"V1", {false, false, false}, {0, 1, 2, 3}, 0, {4, 2, 1, 1}, true, 4},
        {"%1", {false, false, false}, {0, 1, 2, 3}, 0, {100, 50, 25, 25}, true, 100},
        // Stage 1 itself is at 100 % wherever it has visitors; hour 1 has none: no value.
        {"%2", {false, false, false}, {1, 2, 3}, 1, {100, 50, 50}, false, 100},
        // A bypassed source: not drawn, the base is the stage before it.
        {"%3", {false, true, false}, {3}, 1, {50}, false, 50},
        {"%2", {true, true, false}, {3}, 0, {25}, true, 25},
        // Beyond the panes: nothing is drawn, and nothing reads a stage that does not exist.
        {"%8", {false, false, false}, {}, -1, {}, false, 1},
        {"V5", {false}, {}, -1, {}, false, 1},
    };
    for (const auto& c : cases) {
        GraphModel g;
        applyGraphStateText(g.state(), c.state);
        std::vector<GraphPane> p;
        for (const bool b : c.bypassed)
            p.push_back({"2.", "x", b, false});
        g.recompute(v.entries, p, nullptr);
        EXPECT_EQ(g.displayedStages(), c.stages) << c.state;
        EXPECT_EQ(g.baseStage(), c.base) << c.state;
        std::vector<double> hour0;
        for (const int s : g.displayedStages()) {
            hour0.push_back(g.value(0, s).value_or(-1));
            EXPECT_EQ(g.value(1, s).has_value(), c.hour1) << c.state << " stage " << s;
        }
        EXPECT_EQ(hour0, c.hour0) << c.state;
        EXPECT_EQ(g.scaleMax(), c.scale) << c.state;
        EXPECT_EQ(g.value(0, 7), std::nullopt) << c.state;
    }
}

TEST(GraphModel, ScalesLabelsAndTotals)
{
    // Source stage 1 bypassed: stage 2 is drawn against stage 0, where one in three visitors
    // of day 1 reaches it: 33.3.. % rounds up to 34.
    Visitors v{{0, 0b101}, {10, 1}, {20, 1}, {86400 * 2 + 10, 1}};
    GraphModel g;
    g.state().source = 1;
    g.recompute(v.entries, panes({true, false}),
                [](std::uint32_t, std::uint32_t, std::span<filters::RankBucket> r) {
                    r[0] = {21, 2}; // 10.5: the axis goes to 20
                    r[2] = {1, 1};
                    return true;
                });
    EXPECT_EQ(g.buckets().length(), kDayBucket);
    EXPECT_EQ(g.displayedStages(), std::vector<int>{2});
    EXPECT_EQ(g.scaleMax(), 1);
    EXPECT_EQ(g.scaleLabel(1), "1");
    g.state().percent = true;
    EXPECT_EQ(g.scaleMax(), 34);
    EXPECT_EQ(g.scaleLabel(34), "34%");
    EXPECT_EQ(g.timeLabel(2), "10/03");
    EXPECT_EQ(g.weekend(2), Weekend::Saturday);
    EXPECT_EQ(g.weekend(1), Weekend::None);
    EXPECT_TRUE(g.startsDay(1));
    EXPECT_EQ(g.rankAverage(0), 10.5);
    EXPECT_EQ(g.rankAverage(1), std::nullopt);
    EXPECT_EQ(g.rankScaleMax(), 20);
    EXPECT_EQ(GraphModel::rankLabel(1), "1 Rank");
    EXPECT_EQ(GraphModel::rankLabel(10), "10");
    EXPECT_EQ(g.totalText(2), "1");
    EXPECT_EQ(g.shareText(2), "25.0%");
    EXPECT_DOUBLE_EQ(g.sweep(2), 90.0);
    EXPECT_DOUBLE_EQ(g.sweep(0), 360.0);

    // Hours: the label is the hour; Sunday 2026-10-04.
    Visitors sunday{{3 * 86400 + 5 * 3600, 1}};
    g.recompute(sunday.entries, {}, nullptr);
    EXPECT_EQ(g.timeLabel(0), "05");
    EXPECT_EQ(g.weekend(0), Weekend::Sunday);
    EXPECT_FALSE(g.startsDay(0));
    EXPECT_EQ(g.rankScaleMax(), 10); // no searches: still a scale
    g.close();
    EXPECT_TRUE(g.buckets().empty());
    EXPECT_EQ(g.sweep(0), 0.0);
}

TEST(GraphState, Texts)
{
    const struct
    {
        const char* text;
        GraphState before;
        int source;
        bool percent;
    } cases[] = {
        {"%2", {0, false, false}, 1, true},   {"V3", {0, true, false}, 2, false},
        {"%", {4, false, false}, 4, true},    // the source stays
        {"1V", {3, true, false}, 0, false},   // the period
        {"8", {0, false, false}, 7, false},   // the last source the button knows
        {"90x", {2, true, false}, 2, true},   // other characters change nothing
        {"V2%5", {0, false, false}, 4, true}, // read in order
    };
    for (const auto& c : cases) {
        GraphState s = c.before;
        applyGraphStateText(s, c.text);
        EXPECT_EQ(s.source, c.source) << c.text;
        EXPECT_EQ(s.percent, c.percent) << c.text;
        GraphState again;
        applyGraphStateText(again, graphStateText(s));
        EXPECT_EQ(again.source, s.source) << c.text;
        EXPECT_EQ(again.percent, s.percent) << c.text;
    }
}

// The whole log in one chain: a page pane (its top row /a) and optionally a search-word
// pane (its top row, the one word of the visitors of /a: foo, rank 3).
struct GraphRun
{
    explicit GraphRun(bool searchWord, bool rank)
    {
        filters::ChainSpec spec;
        spec.period = true;
        spec.firstDay = kDay1;
        spec.lastDay = kDay1 + 3 * 86400;
        spec.panes.emplace_back(filters::Kind::Req);
        if (searchWord)
            spec.panes.emplace_back(filters::Kind::SearchWord);
        EXPECT_EQ(filters::runChain(chain, spec).result, 0);
        graph.state().rank = rank;
        graph.recompute(chain.log().Visitors, graphPanesOf(chain), rankSeriesOf(chain));
    }
    filters::Chain chain{vxtest::viewsLog()};
    GraphModel graph;
};

TEST(GraphCsv, RankOnlyWithASearchWordPane)
{
    const struct
    {
        bool searchWord, rank;
        bool enabled;
        const char* header; // UTF-8
        std::vector<std::string> lines;
    } cases[] = {
        {false,
         true,
         false,
         "日付,1. 期間,2. 閲覧ページ",
         {"2026/10/01,4,3", "2026/10/02,1,1", "2026/10/03,1,1", "2026/10/04,1,1"}},
        {true,
         false,
         true,
         "日付,1. 期間,2. 閲覧ページ,3. 検索ワード",
         {"2026/10/01,4,3,1", "2026/10/02,1,1,0", "2026/10/03,1,1,0", "2026/10/04,1,1,0"}},
        {true,
         true,
         true,
         "日付,1. 期間,2. 閲覧ページ,3. 検索ワード,Rank",
         {"2026/10/01,4,3,1,1.000000", "2026/10/02,1,1,0,", "2026/10/03,1,1,0,",
          "2026/10/04,1,1,0,"}},
    };
    for (const auto& c : cases) {
        GraphRun run(c.searchWord, c.rank);
        EXPECT_EQ(run.graph.rankEnabled(), c.enabled);
        std::string expected = platform::utf8ToCp932(c.header) + "\r\n";
        for (const std::string& line : c.lines)
            expected += line + "\r\n";
        EXPECT_EQ(run.graph.csv(), expected) << c.header;
    }
}

TEST(GraphCsv, HourBucketsAndEmptyPeriod)
{
    Visitors v{{3600 + 59, 1}, {3 * 3600, 3}};
    GraphBuckets b;
    b.compute(v.entries);
    b.ranks()[2] = {3, 2};
    const std::string header = platform::utf8ToCp932("日付,1. 期間") + ",-. ";
    EXPECT_EQ(graphCsv(b, panes({true}), true),
              header + platform::utf8ToCp932("閲覧ページ") +
                  ",Rank\r\n2026/10/01 01:00:00,1,0,\r\n2026/10/01 02:00:00,0,0,\r\n"
                  "2026/10/01 03:00:00,1,1,1.500000\r\n");
    b.clear();
    EXPECT_EQ(graphCsv(b, {}, false), platform::utf8ToCp932("日付,1. 期間") + "\r\n");
}

TEST(GraphCsv, AFailedExportLeavesTheFileAndSaysWhy)
{
    vxtest::TempDir dir;
    const std::string path = dir.file("graph.csv");
    vxtest::writeFile(path, "old");
    EXPECT_EQ(exportGraphCsv(path, "new\r\n"), 0);
    EXPECT_EQ(vxtest::readFile(path), "new\r\n");
    const int rc = exportGraphCsv(dir.file("missing/graph.csv"), "x");
    EXPECT_NE(rc, 0);
    EXPECT_EQ(vxtest::readFile(path), "new\r\n");
    char expected[64];
    std::snprintf(expected, sizeof expected, "Export graph failed\n\nerr=%d(0x%X)", rc,
                  static_cast<unsigned>(rc));
    EXPECT_EQ(exportGraphFailedText(rc), expected);
}

} // namespace
