// The chain's rules, the period filter, the refresh protocol and the saved states.

#include "filter_log.h"
#include "filters/chain_runner.h"
#include "platform/codepage.h"
#include "store/key_reference.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace filters;

constexpr std::int64_t kDay1 = 1790812800; // 2026-10-01

TEST(ChainRules, DependencyBitsAndLabels)
{
    const struct
    {
        std::vector<bool> bypassed;
        std::vector<std::uint32_t> dependency; // per position
        std::vector<std::string> labels;
    } cases[] = {
        {{false, false, false}, {1, 2, 4}, {"2.", "3.", "4."}},
        {{true, false}, {1, 1}, {"-.", "2."}}, // the second reads the period
        {{false, true, true, false}, {1, 2, 2, 2}, {"2.", "-.", "-.", "3."}},
        {{true, true, true}, {1, 1, 1}, {"-.", "-.", "-."}},
    };
    for (const auto& c : cases) {
        for (std::size_t p = 0; p < c.bypassed.size(); ++p)
            EXPECT_EQ(dependencyBit(c.bypassed, static_cast<int>(p)), c.dependency[p]) << p;
        EXPECT_EQ(numberLabels(c.bypassed), c.labels);
    }
}

TEST(ChainRules, RefreshDecisions)
{
    const struct
    {
        std::uint32_t dwUpdated, dependency, own;
        bool recompute, autoSelect, passOn;
        std::uint32_t passed;
    } cases[] = {
        {0, 1, 2, true, true, true, 2},            // a new chain pass
        {0xFFFF, 4, 8, true, true, true, 0xFFFF},  // everything
        {4, 4, 8, true, true, true, 12},           // the stage before changed
        {2, 4, 8, false, false, true, 10},         // another stage changed
        {0xFFFFFFFF, 4, 8, true, false, false, 0}, // restore: this pane only
        {kRefreshKindSwitch, 64, 128, true, true, true, 4095 | 128},
        {2, 4, 0, false, false, true, 2}, // a view adds no bit
    };
    for (const auto& c : cases) {
        const RefreshDecision d = refreshDecision(c.dwUpdated, c.dependency, c.own);
        EXPECT_EQ(d.recompute, c.recompute) << c.dwUpdated << "/" << c.dependency;
        EXPECT_EQ(d.autoSelect, c.autoSelect) << c.dwUpdated << "/" << c.dependency;
        EXPECT_EQ(d.passOn, c.passOn) << c.dwUpdated << "/" << c.dependency;
        EXPECT_EQ(d.passed, c.passed) << c.dwUpdated << "/" << c.dependency;
    }
    EXPECT_EQ(periodRefreshDecision(0).passed, 1u);
    EXPECT_FALSE(periodRefreshDecision(kRefreshSelfOnly).passOn);
    EXPECT_EQ(bypassToggledRefresh(paneBit(1)), 0xFFFFu | 4u);
}

TEST(ChainRules, MovesClosesAndSources)
{
    // Moving pane 2 (position 2) above pane 1: position 1 recomputes; no neighbour, no move.
    EXPECT_EQ(moveRefreshPosition(2, -1, 3), 1);
    EXPECT_EQ(moveRefreshPosition(1, +1, 3), 1);
    EXPECT_EQ(moveRefreshPosition(0, -1, 3), -1);
    EXPECT_EQ(moveRefreshPosition(2, +1, 3), -1);
    // Closing the middle of three refreshes the one that moved up; closing the last the one
    // before; closing the only pane refreshes nobody.
    EXPECT_EQ(closeRefreshPosition(1, 3), 1);
    EXPECT_EQ(closeRefreshPosition(2, 3), 1);
    EXPECT_EQ(closeRefreshPosition(0, 1), -1);
    EXPECT_EQ(clampSource(3, 2), 2);
    EXPECT_EQ(clampSource(1, 2), 1);
    // Four clicks with three panes come back to the start.
    int source = 2;
    for (int i = 0; i < 4; ++i)
        source = nextSource(source, 3);
    EXPECT_EQ(source, 2);
    EXPECT_EQ(accentColour(1), 0x7A3600u); // 0x994400 * 4 / 5 per component
    EXPECT_EQ(stageColour(7), stageColour(0));
}

// A log of `days` days with one visitor at noon of each day.
struct DaysLog
{
    explicit DaysLog(int days)
    {
        for (int d = 0; d < days; ++d)
            log.Rec2.push_back(
                {static_cast<std::uint32_t>(kDay1 + d * kDaySeconds + 43200), nullptr, nullptr});
        for (auto& r : log.Rec2)
            log.Visitors.push_back({&r, 1, 0});
    }
    store::LogContainer log;
};

TEST(Period, PreselectsTheLast31Days)
{
    for (const int days : {1, 10, 31, 32, 40}) {
        DaysLog d(days);
        PeriodFilter period;
        period.open(d.log);
        ASSERT_EQ(period.days().size(), static_cast<std::size_t>(days));
        EXPECT_EQ(period.to(), days - 1);
        EXPECT_EQ(period.to() - period.from() + 1, std::min(days, 31)) << days;
        EXPECT_EQ(period.apply(d.log.Visitors), static_cast<std::uint32_t>(std::min(days, 31)));
        EXPECT_EQ(d.log.Visitors.front().mask & 1, days <= 31 ? 1u : 0u) << days;
    }
}

TEST(Period, RestoresSavedDaysAndDescribes)
{
    DaysLog d(40);
    PeriodFilter period;
    period.open(d.log);
    const auto day = [](int n) { return static_cast<std::uint32_t>(kDay1 + n * kDaySeconds); };
    const struct
    {
        std::vector<std::uint32_t> numbers;
        int from, to;
        bool changed;
    } cases[] = {
        {{0, 0xFFFFFFFF}, 0, 39, true},       // the whole log
        {{day(5) + 100, day(2)}, 2, 5, true}, // days of any order and time
        {{day(2), day(5)}, 2, 5, false},      // the same again: nothing changes
        {{1, 2}, 0, 39, true},                // no such days: first and last
        {{1, 2, 3}, 0, 39, false},            // not two numbers: ignored
    };
    for (const auto& c : cases) {
        EXPECT_EQ(period.restore({"", {}, c.numbers}), c.changed) << c.from << "-" << c.to;
        EXPECT_EQ(period.from(), c.from);
        EXPECT_EQ(period.to(), c.to);
    }
    period.select(30, 0); // "to" before "from": exchanged
    EXPECT_EQ(period.from(), 0);
    EXPECT_EQ(period.to(), 30);
    EXPECT_EQ(platform::cp932ToUtf8(period.describe()), "2026/10/01から2026/10/31の訪問者");
    ViewState saved;
    period.save(saved);
    PeriodFilter again;
    again.open(d.log);
    EXPECT_TRUE(again.restore(saved));
    EXPECT_EQ(again.from(), 0);
    EXPECT_EQ(again.to(), 30);
    EXPECT_EQ(PeriodFilter::weekdayName(kDay1), std::string("木")); // a Thursday
}

TEST(Period, ParsesDays)
{
    EXPECT_EQ(PeriodFilter::parseDay("2026/10/01"), kDay1);
    for (const char* bad : {"2026/02/30", "2026/13/01", "2026-10-01", "26/10/01", "2026/10/1",
                            "2026/10/01x", "+026/10/01"})
        EXPECT_EQ(PeriodFilter::parseDay(bad), -1) << bad;
}

std::unique_ptr<Chain> dayOneChain(const std::vector<PaneSpec>& panes)
{
    auto chain = std::make_unique<Chain>(vxtest::filterLog());
    ChainSpec spec{true, kDay1, kDay1, panes, {}};
    EXPECT_EQ(runChain(*chain, spec).result, 0);
    return chain;
}

TEST(Protocol, BypassedPaneStillCountsButIsSkipped)
{
    auto chain = dayOneChain({{Kind::Req, kFlagBypass, {"/c"}}, {Kind::Browser}});
    // The second pane reads the period: all five visitors of day 1.
    EXPECT_EQ(chain->pane(1).inputCount(), 5u);
    // The bypassed pane computed its own rows and bit all the same.
    EXPECT_EQ(chain->pane(0).rowCount(), 3u);
    std::uint32_t withC = 0;
    for (const auto& v : chain->log().Visitors)
        withC += (v.mask >> 1) & 1;
    EXPECT_EQ(withC, 3u);
}

TEST(Protocol, SelectionChangeRecomputesOnlyLaterStagesOnce)
{
    auto chain = dayOneChain({{Kind::Req}, {Kind::Browser}, {Kind::HostName}});
    chain->refresh(0, 0); // a full pass
    const std::vector<int> before = chain->recomputes();
    const int views = chain->viewRefreshes();
    chain->selectRows(0, {0, 1}); // two rows in one gesture
    EXPECT_EQ(chain->recomputes()[0], before[0]);
    EXPECT_EQ(chain->recomputes()[1], before[1] + 1);
    EXPECT_EQ(chain->recomputes()[2], before[2] + 1);
    EXPECT_EQ(chain->viewRefreshes(), views + 1);
    EXPECT_EQ(chain->lastViewRefresh(), 2u | 4u | 8u);
}

TEST(Protocol, NewPaneSelectsTopRowAndEmptySelectionPassesNobody)
{
    auto chain = dayOneChain({{Kind::Req}, {Kind::Browser}});
    EXPECT_EQ(chain->pane(0).selectedRows(), std::vector<std::size_t>{0});
    EXPECT_EQ(chain->pane(1).inputCount(), 4u); // visitors of /b
    chain->selectRows(0, {});
    EXPECT_TRUE(chain->pane(0).selectionEmpty());
    EXPECT_EQ(chain->pane(1).inputCount(), 0u);
    EXPECT_EQ(chain->pane(1).rowCount(), 0u);
}

TEST(PaneState, FlagsTextsAndNumbersRestore)
{
    store::LogContainer& log = vxtest::filterLog();
    auto chain = dayOneChain({{Kind::Req, 0, {"/a"}}, {Kind::Req}});
    PaneModel& pane = chain->pane(1);
    const PaneInput input = chain->inputOf(1);
    const std::uint32_t own = paneBit(1);

    // "-R": bypassed, path mode on (the pane before hands over its selection).
    PaneModel::Restored r = pane.restore(log, input, own, {"-R", {"/b"}, {}});
    EXPECT_TRUE(pane.has(kFlagBypass));
    EXPECT_TRUE(pane.pathActive());
    EXPECT_EQ(pane.rowCount(), 1u); // only /b follows /a
    EXPECT_EQ(r.lastTextRow, 0);

    // "*g": bypass and group display off, path mode kept; unknown characters ignored.
    pane.setFlag(kFlagGroup, true);
    r = pane.restore(log, input, own, {"*gx", {"/a", "nowhere", "/a"}, {}});
    EXPECT_FALSE(pane.has(kFlagBypass));
    EXPECT_FALSE(pane.has(kFlagGroup));
    EXPECT_TRUE(pane.has(kFlagPath));
    EXPECT_EQ(r.unmatched, (std::vector<std::string>{"/a", "nowhere", "/a"}));
    EXPECT_TRUE(pane.selectionEmpty());

    // Numbers: a row number and a key reference; row numbers past the end select nothing.
    r = pane.restore(log, input, own, {"r", {}, {}});
    ASSERT_EQ(pane.rowCount(), 3u); // /a, /b, /c of the visitors of /a
    ASSERT_EQ(pane.keyText(0), "/a");
    const std::uint32_t refA = store::keyReference(log, pane.rowKey(0));
    ASSERT_GT(refA, kLastRowNumber);
    r = pane.restore(log, input, own, {"", {}, {1, refA, 7}});
    EXPECT_EQ(pane.selectedRows(), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(r.lastNumberRow, 0);
    ViewState saved;
    pane.save(saved);
    EXPECT_EQ(saved.texts, (std::vector<std::string>{"/a", "/b"}));
    // The selection went into the pane's bit, for its input only (V1, V3, V4).
    std::uint32_t passed = 0;
    for (const auto& v : log.Visitors)
        passed += (v.mask & own) ? 1 : 0;
    EXPECT_EQ(passed, 3u);
}

TEST(PaneState, NullItemSurvivesSaveAndRestore)
{
    store::LogContainer& log = vxtest::filterLog();
    auto chain = dayOneChain({{Kind::Ref, 0, {"no referer", "http://other.example/page"}}});
    PaneModel& pane = chain->pane(0);
    ViewState saved;
    pane.save(saved);
    EXPECT_EQ(saved.texts, std::vector<std::string>{"http://other.example/page"});
    EXPECT_EQ(saved.numbers, std::vector<std::uint32_t>{kNullItemNumber});
    const std::vector<std::size_t> before = pane.selectedRows();
    pane.restore(log, chain->inputOf(0), paneBit(0), {"", {}, {}});
    ASSERT_TRUE(pane.selectedRows().empty());
    pane.restore(log, chain->inputOf(0), paneBit(0), saved);
    EXPECT_EQ(pane.selectedRows(), before);
    // The null label is no text of the pane: it selects nothing.
    const auto r = pane.restore(log, chain->inputOf(0), paneBit(0), {"", {"no referer"}, {}});
    EXPECT_EQ(r.lastTextRow, -1);
    EXPECT_TRUE(pane.selectionEmpty());
}

TEST(Chain, DescriptionDialogText)
{
    auto chain =
        dayOneChain({{Kind::Req, 0, {"/a"}}, {Kind::Browser, kFlagBypass}, {Kind::Req, kFlagPath}});
    EXPECT_EQ(platform::cp932ToUtf8(chain->describe(2)),
              "[3. 閲覧ページ]は次のフィルタの順で訪問者集団を演算しています。\r\n"
              "----------\r\n"
              "[1. 期間] 2026/10/01から2026/10/01の訪問者\r\n"
              "[2. 閲覧ページ] \"/a\"を閲覧した訪問者\r\n"
              "[3. 閲覧ページ] [2.]の次に\"/b\"を閲覧した訪問者\r\n");
}

} // namespace
