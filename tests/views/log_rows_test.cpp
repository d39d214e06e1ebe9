// The log view's rows: gathering by stage and page chooser, sorts, cells, colours and the
// selection, on the small log of views_log.h.

#include "filters/chain_runner.h"
#include "platform/codepage.h"
#include "views/log_rows.h"
#include "views_log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace views;

constexpr std::int64_t kDay1 = 1790812800;

// The whole log in a chain whose panes select the given first-column texts.
std::unique_ptr<filters::Chain> chain(const std::vector<filters::PaneSpec>& panes = {})
{
    auto c = std::make_unique<filters::Chain>(vxtest::viewsLog());
    filters::ChainSpec spec;
    spec.period = true;
    spec.firstDay = kDay1;
    spec.lastDay = kDay1 + 3 * 86400;
    spec.panes = panes;
    EXPECT_EQ(filters::runChain(*c, spec).result, 0);
    return c;
}

// Seconds after day 1 of every row, in order.
std::vector<std::int64_t> seconds(const LogRows& rows)
{
    std::vector<std::int64_t> out;
    for (std::size_t r = 0; r < rows.rowCount(); ++r)
        out.push_back(rows.record(r)->time - kDay1);
    return out;
}

std::vector<std::string> column(const LogRows& rows, int c)
{
    std::vector<std::string> out;
    for (std::size_t r = 0; r < rows.rowCount(); ++r)
        out.push_back(rows.cellText(r, c));
    return out;
}

int rowAt(const LogRows& rows, std::int64_t second)
{
    for (std::size_t r = 0; r < rows.rowCount(); ++r)
        if (rows.record(r)->time == kDay1 + second)
            return static_cast<int>(r);
    return -1;
}

TEST(LogRows, CellsInDisplayOrder)
{
    const auto c = chain();
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    ASSERT_EQ(rows.rowCount(), 14u);
    const struct
    {
        std::int64_t second;
        std::string cells; // UTF-8, display order, joined by "|"
        HostState host;
        Weekend weekend;
    } cases[] = {
        {0, "jp.co.example.host1|10/01 00:00:00|/a|Finder:foo|" + vxtest::kFirefox,
         HostState::Named, Weekend::None},
        {60, "jp.co.example.host1|10/01 00:01:00|/b?x=1|/a|" + vxtest::kFirefox, HostState::Named,
         Weekend::None},
        // A search word without an engine name.
        {1000, "#10.0.0.2|10/01 00:16:40|/b|検索:bar|" + vxtest::kChrome, HostState::Pending,
         Weekend::None},
        {2000, "10.0.0.3|10/01 00:33:20|/c|http://other.example/page?from=mail|curl/8.5",
         HostState::NoName, Weekend::None},
        {3000,
         "com.example.host4|10/01 00:50:00|/a|http://other.example/page?from=mail|" +
             vxtest::kFirefox,
         HostState::Named, Weekend::None},
        {176400, "net.example.host5|10/03 01:00:00|/a|http://other.example/|" + vxtest::kChrome,
         HostState::Named, Weekend::Saturday},
        {176460, "net.example.host5|10/03 01:01:00|/c||" + vxtest::kChrome, HostState::Named,
         Weekend::Saturday},
        {266400, "jp.co.example.host1|10/04 02:00:00|/a||" + vxtest::kFirefox, HostState::Named,
         Weekend::Sunday},
    };
    for (const auto& k : cases) {
        const int r = rowAt(rows, k.second);
        ASSERT_GE(r, 0) << k.second;
        std::string cells;
        for (const int col : kLogDisplayOrder) {
            if (col != kLogDisplayOrder[0])
                cells += '|';
            cells += rows.cellText(static_cast<std::size_t>(r), col);
        }
        EXPECT_EQ(platform::cp932ToUtf8(cells), k.cells);
        EXPECT_EQ(rows.hostState(static_cast<std::size_t>(r)), k.host) << k.second;
        EXPECT_EQ(rows.weekend(static_cast<std::size_t>(r)), k.weekend) << k.second;
    }
    EXPECT_EQ(rows.cellText(14, kLogTime), ""); // past the end: no text
    EXPECT_EQ(rows.record(14), nullptr);
}

TEST(LogRows, SortsByHeaderClicks)
{
    const auto c = chain();
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    const std::vector<std::int64_t> ascending = seconds(rows);
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end())); // the initial sort

    // Time twice: newest first.
    rows.clickColumn(kLogTime);
    EXPECT_EQ(rows.sortType(), 1u);
    std::vector<std::int64_t> newest = seconds(rows);
    EXPECT_EQ(newest, std::vector<std::int64_t>(ascending.rbegin(), ascending.rend()));

    // Then UserAgent: ascending agents, each agent's rows oldest first.
    rows.clickColumn(kLogAgent);
    EXPECT_EQ(rows.sortType(), 8u);
    const std::vector<std::string> agents = column(rows, kLogAgent);
    const std::vector<std::int64_t> times = seconds(rows);
    for (std::size_t r = 1; r < rows.rowCount(); ++r) {
        const int order = platform::compareDictionary(agents[r - 1], agents[r]);
        EXPECT_LE(order, 0) << r;
        if (order == 0) {
            EXPECT_LT(times[r - 1], times[r]) << r;
        }
    }
    EXPECT_EQ(agents.front(), vxtest::kCurl);

    // IP: hosts not known yet first (by address), then no name, then names; descending
    // reverses the hosts but keeps each host's rows oldest first.
    const std::vector<std::string> hosts = {"#10.0.0.2",
                                            "#192.0.2.99",
                                            "#192.0.2.99",
                                            "#192.0.2.99",
                                            "10.0.0.3",
                                            "10.0.0.3",
                                            "10.0.0.3",
                                            "com.example.host4",
                                            "jp.co.example.host1",
                                            "jp.co.example.host1",
                                            "jp.co.example.host1",
                                            "jp.co.example.host1",
                                            "net.example.host5",
                                            "net.example.host5"};
    rows.clickColumn(kLogHost);
    EXPECT_EQ(column(rows, kLogHost), hosts);
    EXPECT_EQ(seconds(rows)[8], 0);
    rows.clickColumn(kLogHost);
    EXPECT_EQ(rows.sortType(), 3u);
    EXPECT_EQ(column(rows, kLogHost), std::vector<std::string>(hosts.rbegin(), hosts.rend()));
    EXPECT_EQ(seconds(rows)[2], 0); // after the two rows of net.example.host5

    // Request: path, then query; ties oldest first.
    rows.clickColumn(kLogRequest);
    const std::vector<std::string> requests = column(rows, kLogRequest);
    EXPECT_EQ(requests[6], "/b");
    EXPECT_EQ(requests[9], "/b?x=1");
    EXPECT_TRUE(std::is_sorted(requests.begin(), requests.end()));

    // An unknown type sorts as the initial one.
    rows.sort(99);
    EXPECT_EQ(seconds(rows), ascending);
}

TEST(LogRows, PageChooserNarrowsTheRows)
{
    const auto c = chain();
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    PageChooser& chooser = rows.chooser();
    ASSERT_GT(chooser.size(), 1u);
    EXPECT_EQ(chooser.entry(0), nullptr);
    EXPECT_EQ(chooser.chosen(), 0);
    // Groups, not their members: /b is in /shop; each name once, in dictionary order.
    EXPECT_LT(chooser.findText("/b"), 0);
    for (std::size_t i = 2; i < chooser.size(); ++i)
        EXPECT_LT(platform::compareDictionary(chooser.entry(i - 1), chooser.entry(i)), 0) << i;

    const struct
    {
        const char* entry;
        std::vector<std::int64_t> seconds;
    } cases[] = {
        {"/shop", {60, 1000, 2100, 87010}},                 // the requests of pages in the group
        {"http://other.example", {2000, 2060, 2100, 3000}}, // the referers in the group
        {"http://other.example/", {176400}},
        {"/a", {0, 2060, 3000, 87000, 176400, 266400}}, // requests only, not local referers
    };
    for (const auto& k : cases) {
        const int i = chooser.findText(k.entry);
        ASSERT_GT(i, 0) << k.entry;
        chooser.choose(static_cast<std::size_t>(i));
        rows.refresh(c->log(), filters::kPeriodBit);
        EXPECT_EQ(platform::cp932ToUtf8(chooser.chosenEntry()), k.entry);
        EXPECT_EQ(seconds(rows), k.seconds) << k.entry;
    }
}

TEST(LogRows, ChoiceFallsBackToEverythingWhenNotOffered)
{
    // Only V2 came from nosearch.example; the stage of the page /c does not hold V2.
    const auto c = chain({{filters::Kind::Req, 0, {"/c"}}});
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    const int i = rows.chooser().findText("http://nosearch.example/find");
    ASSERT_GT(i, 0);
    rows.chooser().choose(static_cast<std::size_t>(i));
    rows.refresh(c->log(), filters::kPeriodBit);
    EXPECT_EQ(seconds(rows), std::vector<std::int64_t>{1000});

    rows.refresh(c->log(), filters::paneBit(0));
    EXPECT_EQ(rows.chooser().chosen(), 0);
    // The list shows what the chooser says: every record of the stage (V1, V3, the site
    // visitor, V5), not the empty list of a name the stage does not have.
    EXPECT_EQ(seconds(rows), (std::vector<std::int64_t>{0, 60, 120, 2000, 2060, 2100, 87000, 87010,
                                                        87020, 176400, 176460}));
}

TEST(LogRows, SelectionFollowsTheRecords)
{
    const auto c = chain();
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    const std::size_t picked[] = {rows.rowCount() - 1, 3, 99};
    rows.setSelection(picked); // the row past the end is ignored
    const std::vector<std::int64_t> chosen = {seconds(rows)[3], seconds(rows).back()};
    for (const int type : {1, 4, 9, 0}) {
        rows.sort(static_cast<unsigned>(type));
        rows.refresh(c->log(), filters::kPeriodBit);
        std::vector<std::int64_t> selected;
        for (const std::size_t r : rows.selectedRows()) {
            EXPECT_TRUE(rows.rowSelected(r));
            selected.push_back(rows.record(r)->time - kDay1);
        }
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, chosen) << type;
    }
    rows.close();
    EXPECT_EQ(rows.rowCount(), 0u);
    EXPECT_TRUE(rows.chooser().empty());
    EXPECT_TRUE(rows.selectedRows().empty());
}

class VisitedOther final : public VisitedUrls
{
  public:
    bool visited(std::string_view url) const override
    {
        return url == vxtest::kOtherPage + "?from=mail";
    }
};

TEST(LogRows, ColoursAndLinks)
{
    const auto c = chain();
    LogRows rows;
    rows.refresh(c->log(), filters::kPeriodBit);
    const VisitedOther visited;
    const struct
    {
        std::int64_t second;
        int column;
        unsigned blink;
        std::uint32_t colour;
    } cases[] = {
        {1000, kLogHost, 0, kLogHostPending[0]},
        {1000, kLogHost, 1, kLogHostPending[1]}, // blinks
        {2000, kLogHost, 0, kLogHostNoName},
        {0, kLogHost, 1, kLogText},
        {0, kLogRequest, 0, kLogLocalPage},
        {60, kLogReferer, 0, kLogLocalPage},        // a page of the site
        {0, kLogReferer, 0, kColourLink},           // a search referer
        {2000, kLogReferer, 0, kColourVisitedLink}, // visited
        {2060, kLogReferer, 0, kColourLink},        // same page, another query
        {266400, kLogReferer, 0, kLogText},         // no referer
        {0, kLogAgent, 0, kLogText},
    };
    for (const auto& k : cases) {
        const auto r = static_cast<std::size_t>(rowAt(rows, k.second));
        EXPECT_EQ(rows.textColour(r, k.column, false, k.blink, visited), k.colour)
            << k.second << " column " << k.column;
        EXPECT_EQ(rows.textColour(r, k.column, true, k.blink, visited), kLogSelectedText);
    }
    const auto at = [&](std::int64_t s) { return static_cast<std::size_t>(rowAt(rows, s)); };
    EXPECT_EQ(rows.refererToOpen(at(2000)), vxtest::kOtherPage + "?from=mail");
    EXPECT_EQ(rows.refererToOpen(at(0)), "https://search.example/find?q=foo&r=3");
    EXPECT_TRUE(rows.refererIsLink(at(0)));
    EXPECT_FALSE(rows.refererIsLink(at(60))); // a local page: no hand, nothing opened
    EXPECT_EQ(rows.refererToOpen(at(60)), "");
    EXPECT_FALSE(rows.refererIsLink(at(266400)));
    EXPECT_TRUE(rows.hasAddress(at(1000), 0x0A000002));
    EXPECT_FALSE(rows.hasAddress(at(0), 0x0A000002));
}

TEST(Links, OnlyWebAddressesAreOpened)
{
    const struct
    {
        const char* url;
        bool open;
    } cases[] = {
        {"http://example.com/a?b=c", true},
        {"https://example.com", true},
        {"http://", false},
        {"https:///etc/passwd", false},
        {"/index.html", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"HTTP://example.com", false},
        {"http://a b", false},
        {"http://a\tb", false},
        {"-http://example.com", false},
        {"http://example.com/\x7f", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isOpenableUrl(c.url), c.open) << c.url;
    EXPECT_FALSE(noVisitedUrls().visited("http://example.com"));
}

} // namespace
