// The referer view's rows over the whole store, on the small log of views_log.h.

#include "views/referer_rows.h"
#include "views_log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace views;

// "visitors address" per row, in order.
std::vector<std::string> lines(const RefererRows& rows)
{
    std::vector<std::string> out;
    for (std::size_t r = 0; r < rows.rowCount(); ++r)
        out.push_back(rows.cellText(r, kRefererVisitors) + " " + rows.cellText(r, kRefererAddress));
    return out;
}

TEST(RefererRows, OneRowPerAddressCountingVisitors)
{
    store::LogContainer& log = vxtest::viewsLog();
    const std::string page = vxtest::kOtherPage;
    const struct
    {
        std::string key;
        std::vector<std::string> rows; // in the initial sort
    } cases[] = {
        // V3 came with three queries (three rows), V4 with one of them too (2 visitors).
        {"http://other.example",
         {"2 " + page + "?from=mail", "1 " + page + "?from=feed", "1 " + page + "?from=news"}},
        // The same rows by the referer's own text, though it is shown in a group.
        {page,
         {"2 " + page + "?from=mail", "1 " + page + "?from=feed", "1 " + page + "?from=news"}},
        {"http://other.example/", {"1 http://other.example/"}},
        {"https://search.example/find", {"1 https://search.example/find?q=foo&r=3"}},
        // Every visitor of the store counts, in the period or not; a local referer too.
        {"/a", {"2 /a"}},
    };
    for (const auto& c : cases) {
        const char* key = vxtest::refererKey(log, c.key);
        ASSERT_NE(key, nullptr) << c.key;
        RefererRows rows;
        rows.show(log, key);
        EXPECT_EQ(lines(rows), c.rows) << c.key;
        EXPECT_EQ(rows.title(), c.key);
    }
}

TEST(RefererRows, SortsAndTitle)
{
    store::LogContainer& log = vxtest::viewsLog();
    RefererRows rows;
    rows.show(log, vxtest::refererKey(log, "http://other.example"));
    const std::string mail = vxtest::kOtherPage + "?from=mail";
    const std::string feed = vxtest::kOtherPage + "?from=feed";
    const std::string news = vxtest::kOtherPage + "?from=news";
    const struct
    {
        int click;
        unsigned type;
        std::vector<std::string> addresses;
    } cases[] = {
        {kRefererVisitors, 3, {feed, news, mail}}, // ascending, ties by address
        {kRefererAddress, 0, {feed, mail, news}},
        {kRefererAddress, 1, {news, mail, feed}},
        {kRefererVisitors, 2, {mail, feed, news}},
    };
    for (const auto& c : cases) {
        rows.clickColumn(c.click);
        EXPECT_EQ(rows.sortType(), c.type);
        std::vector<std::string> addresses;
        for (const RefererRow& r : rows.rows())
            addresses.push_back(r.address);
        EXPECT_EQ(addresses, c.addresses) << c.type;
        EXPECT_EQ(rows.findAddress(mail),
                  static_cast<int>(std::find(addresses.begin(), addresses.end(), mail) -
                                   addresses.begin()));
    }
    EXPECT_EQ(rows.toOpen(0), mail);

    // A key without rows keeps the title of the last one that had rows.
    rows.show(log, vxtest::refererKey(log, "/shop"));
    EXPECT_EQ(rows.rowCount(), 1u); // /shop is the group of the local referer /b
    rows.show(log, nullptr);
    EXPECT_EQ(rows.rowCount(), 0u);
    EXPECT_EQ(rows.title(), "/shop");

    // A local address is never handed to the opener.
    rows.show(log, vxtest::refererKey(log, "/a"));
    ASSERT_EQ(rows.rowCount(), 1u);
    EXPECT_EQ(rows.toOpen(0), "");
    EXPECT_EQ(rows.textColour(0, false, noVisitedUrls()), kColourLink);
    EXPECT_EQ(rows.textColour(0, true, noVisitedUrls()), filters::kColourSelectedText);
}

} // namespace
