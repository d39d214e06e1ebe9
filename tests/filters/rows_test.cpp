// Sort orders, cell texts and the CSV export.

#include "../import/import_helpers.h"
#include "../platform/temp_dir.h"
#include "filters/cells.h"
#include "filters/csv.h"
#include "filters/stat_rows.h"
#include "filters/word_rows.h"
#include "platform/files.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace filters;

// Keys whose pointer order is a < b < c (one array, as the dictionary keeps them).
const char kTexts[] = "a\0b\0c";
const char* const kA = kTexts;
const char* const kB = kTexts + 2;
const char* const kC = kTexts + 4;

std::string keysOf(const std::vector<StatRow>& rows)
{
    std::string out;
    for (const StatRow& r : rows)
        out += r.key ? r.key : "-";
    return out;
}

TEST(Sorting, EveryTypeWithItsTieRule)
{
    // c and a tie on visitors and stay, b and null on hits; every order is total.
    const std::vector<StatRow> rows = {
        {kA, 2, 1.0f, 5.0f}, {kB, 1, 2.0f, 9.0f}, {kC, 2, 3.0f, 5.0f}, {nullptr, 3, 2.0f, 0.0f}};
    const struct
    {
        unsigned type;
        std::string order;
    } cases[] = {
        // Among equal values the larger key comes first in both directions; an unknown
        // type sorts as 2.
        {0, "-abc"}, {1, "cba-"}, {2, "-cab"}, {3, "bca-"},  {4, "bca-"},
        {5, "-cab"}, {6, "cb-a"}, {7, "ab-c"}, {99, "-cab"},
    };
    for (const auto& c : cases) {
        std::vector<StatRow> sorted = rows;
        sortStatRows(sorted, c.type, KeyRanks(KeyOrder::Pointer));
        EXPECT_EQ(keysOf(sorted), c.order) << "type " << c.type;
    }
}

TEST(Sorting, HostKindsCompareTexts)
{
    // Texts in separate strings: their pointer order says nothing. Half-width katakana
    // (0xB1) is one character below every double-byte one (lead 0x82), although its byte
    // is larger; a prefix comes first.
    const std::vector<std::string> texts = {"b.example", "a.example", "B.example",  "\x82\xA0",
                                            "\xB1",      "b.ex",      "b.example.x"};
    std::vector<StatRow> rows = {{nullptr, 1, 1, 0}};
    for (const std::string& t : texts)
        rows.push_back({t.c_str(), 1, 1, 0});
    const std::vector<std::string> ascending = {
        "(null)", "B.example", "a.example", "b.ex", "b.example", "b.example.x", "\xB1", "\x82\xA0"};
    KeyRanks ranks(KeyOrder::Text);
    for (const unsigned type : {0u, 1u, 2u}) {
        ranks.learn(rows);
        sortStatRows(rows, type, ranks);
        std::vector<std::string> keys;
        for (const StatRow& r : rows)
            keys.push_back(r.key ? r.key : "(null)");
        std::vector<std::string> want = ascending;
        if (type != 0) // descending, or all visitors equal: the larger key first
            std::reverse(want.begin(), want.end());
        EXPECT_EQ(keys, want) << type;
    }
}

TEST(Sorting, ColumnClicks)
{
    EXPECT_EQ(nextSortType(kInitialSortType, 1), 3u); // "Visitor" on a fresh pane
    EXPECT_EQ(nextSortType(3, 2), 4u);                // then "Exit": descending
    EXPECT_EQ(nextSortType(4, 2), 5u);
    EXPECT_EQ(nextSortType(5, 0), 0u);
}

TEST(Sorting, WordRowsPutTheSmallerKeyFirst)
{
    WordRows words;
    // Rows set by hand: the sort looks at nothing else.
    std::vector<WordRow>& rows = words.rows();
    rows = {
        {kC, 1, 2, 0, 1.0f, 0, 0, 0}, {kA, 1, 1, 0, 2.0f, 0, 0, 0}, {kB, 2, 1, 0, 1.0f, 0, 0, 0}};
    const struct
    {
        unsigned type;
        std::string order;
    } cases[] = {
        {2, "bac"},  {3, "acb"}, // visitors, ties: the smaller key first in both directions
        {6, "bca"},  {7, "abc"}, // result page: direction 0 puts the best (lowest) first
        {10, "cab"}, {11, "abc"}, {1, "cba"},
    };
    for (const auto& c : cases) {
        words.sort(c.type);
        std::string order;
        for (const WordRow& r : rows)
            order += r.word;
        EXPECT_EQ(order, c.order) << "type " << c.type;
    }
}

// The text an append function writes.
template <typename F> std::string cell(F append)
{
    std::string s;
    append(s);
    return s;
}

TEST(Cells, Formats)
{
    const struct
    {
        std::string got, want;
    } cases[] = {
        {cell([](std::string& s) { appendVisitors(s, 1, true, 3); }), "33.3%"},
        {cell([](std::string& s) { appendVisitors(s, 2, true, 3); }), "66.7%"},
        {cell([](std::string& s) { appendVisitors(s, 3, true, 3); }), "100.0%"},
        {cell([](std::string& s) { appendVisitors(s, 7, false, 3); }), "7"},
        {cell([](std::string& s) { appendOneOrTenths(s, 1.0f); }), "1"},
        {cell([](std::string& s) { appendOneOrTenths(s, 1.5f); }), "1.5"},
        {cell([](std::string& s) { appendOneOrTenths(s, 2.0f); }), "2.0"},
        {cell([](std::string& s) { appendZeroOrTenths(s, 0.0f); }), "0"},
        {cell([](std::string& s) { appendZeroOrTenths(s, 0.04f); }), "0.0"},
        {cell([](std::string& s) { appendZeroOrTenths(s, 1.0f); }), "1.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
    EXPECT_EQ(initialDisplayOrder(Kind::Req), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(initialDisplayOrder(Kind::ReqBegin), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(initialDisplayOrder(Kind::SearchWord), (std::vector<int>{1, 2, 3, 4, 0}));
}

// A list of fixed texts.
class Table : public CellSource
{
  public:
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> cells;
    std::size_t rowCount() const override { return cells.size(); }
    std::string_view columnTitle(int subitem) const override
    {
        return titles[static_cast<std::size_t>(subitem)];
    }
    void appendCellText(std::string& out, std::size_t row, int subitem) const override
    {
        out += cells[row][static_cast<std::size_t>(subitem)];
    }
};

TEST(Csv, QuotesEmptyFieldsAndDisplayOrder)
{
    Table t;
    t.titles = {"URL", "Visitor", "Exit"};
    t.cells = {{"/say \"hi\"", "3", "1.5"}, {"", "1", "0"}, {"a,b\r\nc", "2", "0"}};
    // The name column dragged to the front is written first.
    const std::vector<int> order = {0, 1, 2};
    EXPECT_EQ(csvText(t, order), "\"URL\",\"Visitor\",\"Exit\"\r\n"
                                 "\"/say \"\"hi\"\"\",\"3\",\"1.5\"\r\n"
                                 ",\"1\",\"0\"\r\n"
                                 "\"a,b\r\nc\",\"2\",\"0\"\r\n");
    const std::vector<int> initial = {1, 2, 0};
    EXPECT_EQ(csvText(t, initial).substr(0, 27), "\"Visitor\",\"Exit\",\"URL\"\r\n\"3\"");
}

TEST(Csv, CellsThatWouldRunAsFormulasAreWrittenAsText)
{
    const struct
    {
        const char* cell;
        const char* field;
    } cases[] = {
        {"=cmd|'/c calc'!A0", "\"'=cmd|'/c calc'!A0\""},                   // a referer
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""}, // a user agent
        {"@sum(1).x", "\"'@sum(1).x\""},                                   // a name-service answer
        {"+1+cmd", "\"'+1+cmd\""},
        {"-2+3", "\"'-2+3\""},
        {"\t=1", "\"'\t=1\""},
        {"\r=1", "\"'\r=1\""},
        {"-", "\"'-\""},
        {"-3", "\"-3\""}, // numbers stay numbers
        {"+1.5", "\"+1.5\""},
        {"-12.5%", "\"-12.5%\""},
        {"a=b", "\"a=b\""},
        {"/=", "\"/=\""},
    };
    for (const auto& c : cases) {
        std::string out;
        appendCsvField(out, c.cell);
        EXPECT_EQ(out, c.field) << c.cell;
    }
}

TEST(Csv, FailedExportLeavesTheOldFile)
{
    vxtest::TempDir dir;
    Table t;
    t.titles = {"URL"};
    t.cells = {{"/a"}};
    const std::vector<int> order = {0};
    const std::string path = dir.file("out.csv");
    ASSERT_EQ(exportCsv(path, t, order), 0);
    EXPECT_EQ(vxtest::readFile(path), "\"URL\"\r\n\"/a\"\r\n");

    EXPECT_NE(exportCsv(dir.file("no-folder/out.csv"), t, order), 0);
    EXPECT_NE(exportCsv(dir.file("out.csv/x.csv"), t, order), 0); // a file as the folder
    if (::geteuid() != 0) {                                       // permissions do not stop root
        ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
        t.cells = {{"/b"}};
        EXPECT_NE(exportCsv(path, t, order), 0);
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(vxtest::readFile(path), "\"URL\"\r\n\"/a\"\r\n");
    }
    EXPECT_STREQ(kExportFailedText, "エクスポートに失敗しました");
    EXPECT_STREQ(kExportCaption, "Export");
}

} // namespace
