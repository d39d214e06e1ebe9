#include "import/line_parser.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using sievra::LineFields;
using sievra::parseLine;

// The spans of a parse as texts; "<absent>" for an absent span.
struct Parsed
{
    bool ok;
    std::string host, user, path, query, referer, refQuery, agent;
    std::uint32_t time, method, bytes, status;
};

std::string text(const sievra::Span& s)
{
    return s.present() ? std::string(s.begin, s.size()) : "<absent>";
}

Parsed parse(const std::string& data)
{
    LineFields f;
    const bool ok = parseLine(data.data(), data.data() + data.size(), f);
    return {ok,
            text(f.host),
            text(f.user),
            text(f.path),
            text(f.query),
            text(f.referer),
            text(f.refQuery),
            text(f.agent),
            f.time,
            f.method,
            f.bytes,
            f.status};
}

std::uint32_t word(const char* four)
{
    std::uint32_t w;
    std::memcpy(&w, four, 4);
    return w;
}

TEST(LineParser, TheCombinedFormatExample)
{
    const auto p =
        parse("127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] \"GET /a/b.html?x=1 HTTP/1.0\" "
              "200 2326 \"http://www.example.com/start.html?q=2\" \"Mozilla/4.08\"\n");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.host, "127.0.0.1");
    EXPECT_EQ(p.user, "-");
    EXPECT_EQ(p.time, 971211336u);
    EXPECT_EQ(p.method, word("GET "));
    EXPECT_EQ(p.path, "/a/b.html");
    EXPECT_EQ(p.query, "x=1");
    EXPECT_EQ(p.status, 200u);
    EXPECT_EQ(p.bytes, 2326u);
    EXPECT_EQ(p.referer, "http://www.example.com/start.html");
    EXPECT_EQ(p.refQuery, "q=2");
    EXPECT_EQ(p.agent, "Mozilla/4.08");
}

TEST(LineParser, TimesAndZones)
{
    const struct
    {
        const char* bracket;
        std::uint32_t time;
    } cases[] = {
        {"10/Oct/2000:13:55:36 -0700", 971211336},
        {"10/Oct/2000:20:55:36 +0000", 971211336},
        {"10/Oct/2000:20:55:36 -0000", 971211336},
        {"11/Oct/2000:02:25:36 +0530", 971211336}, // 5 h 30 min east
        {"11/Oct/2000:05:55:36 +0900", 971211336},
        {"01/Jly/2001:00:00:00 +0000", 993945600}, // the other spelling of July
        {"29/Feb/2000:00:00:00 +0000", 951782400},
        {"31/Dec/1999:23:59:60 +0000", 946684800},   // a leap second carries into 2000
        {"01/jan/2001:00:00:00 +0000", 975628800},   // unknown month: December of 2000
        {"07/Feb/2106:06:28:15 +0000", 4294967295u}, // the last unsigned second
    };
    for (const auto& c : cases) {
        const auto p =
            parse(std::string("h - - [") + c.bracket + "] \"GET / HTTP/1.1\" 200 1 \"-\" \"a\"\n");
        ASSERT_TRUE(p.ok) << c.bracket;
        EXPECT_EQ(p.time, c.time) << c.bracket;
    }
}

TEST(LineParser, FieldVariants)
{
    const struct
    {
        const char* line;
        const char* host;
        const char* path;
        const char* query;
        const char* referer;
        const char* agent;
        std::uint32_t status, bytes;
    } cases[] = {
        // No request: no path or query; the rest still parses.
        {"h - - [10/Oct/2000:13:55:36 -0700] \"-\" 400 0 \"-\" \"Mozilla/5.0\"\n", "h", "<absent>",
         "<absent>", "<absent>", "Mozilla/5.0", 400, 0},
        // Bytes "-", referer "-", agent "-".
        {"h - - [10/Oct/2000:13:55:36 -0700] \"GET /x HTTP/1.1\" 304 - \"-\" \"-\"\n", "h", "/x",
         "<absent>", "<absent>", "-", 304, 0},
        // Host in quotes.
        {"\"my host\" - - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.1\" 200 5 \"-\" \"a\"\n",
         "my host", "/", "<absent>", "<absent>", "a", 200, 5},
        // The fragment is dropped, the query after it kept.
        {"h - - [10/Oct/2000:13:55:36 -0700] \"GET /p#top?x HTTP/1.1\" 200 5 \"-\" \"a\"\n", "h",
         "/p", "x", "<absent>", "a", 200, 5},
        // A fragment without query ends at the blank.
        {"h - - [10/Oct/2000:13:55:36 -0700] \"GET /p#top HTTP/1.1\" 200 5 \"-\" \"a\"\n", "h",
         "/p", "<absent>", "<absent>", "a", 200, 5},
        // Common format: no referer, no agent.
        {"h - - [10/Oct/2000:13:55:36 -0700] \"GET /c HTTP/1.0\" 200 77\n", "h", "/c", "<absent>",
         "<absent>", "<absent>", 200, 0},
        // Quoted identity and a user name.
        {"h \"id ent\" alice [10/Oct/2000:13:55:36 -0700] \"POST /f HTTP/1.1\" 302 9 \"http://r/\" "
         "\"b\"\n",
         "h", "/f", "<absent>", "http://r/", "b", 302, 9},
        // Empty referer in quotes is present but empty.
        {"h - - [10/Oct/2000:13:55:36 -0700] \"GET /e HTTP/1.1\" 200 1 \"\" \"c\"\n", "h", "/e",
         "<absent>", "", "c", 200, 1},
    };
    for (const auto& c : cases) {
        const auto p = parse(c.line);
        ASSERT_TRUE(p.ok) << c.line;
        EXPECT_EQ(p.host, c.host) << c.line;
        EXPECT_EQ(p.path, c.path) << c.line;
        EXPECT_EQ(p.query, c.query) << c.line;
        EXPECT_EQ(p.referer, c.referer) << c.line;
        EXPECT_EQ(p.agent, c.agent) << c.line;
        EXPECT_EQ(p.status, c.status) << c.line;
        if (c.bytes) {
            EXPECT_EQ(p.bytes, c.bytes) << c.line;
        }
    }
    EXPECT_EQ(parse("h a alice [10/Oct/2000:13:55:36 -0700] \"GET / H\" 200 1 \"-\" \"c\"\n").user,
              "alice");
    EXPECT_EQ(parse("h - - [10/Oct/2000:13:55:36 -0700] \"HEAD / H\" 200 1 \"-\" \"c\"\n").method,
              word("HEAD"));
}

TEST(LineParser, WithoutABracketTheTimeComesFromFurtherOn)
{
    const std::string second =
        "n - - [10/Oct/2000:13:55:36 -0700] \"GET /next HTTP/1.1\" 200 1 \"-\" \"a\"\n";
    // The first line has no "[": the parse takes the time and fields of the next line.
    const auto p = parse("garbage line without time\n" + second);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.time, 971211336u);
    EXPECT_EQ(p.path, "/next");
    // At the end of the data, or with fewer than 28 bytes from "[", nothing.
    EXPECT_FALSE(parse("garbage line without time\n").ok);
    EXPECT_FALSE(parse("h - - [10/Oct/2000:13:55:36 -0700").ok);
    EXPECT_TRUE(parse("h - - [10/Oct/2000:13:55:36 -0700]").ok);
    EXPECT_FALSE(parse("").ok);
}

TEST(LineParser, ScansStopAtTheLimit)
{
    // The limit cuts the line inside the agent: the agent ends at the limit.
    const std::string data = "h - - [10/Oct/2000:13:55:36 -0700] \"GET /x HTTP/1.1\" 200 1 \"-\" "
                             "\"Mozilla/5.0 (X11)\"\n";
    LineFields f;
    const std::size_t cutAt = data.find("(X11)");
    ASSERT_TRUE(parseLine(data.data(), data.data() + cutAt, f));
    EXPECT_EQ(text(f.agent), "Mozilla/5.0 ");
}

} // namespace
