#include "../platform/temp_dir.h"
#include "bench/machine_figures.h"
#include "hits.h"
#include "hosts/host_cache_file.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "store/chain_states.h"
#include "store/load_failure.h"
#include "store/log_container.h"
#include "store/queries.h"
#include "tools/genlog/genlog.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace vxtest;

class Store : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        m_home = m_dir.file("home");
        std::filesystem::create_directories(m_home);
        platform::setHomeDirOverride(m_home);
        // Without rule files every rule list is empty: outcomes are the texts themselves.
        std::filesystem::create_directories(m_dir.file("prog/res"));
        platform::setProgramFolder(m_dir.file("prog"));
    }
    void TearDown() override
    {
        platform::setHomeDirOverride("");
        platform::setProgramFolder("");
    }

    // Imports the hits (all agents, referer and query stored) and loads the result.
    int load(const std::vector<Hit>& hits, store::LogContainer& log)
    {
        if (importHits(hits, m_dir.file("in.vxlog")) != 0)
            return -1;
        return loadFile(m_dir.file("in.vxlog"), log);
    }
    int loadFile(const std::string& path, store::LogContainer& log)
    {
        log.logPath = path;
        store::Progress progress{0.0f};
        const int rc = log.LoadPipeline(nullptr, progress, false, "");
        if (rc == 0) {
            EXPECT_NEAR(progress.load(), 1.0f, 0.001f);
        }
        return rc;
    }
    TempDir m_dir;
    std::string m_home;
};

TEST_F(Store, SiteVotesNeedTwoLinksWithin900Seconds)
{
    const std::string other = "http://other.example.org";
    for (const int gap : {900, 901}) {
        // K at 2000 refers to /b; E1 600 s earlier fetched /b from /a; E2 `gap` s before
        // E1 fetched /a from /.
        std::vector<Hit> hits = {{"198.51.100.1", 2000 - 600 - gap, "/a", other + "/"},
                                 {"198.51.100.1", 2000 - 600, "/b", other + "/a"},
                                 {"198.51.100.1", 2000, "/c", other + "/b"}};
        for (const Hit& h : siteChain())
            hits.push_back(h);
        store::LogContainer log;
        ASSERT_EQ(load(hits, log), 0) << gap;
        const bool voted = std::find(log.LocalSitePrefixes.begin(), log.LocalSitePrefixes.end(),
                                     other) != log.LocalSitePrefixes.end();
        EXPECT_EQ(voted, gap == 900) << gap;
    }
}

TEST_F(Store, NotEnoughDataAndSelfReferences)
{
    // A page whose referer is itself never links; nothing else: no site.
    store::LogContainer log;
    EXPECT_EQ(load({{"h1", 0, "/a", kSite + "/a"},
                    {"h1", 5, "/a", kSite + "/a"},
                    {"h1", 9, "/a", kSite + "/a"}},
                   log),
              232);
    EXPECT_EQ(store::openFailureMessage(232), "解析に十分なデータがありません");
}

TEST_F(Store, EqualVotesPickTheFirstPrefixByteWise)
{
    std::vector<Hit> hits = siteChain(kSite, "192.0.2.1");
    const std::string bare = "http://example.com";
    hits.push_back({"192.0.2.2", 100, "/a", bare + "/"});
    hits.push_back({"192.0.2.2", 110, "/b", bare + "/a"});
    hits.push_back({"192.0.2.2", 120, "/c", bare + "/b"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    EXPECT_EQ(log.LocalSite, "example.com");
    EXPECT_EQ(log.LocalSitePrefixes, (std::vector<std::string>{bare, kSite}));
}

TEST_F(Store, OwnSiteReferersBecomePathsOnlyForTheSameHost)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"203.0.113.5", 5000, "/x", kSite});                 // nothing follows
    hits.push_back({"203.0.113.5", 5100, "/y", kSite + ".evil.org/a"}); // another host
    hits.push_back({"203.0.113.5", 5200, "/z", kSite + "/b"});          // same as a path
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    const char* slash = nullptr;
    const char* evil = nullptr;
    const char* b = nullptr;
    const char* requestB = nullptr;
    for (const auto& f : log.Frg2) {
        if (!std::strcmp(f.req->text, "/x"))
            slash = f.ref->text;
        if (!std::strcmp(f.req->text, "/y"))
            evil = f.ref->text;
        if (!std::strcmp(f.req->text, "/z"))
            b = f.ref->text;
        if (!std::strcmp(f.req->text, "/b"))
            requestB = f.req->text;
    }
    EXPECT_STREQ(slash, "/");
    EXPECT_STREQ(evil, "http://www.example.com.evil.org/a");
    EXPECT_EQ(b, requestB); // one text object for the path and the rewritten referer

    EXPECT_STREQ(store::stripLocalSite(&log, "http://www.example.com/p?q"), "/p?q");
    EXPECT_STREQ(store::stripLocalSite(&log, "http://www.example.com"), "/");
    EXPECT_EQ(store::stripLocalSite(&log, "http://www.example.com.evil.org/x"), nullptr);
    EXPECT_EQ(store::stripLocalSite(&log, "http://other.example/"), nullptr);
    EXPECT_EQ(store::stripLocalSite(&log, nullptr), nullptr);
}

TEST_F(Store, VisitorsEndAfter900IdleSeconds)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.1.1.1", 1000, "/p1"});
    hits.push_back({"10.1.1.1", 1900, "/p2"}); // 900 s: same visitor
    hits.push_back({"10.1.1.1", 2801, "/p3"}); // 901 s: a new one
    hits.push_back({"10.1.1.2", 1000, "/p1"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> visits; // (address, count)
    for (const auto& v : log.Visitors)
        visits.emplace_back(v.first->host->address, v.count);
    std::sort(visits.begin(), visits.end());
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {0x0A010101, 1}, {0x0A010101, 2}, {0x0A010102, 1}, {0xC0000263, 3}};
    EXPECT_EQ(visits, expected);
    // Every visitor is a run of records of one host in time order.
    for (const auto& v : log.Visitors)
        for (std::uint32_t i = 1; i < v.count; ++i) {
            EXPECT_EQ(v.first[i].host, v.first->host);
            EXPECT_LE(v.first[i - 1].time, v.first[i].time);
        }
}

TEST_F(Store, RequestsOfOneSecondKeepTheOrderOfTheLog)
{
    // 100 visitors, each following three links within one second. The site is found and
    // every visit runs /a, /b, /c, /d as logged, whether the records come in time order,
    // after a line with an earlier time (a dense sort) or far from it (a sparse one).
    const std::vector<std::pair<const char*, int>> strays = {
        {"in order", -1}, {"an earlier line after", 0}, {"a far earlier line after", -3000000}};
    for (const auto& [name, stray] : strays) {
        std::vector<Hit> hits;
        for (int v = 0; v < 100; ++v) {
            const std::string host = "10.0.1." + std::to_string(v);
            const int at = 3000000 + 1000 * v;
            hits.push_back({host, at, "/a", kSite + "/"});
            hits.push_back({host, at, "/b", kSite + "/a"});
            hits.push_back({host, at, "/c", kSite + "/b"});
            hits.push_back({host, at, "/d", kSite + "/c"});
        }
        if (stray != -1)
            hits.push_back({"10.0.2.1", 3000000 + stray, "/stray"});
        store::LogContainer log;
        ASSERT_EQ(load(hits, log), 0) << name;
        EXPECT_EQ(log.LocalSite, "www.example.com") << name;
        ASSERT_EQ(log.Visitors.size(), stray == -1 ? 100u : 101u) << name;
        for (const auto& v : log.Visitors) {
            if (v.count == 1)
                continue; // the stray line
            std::string pages;
            for (std::uint32_t i = 0; i < v.count; ++i)
                pages += v.first[i].fragment->req->text;
            EXPECT_EQ(pages, "/a/b/c/d") << name;
        }
    }
}

TEST_F(Store, HostTextsBecomeAddressesOrReversedNames)
{
    std::vector<Hit> hits = siteChain();
    for (const char* host :
         {"192.168.0.1", "0.0.0.0", "Host.Example.NET", "trailing.dot.", "999.1.1.1"})
        hits.push_back({host, 3000, "/h"});
    hits.push_back({"query.host", 3001, "/h?Host.Example.NET"}); // the same text as a query
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    std::vector<std::string> names;
    bool found = false;
    for (const auto& h : log.Host) {
        if (h.address == 0xC0A80001) {
            EXPECT_EQ(h.name, nullptr);
            found = true;
        }
        if (h.address == 0)
            names.push_back(h.name ? h.name : "(null)");
    }
    EXPECT_TRUE(found);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".dot.trailing", "0.0.0.0", "999.1.1.1",
                                               "host.query", "net.example.host"}));
    // Host sorted by address, and the query keeps its own spelling.
    for (std::size_t i = 1; i < log.Host.size(); ++i)
        EXPECT_LE(log.Host[i - 1].address, log.Host[i].address);
    bool query = false;
    for (const auto& f : log.Frg2)
        if (f.query && !std::strcmp(f.query, "Host.Example.NET"))
            query = true;
    EXPECT_TRUE(query);
}

TEST_F(Store, TextsAreUniqueAndInDictionaryOrder)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.5", 100, "/Case", "http://B.example/x"});
    hits.push_back({"10.0.0.6", 200, "/case", "http://a.example/x"});
    hits.push_back({"10.0.0.7", 300, "/case", "http://a.example/x"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    // Walk the dictionary: strictly ascending, each text once.
    std::vector<std::string> texts;
    for (std::size_t at = 1; at + 1 < log.DicSize; at += texts.back().size() + 1)
        texts.emplace_back(log.Dic.get() + at);
    for (std::size_t i = 1; i < texts.size(); ++i)
        EXPECT_LT(platform::compareDictionary(texts[i - 1], texts[i]), 0) << texts[i];
    // Pointer order is dictionary order for every text of the tables.
    std::vector<const char*> pointers;
    for (const auto& r : log.Req)
        pointers.push_back(r.text);
    for (std::size_t i = 1; i < pointers.size(); ++i)
        EXPECT_EQ(pointers[i - 1] < pointers[i],
                  platform::compareDictionary(pointers[i - 1], pointers[i]) < 0);
    // Fragments and agents merged: two records of the same request share a fragment.
    const store::Fragment* first = nullptr;
    int count = 0;
    for (const auto& r : log.Rec2)
        if (!std::strcmp(r.fragment->req->text, "/case")) {
            first = first ? first : r.fragment;
            EXPECT_EQ(r.fragment, first);
            ++count;
        }
    EXPECT_EQ(count, 2);
}

TEST_F(Store, EmptyRuleFilesLeaveTheTextsAsTheirOwnClassification)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.9", 50, "/s", "https://www.google.co.jp/search?q=%E3%81%82"});
    hits.push_back({"10.0.0.9", 60, "/t", "https://blog.example/entry"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    for (const auto& f : log.Frg2) {
        if (!std::strcmp(f.req->text, "/s")) {
            EXPECT_STREQ(f.refq->word, "https://www.google.co.jp/search?q=%E3%81%82");
            EXPECT_EQ(f.refq->rank, 1u); // a key is no number
            EXPECT_STREQ(f.ref->engine, "https://www.google.co.jp/search");
        }
        if (!std::strcmp(f.req->text, "/t")) {
            EXPECT_EQ(f.refq->word, nullptr); // no query, no key
            EXPECT_STREQ(f.ref->engine, "https://blog.example/entry");
        }
        EXPECT_STREQ(f.agnt->browser, kBrowser.c_str());
        EXPECT_STREQ(f.agnt->os, kBrowser.c_str());
    }
}

class StoreRules : public Store
{
  protected:
    void writeRule(const std::string& file, const std::string& body)
    {
        writeFile(m_dir.file("prog/res/" + file), body);
    }
    void age(const std::string& path, int seconds)
    {
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                                   std::chrono::seconds(seconds));
    }
};

TEST_F(StoreRules, SearchCachesAreUsedWhileNewerThanTheRules)
{
    // Words: the query after "q="; ranks: "2+10" gives 12.
    writeRule("referer2searchword.ini", "[w]\r\nPattern=^.*\\?q=(.*)$\r\nReplace=$1\r\n");
    writeRule("referer2searchrank.ini", "[r]\r\nPattern=^.*$\r\nReplace=2+10\r\n");
    age(m_dir.file("prog/res/referer2searchword.ini"), 100);
    age(m_dir.file("prog/res/referer2searchrank.ini"), 100);
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.9", 50, "/s", "https://search.example/?q=alpha"});
    hits.push_back({"10.0.0.9", 60, "/s", "https://search.example/?q=beta"});
    store::LogContainer first;
    ASSERT_EQ(load(hits, first), 0);
    const std::string words = readFile(m_home + "/searchword.cache");
    EXPECT_EQ(words, "[MapString]\r\nhttps://search.example/?q=alpha\r\nalpha\r\n\r\n"
                     "[MapString]\r\nhttps://search.example/?q=beta\r\nbeta\r\n\r\n");
    EXPECT_EQ(readFile(m_home + "/searchrank.cache"),
              "[MapString]\r\nhttps://search.example/?q=alpha\r\n12\r\n\r\n"
              "[MapString]\r\nhttps://search.example/?q=beta\r\n12\r\n\r\n");

    // A valid cache wins over the rules: plant another word for alpha.
    writeFile(m_home + "/searchword.cache",
              "[MapString]\r\nhttps://search.example/?q=alpha\r\nCACHED\r\n\r\n");
    auto wordOf = [](store::LogContainer& log, const char* query) -> std::string {
        for (const auto& f : log.Frg2)
            if (f.refq->text && !std::strcmp(f.refq->text, query))
                return f.refq->word ? f.refq->word : "";
        return "?";
    };
    store::LogContainer second;
    ASSERT_EQ(loadFile(m_dir.file("in.vxlog"), second), 0);
    EXPECT_EQ(wordOf(second, "q=alpha"), "CACHED");
    EXPECT_EQ(wordOf(second, "q=beta"), "beta");

    // Touching the rule file makes the cache unused.
    writeFile(m_home + "/searchword.cache",
              "[MapString]\r\nhttps://search.example/?q=alpha\r\nCACHED\r\n\r\n");
    age(m_home + "/searchword.cache", 50);
    std::filesystem::last_write_time(m_dir.file("prog/res/referer2searchword.ini"),
                                     std::filesystem::file_time_type::clock::now());
    store::LogContainer third;
    ASSERT_EQ(loadFile(m_dir.file("in.vxlog"), third), 0);
    EXPECT_EQ(wordOf(third, "q=alpha"), "alpha");
}

TEST_F(StoreRules, TheCacheWalkOnlyMovesForward)
{
    writeRule("referer2searchword.ini", "[w]\r\nPattern=^.*\\?q=(.*)$\r\nReplace=rule-$1\r\n");
    age(m_dir.file("prog/res/referer2searchword.ini"), 100);
    // Keys in the cache in an order the walk cannot go back on: "b" first, then "a".
    writeFile(m_home + "/searchword.cache",
              "junk before\r\n[MapString]\r\nhttps://s.example/?q=b\r\nB\r\n\r\n"
              "[MapString]\r\nhttps://s.example/?q=a\r\nA\r\n\r\n");
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.9", 50, "/s", "https://s.example/?q=a"});
    hits.push_back({"10.0.0.9", 60, "/s", "https://s.example/?q=b"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    std::map<std::string, std::string> words;
    for (const auto& f : log.Frg2)
        if (f.refq->word)
            words[f.refq->text] = f.refq->word;
    // The walk meets "a" first; the cursor stands on "b", which is not below "a", so "a"
    // is evaluated. "b" then comes from the cache, and the cache's "a" is never reached.
    EXPECT_EQ(words["q=a"], "rule-a");
    EXPECT_EQ(words["q=b"], "B");
}

TEST_F(StoreRules, UrlGroupsChainsRegexpsAndCycles)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.9", 50, "/a.html"});
    hits.push_back({"10.0.0.9", 60, "/shop/1.html", kSite + "/shop/2.html"});
    hits.push_back({"10.0.0.9", 70, "/shop/2.html", "http://ext.example/shop/"});
    hits.push_back({"10.0.0.9", 80, "/loop1"});
    hits.push_back({"10.0.0.9", 90, "/loop2"});
    writeFile(m_home + "/www.example.com.urlgrp",
              "[MapString]\r\n/a.html\r\n/shop\r\n\r\n"
              "[MapString]\r\n/shop\r\n/all\r\n\r\n"
              "[MapStringRegexpNow]\r\n^/shop/\r\n/shop-pages\r\n\r\n"
              "[Other]\r\n/b\r\n/c\r\n\r\n"
              "[MapString]\r\n/nothing-like-this\r\n/x\r\n\r\n"
              "[MapString]\r\n/loop1\r\n/loop2\r\n\r\n"
              "[MapString]\r\n/loop2\r\n/loop1\r\n\r\n");
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    std::map<std::string, std::string> groups;
    for (const auto& r : log.Req)
        groups[r.text] = r.group;
    EXPECT_EQ(groups["/a.html"], "/all");
    EXPECT_EQ(groups["/shop/1.html"], "/shop-pages");
    EXPECT_EQ(groups["/b"], "/b");
    EXPECT_TRUE(groups["/loop1"] == "/loop1" || groups["/loop1"] == "/loop2");
    for (const auto& r : log.Ref) {
        if (r.text && !std::strcmp(r.text, "http://ext.example/shop/")) {
            EXPECT_STREQ(r.group, r.text); // external referers begin with "h", not "/"
        } else if (r.text && !std::strcmp(r.text, "/shop/2.html")) {
            EXPECT_STREQ(r.group, "/shop-pages");
        }
    }
    std::set<std::string> names;
    for (const char* g : log.GroupNames)
        names.insert(g);
    EXPECT_TRUE(names.count("/all"));
    EXPECT_TRUE(names.count("/shop-pages"));
    for (const auto& r : log.Req) {
        if (r.group != r.text) {
            EXPECT_TRUE(store::isGroupName(&log, r.group)) << r.group;
        }
    }
}

TEST_F(StoreRules, ReloadRedoesOnlyTheGroupsAndTheCompaction)
{
    writeRule("agent2browser.ini", "[b]\r\nPattern=^.*Chrome/(\\d+).*$\r\nReplace=Chrome $1\r\n");
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.9", 50, "/shop/1.html"});
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    const std::size_t visitors = log.Visitors.size();
    // The rule file changes, then the groups: a reload takes the groups only.
    writeRule("agent2browser.ini", "");
    writeFile(m_home + "/www.example.com.urlgrp",
              "[MapStringRegexpNow]\r\n^/shop/\r\n/shop\r\n\r\n");
    store::Progress progress{0.1f};
    ASSERT_EQ(log.LoadPipeline(nullptr, progress, true, ""), 0);
    EXPECT_NEAR(progress.load(), 1.0f, 0.001f);
    EXPECT_EQ(log.stepMillis[7], -1);
    EXPECT_EQ(log.Visitors.size(), visitors);
    for (const auto& f : log.Frg2) {
        EXPECT_STREQ(f.agnt->browser, "Chrome 120"); // from the first load
        if (!std::strcmp(f.req->text, "/shop/1.html")) {
            EXPECT_STREQ(f.req->group, "/shop");
        }
    }
    EXPECT_EQ(log.GroupNames.size(), 1u);
}

// Each visitor's kind: the machine its agent names (robots.ini), else the first behaviour
// of a machine it shows, else a person. Borderline visitors of each rule stay people.
TEST_F(StoreRules, VisitorKindsByAgentAndBehaviour)
{
    writeRule("robots.ini", "[start]\r\nPattern=^\r\nSetID=1\r\n\r\n"
                            "[gpt]\r\nPattern=^.*?\\bGPTBot\\b.*$\r\nReplace=ai-crawler:GPTBot\r\n"
                            "SetID=2\r\nIfID=1\r\n\r\n"
                            "[rest]\r\nPattern=^[\\s\\S]+$\r\nReplace=\"\"\r\nIfID=1\r\n");
    const std::string gpt = "Mozilla/5.0 (compatible; GPTBot/1.2; +https://openai.com/gptbot)";
    const std::string page = kSite + "/a";
    struct Visitor
    {
        const char* what;
        std::string host;
        std::vector<int> seconds; // one page view each, /p0, /p1, ...
        bool referer;             // own-site referers (a browser following links)
        std::string agent;
        const char* kind;
        const char* row; // UTF-8
    };
    const auto every = [](int n, int gap, int jitter = 0) {
        std::vector<int> s;
        for (int i = 0; i < n; ++i)
            s.push_back(1000 + i * gap + (i % 3) * jitter);
        return s;
    };
    const Visitor visitors[] = {
        {"reader", "10.1.0.1", {1000, 1040, 1100}, true, kBrowser, "person", "人"},
        {"named machine",
         "10.1.0.2",
         {1000, 1500},
         true,
         gpt,
         "ai-crawler",
         "AIクローラー: GPTBot"},
        {"ten pages at 2 s", "10.1.0.4", every(10, 2), true, kBrowser, "suspected",
         "機械の疑い: 1分に10ページ以上"},
        {"nine pages at 2 s", "10.1.0.5", every(9, 2), true, kBrowser, "person", "人"},
        {"ten pages at 7 s", "10.1.0.6", every(10, 7, 3), true, kBrowser, "person", "人"},
        {"six requests a minute apart", "10.1.0.7", every(6, 60), true, kBrowser, "suspected",
         "機械の疑い: 一定の間隔"},
        {"five a minute apart", "10.1.0.8", every(5, 60), true, kBrowser, "person", "人"},
        {"six with uneven gaps", "10.1.0.9", every(6, 60, 9), true, kBrowser, "person", "人"},
        {"eight pages, no referer", "10.1.0.10", every(8, 40, 17), false, kBrowser, "suspected",
         "機械の疑い: 参照元も検索もない多数のページ"},
        {"seven pages, no referer", "10.1.0.11", every(7, 40, 17), false, kBrowser, "person", "人"},
    };
    std::vector<Hit> hits = siteChain();
    for (const Visitor& v : visitors)
        for (std::size_t i = 0; i < v.seconds.size(); ++i)
            hits.push_back(
                {v.host, v.seconds[i], "/p" + std::to_string(i), v.referer ? page : "-", v.agent});
    // Asked for /robots.txt first, then read like a person.
    hits.push_back({"10.1.0.3", 1000, "/robots.txt", "-", kBrowser});
    hits.push_back({"10.1.0.3", 1060, "/a", page, kBrowser});
    std::sort(hits.begin(), hits.end(),
              [](const Hit& a, const Hit& b) { return a.second < b.second; });
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);
    ASSERT_EQ(log.VisitorClassOf.size(), log.Visitors.size());
    std::map<std::string, std::pair<std::string, std::string>> found;
    for (std::size_t i = 0; i < log.Visitors.size(); ++i) {
        char host[16];
        const std::uint32_t a = log.Visitors[i].first->host->address;
        std::snprintf(host, sizeof host, "%u.%u.%u.%u", a >> 24, a >> 16 & 255, a >> 8 & 255,
                      a & 255);
        const store::VisitorClass& c = log.VisitorClasses[log.VisitorClassOf[i]];
        found[host] = {store::visitorKindKey(c.kind), platform::cp932ToUtf8(c.label)};
        EXPECT_TRUE(c.reason && *c.reason) << host;
    }
    for (const Visitor& v : visitors)
        EXPECT_EQ(found[v.host], std::make_pair(std::string(v.kind), std::string(v.row))) << v.what;
    EXPECT_EQ(found["10.1.0.3"], std::make_pair(std::string("suspected"),
                                                std::string("機械の疑い: /robots.txt を要求")));

    // Without the rule file the machine is a person; the behaviours stay what they are.
    std::filesystem::remove(m_dir.file("prog/res/robots.ini"));
    store::LogContainer without;
    ASSERT_EQ(loadFile(m_dir.file("in.vxlog"), without), 0);
    std::size_t named = 0, suspected = 0;
    for (std::uint16_t c : without.VisitorClassOf) {
        named += without.VisitorClasses[c].kind != store::VisitorKind::Person &&
                 without.VisitorClasses[c].kind != store::VisitorKind::Suspected;
        suspected += without.VisitorClasses[c].kind == store::VisitorKind::Suspected;
    }
    EXPECT_EQ(named, 0u);
    EXPECT_EQ(suspected, 4u);
}

// HEAD requests only: a machine, when the log kept the method and HEAD among them.
TEST_F(Store, HeadOnlyVisitorsWhenTheMethodIsKept)
{
    std::string text;
    for (const Hit& h : siteChain())
        text += format(h);
    for (int i = 0; i < 3; ++i) {
        std::string line = format({"10.3.0.1", 100 + i * 40, "/p" + std::to_string(i)});
        line.replace(line.find("\"GET "), 5, "\"HEAD ");
        text += line;
    }
    text += format({"10.3.0.2", 100, "/p0"});
    writeFile(m_dir.file("head.log"), text);
    const auto kinds = [&](std::uint32_t flags) {
        Options o;
        o.output = m_dir.file("head.vxlog");
        o.inputs = list({m_dir.file("head.log")});
        o.flags = flags;
        o.methods = list({"GET", "HEAD"});
        EXPECT_EQ(runImport(o), 0u);
        store::LogContainer log;
        EXPECT_EQ(loadFile(o.output, log), 0);
        std::vector<std::string> out;
        for (std::uint16_t c : log.VisitorClassOf)
            out.push_back(platform::cp932ToUtf8(log.VisitorClasses[c].label));
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::uint32_t flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY;
    EXPECT_EQ(kinds(flags | LA_F_METHOD),
              (std::vector<std::string>{"人", "人", "機械の疑い: HEAD だけ"}));
    EXPECT_EQ(kinds(flags), (std::vector<std::string>{"人", "人", "人"}));
}

TEST(VisitorKinds, RobotsOutcomes)
{
    const struct
    {
        const char* outcome;
        store::VisitorKind kind;
        const char* name;
    } cases[] = {
        {"", store::VisitorKind::Person, ""},
        {"ai-crawler:GPTBot", store::VisitorKind::AiCrawler, "GPTBot"},
        {"search: Googlebot ", store::VisitorKind::Search, "Googlebot"},
        {"library:", store::VisitorKind::Library, "library"},
        {"robot:X", store::VisitorKind::Other, "X"},
        {"SomeBot", store::VisitorKind::Other, "SomeBot"},
    };
    for (const auto& c : cases) {
        std::string_view name;
        EXPECT_EQ(store::parseMachineOutcome(c.outcome, name), c.kind) << c.outcome;
        EXPECT_EQ(name, c.name) << c.outcome;
    }
}

// Today's traffic (genlog --machines) against genlog's labels of every host.
TEST_F(Store, MachinesOfTodaysTrafficAgainstTheirLabels)
{
    platform::setProgramFolder(std::string(VEXILO_BIN_DIR)); // the installed robots.ini
    genlog::Options opt;
    opt.lines = 60000;
    opt.days = 7;
    opt.seed = 5;
    opt.machines = true;
    genlog::StringSink sink;
    std::string labels;
    ASSERT_TRUE(genlog::generate(opt, sink, &labels));
    writeFile(m_dir.file("today.log"), sink.text);
    ASSERT_EQ(bench::importAllAgents(m_dir.file("today.log"), m_dir.file("today.vxlog")), 0u);
    store::LogContainer log;
    ASSERT_EQ(loadFile(m_dir.file("today.vxlog"), log), 0);
    const bench::MachineFigures f = bench::compareWithLabels(log, bench::readLabels(labels));
    EXPECT_GT(f.named, 100u);
    EXPECT_GT(f.disguised, 20u);
    EXPECT_GE(f.namedPrecision(), 99.0);
    EXPECT_GE(f.namedRecall(), 99.0);
    EXPECT_GE(f.disguisedRecall(), 80.0);
    EXPECT_LE(f.peopleMarked(), 1.0);
}

TEST_F(Store, NoUrlGroupFileMeansEveryTextIsItsOwnGroup)
{
    store::LogContainer log;
    ASSERT_EQ(load(siteChain(), log), 0);
    for (const auto& r : log.Req)
        EXPECT_EQ(r.group, r.text);
    EXPECT_TRUE(log.GroupNames.empty());
}

TEST_F(Store, HostNameCacheFilesOldestFirst)
{
    std::vector<Hit> hits = siteChain();
    hits.push_back({"10.0.0.1", 100, "/n"});
    hits.push_back({"10.0.0.2", 100, "/n"});
    writeFile(m_home + "/dns20260101.dat", "[DNS]\r\n0A000001=jp.old.name\r\n0A000002=\"\"\r\n");
    writeFile(m_home + "/dns20260201.dat", "[DNS]\r\n0A000001=jp.new.name\r\n;A000003=x\r\n");
    writeFile(m_home + "/dns20260301.dat", "[NOT DNS]\r\n0A000002=bad\r\n");
    // A load that only looks (the command line's) reads the same names and leaves the
    // files as they are; the main program's load disables the later duplicate.
    for (const bool tidy : {false, true}) {
        store::LogContainer log;
        log.tidyHostCache = tidy;
        ASSERT_EQ(load(hits, log), 0);
        std::map<std::uint32_t, std::string> names;
        for (const auto& h : log.Host)
            if (h.address)
                names[h.address] = h.name ? h.name : "(null)";
        EXPECT_EQ(names[0x0A000001], "jp.old.name");
        EXPECT_EQ(names[0x0A000002], "");       // looked up, no name
        EXPECT_EQ(names[0xC0000263], "(null)"); // not known yet
        EXPECT_EQ(readFile(m_home + "/dns20260201.dat"),
                  tidy ? "[DNS]\r\n;A000001=jp.new.name\r\n;A000003=x\r\n"
                       : "[DNS]\r\n0A000001=jp.new.name\r\n;A000003=x\r\n");
    }
    store::LogContainer log;
    ASSERT_EQ(load(hits, log), 0);

    // Answers go to today's file; the store takes names for addresses it has.
    ASSERT_EQ(hosts::appendHostName(m_home, 0xC0000263, "jp.example.host"), 0);
    ASSERT_EQ(hosts::appendHostName(m_home, 0xC0000264, nullptr), 0);
    const auto today = platform::todayLocal();
    EXPECT_EQ(readFile(m_home + "/" + hosts::cacheFileName(today.year, today.month, today.day)),
              "[DNS]\r\nC0000263=jp.example.host\r\nC0000264=\"\"\r\n");
    EXPECT_TRUE(store::hostResolved(&log, htonl(0xC0000263), "jp.example.host"));
    EXPECT_FALSE(store::hostResolved(&log, htonl(0x01020304), "x"));
}

TEST_F(Store, BrokenFilesFailWithTheirCodes)
{
    store::LogContainer good;
    ASSERT_EQ(load(siteChain(), good), 0);
    const std::string bytes = readFile(m_dir.file("in.vxlog"));
    sievra::Header h;
    std::memcpy(h.bytes, bytes.data(), 104);
    const std::size_t rec = h.size(sievra::kRec), dic = h.size(sievra::kDic);
    const struct
    {
        std::size_t keep;
        int code;
    } cuts[] = {
        {50, 100}, {104 + rec - 5, 101}, {104 + rec + dic - 3, 102}, {bytes.size() - 4, 103}};
    for (const auto& c : cuts) {
        writeFile(m_dir.file("cut.vxlog"), bytes.substr(0, c.keep));
        store::LogContainer log;
        EXPECT_EQ(loadFile(m_dir.file("cut.vxlog"), log), c.code) << c.keep;
    }
    std::string wrong = bytes;
    wrong[0] = 'X';
    writeFile(m_dir.file("wrong.vxlog"), wrong);
    store::LogContainer log;
    EXPECT_EQ(loadFile(m_dir.file("wrong.vxlog"), log), 11);
    EXPECT_EQ(store::openFailureMessage(11), "ファイル形式が正しくありません");
    EXPECT_EQ(store::openFailureMessage(102), "Open LogFile failed\r\n\r\nerr=102(0x66)");
    store::LogContainer missing;
    EXPECT_EQ(loadFile(m_dir.file("missing.vxlog"), missing), 2);
}

TEST_F(Store, CancelledLoadStopsEarly)
{
    store::LogContainer log;
    std::vector<Hit> hits = siteChain();
    std::string text;
    for (const Hit& hit : hits)
        text += format(hit);
    writeFile(m_dir.file("in.log"), text);
    Options o;
    o.output = m_dir.file("in.vxlog");
    o.inputs = list({m_dir.file("in.log")});
    ASSERT_EQ(runImport(o), 0u);
    log.logPath = o.output;
    store::Progress progress{-1.0f};
    EXPECT_EQ(log.LoadPipeline(nullptr, progress, false, ""), platform::kErrCancelled);
    EXPECT_LT(progress.load(), 0.0f);
    EXPECT_FALSE(platform::fileExists(m_home + "/searchword.cache"));
}

TEST(StoreQueries, NullStoreAnswersZero)
{
    EXPECT_EQ(store::getRecords(nullptr, nullptr), 0u);
    EXPECT_STREQ(store::getTitle(nullptr), "");
    EXPECT_EQ(store::getGroupSet(nullptr), nullptr);
    EXPECT_FALSE(store::isGroupName(nullptr, "/x"));
    EXPECT_FALSE(store::hostResolved(nullptr, 1, "x"));
}

} // namespace

namespace {

TEST(ChainStates, KeptPerLogAndRefusedWhenDamaged)
{
    vxtest::TempDir dir;
    const std::string home = dir.path();
    std::vector<store::SavedPane> panes = {
        {2010, "WC_FILTER_TIMERANGE", {"", {}, {1790812800, 1791417600}}},
        {2100, "WC_FILTER_REQ", {"g-", {"/a b", "/x%y\r\n\t"}, {}}},
        {2200, "WC_VIEW_GRAPH", {"%2", {}, {}}},
    };
    ASSERT_EQ(store::saveChain(home, "/logs/a.vxlog", panes), 0);
    const auto read = store::loadChain(home, "/logs/a.vxlog");
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].state.texts, panes[1].state.texts); // blanks, "%" and line ends survive
    EXPECT_EQ(read[0].state.numbers, panes[0].state.numbers);
    EXPECT_EQ(read[2].state.flags, "%2");
    EXPECT_TRUE(store::loadChain(home, "/logs/b.vxlog").empty()); // another log has none

    // A file of the data folder is no trusted input: anything odd gives no panes.
    std::string file;
    for (const auto& entry : std::filesystem::directory_iterator(home + "/chains"))
        file = entry.path().string();
    const std::string good = vxtest::readFile(file);
    const struct
    {
        const char* name;
        std::string text;
    } damaged[] = {
        {"no magic", "vexilo-chain 9\n" + good.substr(good.find('\n') + 1)},
        {"another log's", std::string("vexilo-chain 1\nlog /logs/b.vxlog\n")},
        {"an id no pane has", "vexilo-chain 1\nlog /logs/a.vxlog\npane 9999 WC_X\n"},
        {"a number too large", good + "number 99999999999\n"},
        {"a broken escape", good + "text %G1\n"},
        {"a line of no kind", good + "rm -rf /\n"},
    };
    for (const auto& d : damaged) {
        vxtest::writeFile(file, d.text);
        EXPECT_TRUE(store::loadChain(home, "/logs/a.vxlog").empty()) << d.name;
    }
    store::forgetChain(home, "/logs/a.vxlog");
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
