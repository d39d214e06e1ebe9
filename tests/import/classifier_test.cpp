#include "import/classifier.h"
#include "import/sievra.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace sievra;

ClassifyOptions wizardOptions(std::uint32_t flags = 0x64 | LA_F_BROWSERS_ONLY)
{
    ClassifyOptions o;
    o.flags = flags;
    for (const char* s : {"200", "302", "304"})
        o.addStatus(s);
    for (const char* m : {"GET", "POST"})
        o.addMethod(m);
    o.skipExts = {"jpg", "gif", "png", "swf", "css", "js"};
    o.dirIndexes = {"index.html", "index.htm", "index.cgi"};
    return o;
}

struct Outcome
{
    int result;
    std::string path, query, referer, refQuery, agent, host;
    std::uint32_t flags;
};

// Classifies one line (the texts as they would stand in the log) and reads back what was
// pooled for it.
struct Line
{
    std::string host = "192.0.2.1", method = "GET ", path = "/", query, referer, refQuery;
    std::string agent = "Mozilla/5.0 (Windows NT 10.0) Chrome/120.0";
    std::uint32_t status = 200;
    bool hasQuery = false, hasReferer = false, hasAgent = true;
};

Outcome classify(const Line& in, const ClassifyOptions& options)
{
    LineFields f;
    auto span = [](const std::string& s) { return Span{s.data(), s.data() + s.size()}; };
    f.host = span(in.host);
    std::memcpy(&f.method, in.method.data(), 4);
    f.path = span(in.path);
    if (in.hasQuery)
        f.query = span(in.query);
    if (in.hasReferer) {
        f.referer = span(in.referer);
        f.refQuery = span(in.refQuery);
    }
    if (in.hasAgent)
        f.agent = span(in.agent);
    f.status = in.status;
    ImportData data;
    Classifier c(options);
    std::uint32_t flags = options.flags;
    Outcome o{c.classify(f, flags, data), "", "", "", "", "", "", flags};
    if (o.result == 0) {
        const auto& frag = data.fragments[data.pending.back().fragment];
        o.path = data.paths.text(frag.path);
        o.query = data.queries.text(frag.query);
        o.referer = data.referers.text(frag.referer);
        o.refQuery = data.refQueries.text(frag.refQuery);
        o.agent = data.agents.text(frag.agent);
        o.host = data.hosts.text(data.pending.back().host);
    }
    return o;
}

TEST(Classifier, Exclusions)
{
    const auto options = wizardOptions();
    const std::string crawler =
        "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)";
    const struct
    {
        const char* what;
        Line line;
        int result;
    } cases[] = {
        {"plain page", Line{}, 0},
        {"status 304 is listed",
         [] {
             Line l;
             l.status = 304;
             return l;
         }(),
         0},
        {"status 404 is not",
         [] {
             Line l;
             l.status = 404;
             return l;
         }(),
         1},
        {"status over 1000",
         [] {
             Line l;
             l.status = 1200;
             return l;
         }(),
         1},
        {"HEAD is not listed",
         [] {
             Line l;
             l.method = "HEAD";
             return l;
         }(),
         1},
        {"POST is",
         [] {
             Line l;
             l.method = "POST";
             return l;
         }(),
         0},
        {"empty host",
         [] {
             Line l;
             l.host = "";
             return l;
         }(),
         1},
        {"OPTIONS *",
         [] {
             Line l;
             l.path = "*";
             return l;
         }(),
         1},
        {"absolute URI",
         [] {
             Line l;
             l.path = "http://x/";
             return l;
         }(),
         1},
        {"no agent",
         [] {
             Line l;
             l.hasAgent = false;
             return l;
         }(),
         1},
        {"empty agent",
         [] {
             Line l;
             l.agent = "";
             return l;
         }(),
         1},
        {"crawler with contact URL",
         [&] {
             Line l;
             l.agent = crawler;
             return l;
         }(),
         1},
        {"library without Mozilla/",
         [] {
             Line l;
             l.agent = "python-requests/2.31";
             return l;
         }(),
         1},
        {"own embedded browser",
         [] {
             Line l;
             l.agent = "Mozilla/5.0 (X11) Orvane Vexilo";
             return l;
         }(),
         1},
        {"http:// at the very end",
         [] {
             Line l;
             l.agent = "Mozilla/5.0 see http://";
             return l;
         }(),
         0},
        {"skipped extension, any case",
         [] {
             Line l;
             l.path = "/a.JPG";
             return l;
         }(),
         1},
        {"style sheet",
         [] {
             Line l;
             l.path = "/style.CSS";
             return l;
         }(),
         1},
        {"css folder is no extension",
         [] {
             Line l;
             l.path = "/css/";
             return l;
         }(),
         0},
        {"dot in a folder name only",
         [] {
             Line l;
             l.path = "/img.d/x";
             return l;
         }(),
         0},
        {"extension after folding",
         [] {
             Line l;
             l.path = "/js/index.html";
             return l;
         }(),
         0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classify(c.line, options).result, c.result) << c.what;

    // Without browsers-only the crawler and the library are kept.
    const auto all = wizardOptions(0x64);
    EXPECT_EQ(classify(
                  [&] {
                      Line l;
                      l.agent = crawler;
                      return l;
                  }(),
                  all)
                  .result,
              0);
    EXPECT_EQ(classify(
                  [] {
                      Line l;
                      l.agent = "python-requests/2.31";
                      return l;
                  }(),
                  all)
                  .result,
              0);
    // A status list of nothing but invalid entries keeps nothing.
    ClassifyOptions none = wizardOptions();
    none.statuses.reset();
    for (const char* s : {"0", "1001", "abc", "-200"})
        none.addStatus(s);
    EXPECT_EQ(classify(Line{}, none).result, 1);
}

TEST(Classifier, NormalisedTexts)
{
    const auto options = wizardOptions(0x64);
    const struct
    {
        const char* what;
        Line line;
        const char* path;
        const char* query;
        const char* referer;
        const char* agent;
    } cases[] = {
        {"index folds to its folder",
         [] {
             Line l;
             l.path = "/Index.HTML";
             return l;
         }(),
         "/", "", "", nullptr},
        {"index with query keeps the query",
         [] {
             Line l;
             l.path = "/dir/index.html";
             l.query = "x=1";
             l.hasQuery = true;
             return l;
         }(),
         "/dir/", "x=1", "", nullptr},
        {"not an index name",
         [] {
             Line l;
             l.path = "/dir/index.php";
             return l;
         }(),
         "/dir/index.php", "", "", nullptr},
        {"dot segments",
         [] {
             Line l;
             l.path = "/a/./b//c/../d";
             return l;
         }(),
         "/a/b/d", "", "", nullptr},
        {"agent dash is absent",
         [] {
             Line l;
             l.agent = "-";
             return l;
         }(),
         "/", "", "", ""},
        {"one-byte agent is absent",
         [] {
             Line l;
             l.agent = "x";
             return l;
         }(),
         "/", "", "", ""},
        {"referer host lower-cased, path keeps its case",
         [] {
             Line l;
             l.hasReferer = true;
             l.referer = "http://WWW.Example.COM/A/./B.html";
             l.refQuery = "q=1";
             return l;
         }(),
         "/", "", "http://www.example.com/A/B.html", nullptr},
        {"referer index folded",
         [] {
             Line l;
             l.hasReferer = true;
             l.referer = "https://Ex.jp/shop/index.htm";
             return l;
         }(),
         "/", "", "https://ex.jp/shop/", nullptr},
        {"capital scheme is not stored",
         [] {
             Line l;
             l.hasReferer = true;
             l.referer = "HTTP://www.example.com/";
             l.refQuery = "q=1";
             return l;
         }(),
         "/", "", "", nullptr},
        {"too short for a URL",
         [] {
             Line l;
             l.hasReferer = true;
             l.referer = "http://";
             return l;
         }(),
         "/", "", "", nullptr},
        {"other schemes are not stored",
         [] {
             Line l;
             l.hasReferer = true;
             l.referer = "android-app://com.google/";
             return l;
         }(),
         "/", "", "", nullptr},
    };
    for (const auto& c : cases) {
        const auto o = classify(c.line, options);
        ASSERT_EQ(o.result, 0) << c.what;
        EXPECT_EQ(o.path, c.path) << c.what;
        EXPECT_EQ(o.query, c.query) << c.what;
        EXPECT_EQ(o.referer, c.referer) << c.what;
        if (c.agent) {
            EXPECT_EQ(o.agent, c.agent) << c.what;
        }
    }
    // The referer query is kept only with its referer.
    Line withQuery;
    withQuery.hasReferer = true;
    withQuery.referer = "http://www.google.co.jp/search";
    withQuery.refQuery = "q=%E3%81%82";
    EXPECT_EQ(classify(withQuery, options).refQuery, "q=%E3%81%82");
    EXPECT_EQ(classify(withQuery, wizardOptions(LA_F_REFQUERY)).refQuery, "");
}

TEST(Classifier, FieldsAreCutAt1024Bytes)
{
    const auto options = wizardOptions(0x64);
    const struct
    {
        std::size_t length;
        std::size_t kept;
        bool truncated;
    } sizes[] = {{1023, 1023, false}, {1024, 1024, true}, {2000, 1024, true}};
    for (const auto& s : sizes) {
        Line agent;
        agent.agent = "Mozilla/" + std::string(s.length - 8, 'a');
        auto o = classify(agent, options);
        EXPECT_EQ(o.agent.size(), s.kept) << s.length;
        EXPECT_EQ((o.flags & LA_F_TRUNCATED) != 0, s.truncated) << s.length;

        Line path;
        path.path.assign(s.length, 'p');
        path.path[0] = '/';
        o = classify(path, options);
        EXPECT_EQ(o.path.size(), s.kept) << s.length;
        EXPECT_EQ((o.flags & LA_F_TRUNCATED) != 0, s.truncated) << s.length;

        Line query;
        query.hasQuery = true;
        query.query = std::string(s.length, 'q');
        o = classify(query, options);
        EXPECT_EQ(o.query.size(), s.kept) << s.length;

        Line refQuery;
        refQuery.hasReferer = true;
        refQuery.referer = "http://r.example/";
        refQuery.refQuery = std::string(s.length, 'r');
        o = classify(refQuery, options);
        EXPECT_EQ(o.refQuery.size(), s.kept) << s.length;
        EXPECT_EQ((o.flags & LA_F_TRUNCATED) != 0, s.truncated) << s.length;
    }
}

TEST(Classifier, IndexAndExtensionNamesIgnoreAsciiCaseOnly)
{
    // A double-byte name whose trail byte looks like "A" must not match the one with "a".
    auto options = wizardOptions(0x64);
    options.dirIndexes = {"\x83\x41.html"};
    Line upper;
    upper.path = "/d/\x83\x41.HTML";
    EXPECT_EQ(classify(upper, options).path, "/d/");
    Line other;
    other.path = "/d/\x83\x61.html";
    EXPECT_EQ(classify(other, options).path, "/d/\x83\x61.html");
}

TEST(Normalise, UrlTable)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"/a/b/../c", "/a/c"},
        {"/../c", "/c"},
        {"/a/b/../../c", "/a/../c"}, // the second search starts past the remaining match
        {"/a/././b", "/a/b"},
        {"/a//b///c", "/a/b/c"},
        {"http://h//a//b", "http://h/a/b"},
        {"https://h/a//b", "https://h/a/b"},
        {"/p#frag/../x", "/p"},
        {"/clean/path.html", "/clean/path.html"},
        {"/a/..", "/a/.."},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        sievra::normaliseUrl(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

} // namespace

namespace {

// One classifier over many lines keeps a verdict per agent: more agents than it keeps
// verdicts for, each asked twice, in turns that make them meet in its slots.
TEST(Classifier, AgentVerdictsFollowTheAgentNotItsSlot)
{
    const auto options = wizardOptions();
    Classifier c(options);
    ImportData data;
    const std::string host = "192.0.2.1", path = "/";
    std::vector<std::string> agents;
    for (int i = 0; i < 3000; ++i)
        agents.push_back(std::string("Mozilla/5.0 (agent ")
                             .append(std::to_string(i))
                             .append(i % 3 ? ")" : ") +http://bot.example/"));
    for (int pass = 0; pass < 2; ++pass)
        for (int k = 0; k < 3000; ++k) {
            const int i = pass ? 2999 - k : k;
            LineFields f;
            f.host = {host.data(), host.data() + host.size()};
            std::memcpy(&f.method, "GET ", 4);
            f.path = {path.data(), path.data() + path.size()};
            f.agent = {agents[i].data(), agents[i].data() + agents[i].size()};
            f.status = 200;
            std::uint32_t flags = options.flags;
            ASSERT_EQ(c.classify(f, flags, data), i % 3 ? 0 : 1) << agents[i];
        }
}

} // namespace
