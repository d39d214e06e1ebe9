// The search caches: what the reader takes for an entry, what the writer dares to write,
// and which loads may write them at all.

#include "../platform/temp_dir.h"
#include "hits.h"
#include "platform/settings.h"
#include "store/cache_reader.h"
#include "store/load_steps.h"
#include "store/log_container.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vxtest;
using Entries = std::vector<std::pair<std::string, std::string>>; // key, value

Entries readEntries(const std::string& path, const char* kind = "[MapString]")
{
    Entries entries;
    store::CacheReader reader;
    if (reader.open(path) != 0)
        return entries;
    for (; !reader.atEnd(); reader.next())
        if (reader.kind() == kind)
            entries.emplace_back(reader.key(), reader.value());
    return entries;
}

TEST(CacheReader, EntriesStartOnlyAtTheStartOfALine)
{
    const struct
    {
        const char* name;
        std::string file;
        Entries entries;
    } cases[] = {
        {"plain",
         "[MapString]\r\nk\r\nv\r\n\r\n[MapString]\r\nk2\r\nv2\r\n\r\n",
         {{"k", "v"}, {"k2", "v2"}}},
        {"text on its own lines before", "junk\r\nmore\r\n[MapString]\r\nk\r\nv\r\n", {{"k", "v"}}},
        {"mid-line", "junk [MapString]\r\nk\r\nv\r\n", {}},
        {"indented", "  [MapString]\r\nk\r\nv\r\n", {}},
        {"trail byte", "x\r\n\x83[MapString]\r\nk\r\nv\r\n", {}},
        {"inside a value",
         "[MapString]\r\nk\r\nv [MapString]\r\nplanted\r\nP\r\n",
         {{"k", "v [MapString]"}}},
        {"after a value's CR",
         "[MapString]\r\nk\r\nv\r[MapString]\r\nplanted\r\nP\r\n",
         {{"k", "v\r[MapString]"}}},
        {"no line end at the end", "[MapString]\r\nk\r\nv", {{"k", "v"}}},
        // Each line loses its last byte, "]" of the kind too: no entry is recognised.
        {"LF only", "[MapString]\nkey\nvalue\n[MapString]\r\nk\r\nv\r\n", {{"k", "v"}}},
    };
    vxtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file("c"), c.file);
        EXPECT_EQ(readEntries(dir.file("c")), c.entries);
    }
}

// Every text canHold accepts reads back unchanged between other entries. It refuses CR
// and NUL as well, though this reader would take them: other readers end lines at a CR,
// and the store's texts end at a NUL.
TEST(CacheReader, CanHoldOnlyWhatReadsBackUnchanged)
{
    const struct
    {
        std::string text;
        bool holds;
        bool readsBack;
    } cases[] = {
        {"word", true, true},
        {"[MapString]", true, true},
        {"trailing blank ", true, true},
        {"\x83\x5B\x83\x0A", false, false}, // a LF is never a trail byte
        {"\x83\x5B", true, true},
        {"", false, false},
        {" leading blank", false, false},
        {"\tleading tab", false, false},
        {"lf\ninside", false, false},
        {"crlf\r\n[MapString]\r\nplanted\r\nP", false, false},
        {"cr\rinside", false, true},
        {std::string("nul\0inside", 10), false, true},
    };
    vxtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(store::CacheReader::canHold(c.text), c.holds);
        writeFile(dir.file("c"), "[MapString]\r\nbefore\r\n1\r\n\r\n[MapString]\r\n" + c.text +
                                     "\r\n" + c.text + "\r\n\r\n[MapString]\r\nafter\r\n2\r\n\r\n");
        const Entries expected = {{"before", "1"}, {c.text, c.text}, {"after", "2"}};
        EXPECT_EQ(readEntries(dir.file("c")) == expected, c.readsBack);
    }
}

// Step 12 over hand-made tables: entries the format cannot hold stay out of both caches,
// so that no key or word of one log can plant entries for a later one.
TEST(SearchCaches, EntriesTheFormatCannotHoldAreLeftOut)
{
    vxtest::TempDir dir;
    const struct
    {
        const char* query;
        const char* word;
        bool kept;
    } cases[] = {
        {"q=plain", "plain", true},
        {"q=victim", "victim", true},
        {"q=[MapString]", "[w", true},
        {"q=x\r\n[MapString]\r\nhttps://s.example/?q=victim\r\nPLANTED", "x", false},
        {"q=cr\rx", "w", false},
        {"q=lfword", "a\n[MapString]\nhttps://s.example/?q=victim\nPLANTED", false},
        {"q=crword", "a\r[MapString]", false},
        {"q=+blank", " blank", false},
        {"q=+", " ", false},
    };
    store::LogContainer log;
    log.Ref.push_back({"https://s.example/", nullptr, nullptr});
    log.RefQ.reserve(std::size(cases));
    for (const auto& c : cases) {
        log.RefQ.push_back({c.query, c.word, 3});
        log.Frg2.push_back({nullptr, nullptr, &log.Ref[0], &log.RefQ.back(), nullptr});
    }
    store::Progress progress{0.0f};
    store::LoadContext ctx{log, progress, {}, dir.path() + "/", dir.path()};
    ctx.wordRulesRead = ctx.rankRulesRead = true;
    ASSERT_EQ(store::saveSearchCaches(ctx), 0);

    std::map<std::string, std::string> words, ranks;
    for (const auto& [key, value] : readEntries(dir.file("searchword.cache")))
        words[key] = value;
    for (const auto& [key, value] : readEntries(dir.file("searchrank.cache")))
        ranks[key] = value;
    std::size_t kept = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.query));
        const std::string key = std::string("https://s.example/?") + c.query;
        kept += c.kept;
        EXPECT_EQ(words.count(key), c.kept ? 1u : 0u);
        if (c.kept) {
            EXPECT_EQ(words[key], c.word);
            EXPECT_EQ(ranks[key], "3");
        }
    }
    EXPECT_EQ(words.size(), kept);
    EXPECT_EQ(ranks.size(), kept);
}

class SearchCacheLoads : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        m_home = m_dir.file("home");
        m_res = m_dir.file("prog/res");
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(m_res);
        platform::setHomeDirOverride(m_home);
        platform::setProgramFolder(m_dir.file("prog"));
        std::vector<Hit> hits = siteChain();
        hits.push_back({"10.0.0.9", 50, "/s", "https://search.example/?q=alpha"});
        ASSERT_EQ(importHits(hits, m_dir.file("in.vxlog")), 0u);
    }
    void TearDown() override
    {
        platform::setHomeDirOverride("");
        platform::setProgramFolder("");
    }

    // Writes a rule file a little in the past, as an installed one is.
    void writeRule(const std::string& name, const std::string& body)
    {
        const std::string path = m_res + "/" + name;
        writeFile(path, body);
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                                   std::chrono::seconds(100));
    }

    // Loads the log; the word and the rank of its one search key.
    std::pair<std::string, std::uint32_t> load()
    {
        store::LogContainer log;
        log.logPath = m_dir.file("in.vxlog");
        store::Progress progress{0.0f};
        EXPECT_EQ(log.LoadPipeline(nullptr, progress, false, ""), 0);
        for (const auto& f : log.Frg2)
            if (f.refq && f.refq->text)
                return {f.refq->word ? f.refq->word : "", f.refq->rank};
        return {"?", 0};
    }

    bool exists(const char* cache) const { return std::filesystem::exists(m_home + "/" + cache); }

    TempDir m_dir;
    std::string m_home, m_res;
};

const char kWordRules[] = "[w]\r\nPattern=^.*\\?q=(.*)$\r\nReplace=$1\r\n";
const char kRankRules[] = "[r]\r\nPattern=^.*$\r\nReplace=7\r\n";

// A cache is written only from the rules of its own step, and only when they were read.
TEST_F(SearchCacheLoads, OnlyRulesThatWereReadMakeACache)
{
    const struct
    {
        bool wordRules, rankRules;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "word rules " << c.wordRules << ", rank rules " << c.rankRules);
        for (const char* file : {"searchword.cache", "searchrank.cache", "referer2searchword.ini",
                                 "referer2searchrank.ini"}) {
            std::filesystem::remove(m_home + "/" + file);
            std::filesystem::remove(m_res + "/" + file);
        }
        if (c.wordRules)
            writeRule("referer2searchword.ini", kWordRules);
        if (c.rankRules)
            writeRule("referer2searchrank.ini", kRankRules);
        const auto [word, rank] = load();
        EXPECT_EQ(word, c.wordRules ? "alpha" : "https://search.example/?q=alpha");
        EXPECT_EQ(rank, c.rankRules ? 7u : 1u);
        EXPECT_EQ(exists("searchword.cache"), c.wordRules);
        EXPECT_EQ(exists("searchrank.cache"), c.rankRules);
    }
}

// Rule files that come back after a load without them are used at once: that load left
// nothing behind that could pass for their outcomes.
TEST_F(SearchCacheLoads, RulesInstalledLaterAreNotShadowedByACache)
{
    EXPECT_EQ(load(), std::make_pair(std::string("https://search.example/?q=alpha"), 1u));
    writeRule("referer2searchword.ini", kWordRules);
    writeRule("referer2searchrank.ini", kRankRules);
    EXPECT_EQ(load(), std::make_pair(std::string("alpha"), 7u));
}

} // namespace
