// Wordlens' lists without windows (which referers are listed, words and ranks from the rule
// files) and the rule-file check that says where a fault is.

#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/settings.h"
#include "rules/rule_check.h"
#include "wordlens/wordlens_model.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace vxtest;

const char kWordRules[] = "[Word]\r\nPattern=^.*[?&]q=([^&]*).*$\r\nReplace=$1\r\n";
const char kRankRules[] = "[Rank]\r\nPattern=^.*[?&]start=([0-9]+).*$\r\nReplace=$1+1\r\n";
const char kNameRules[] = "[Other]\r\nPattern=^(?!http://search\\.example/).*$\r\nReplace=\"\"\r\n"
                          "[Name]\r\nPattern=^http://search\\.example/.*$\r\nReplace=Example\r\n";

class WordlensModel : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        std::filesystem::create_directories(m_dir.file("home"));
        platform::setHomeDirOverride(m_dir.file("home"));
        m_res = m_dir.file("res");
        std::filesystem::create_directories(m_res);
        writeFile(m_res + "/referer2searchword.ini", kWordRules);
        writeFile(m_res + "/referer2searchrank.ini", kRankRules);
        writeFile(m_res + "/referer2searchname.ini", kNameRules);
        // Two requests from one search (one distinct fragment, two hits), one from another
        // engine's two searches, and a page of the site as referer.
        std::vector<Hit> hits = siteChain();
        hits.push_back({"198.51.100.1", 100, "/x", "http://search.example/s?q=cup&start=10"});
        hits.push_back({"198.51.100.1", 200, "/y", "http://search.example/s?q=cup"});
        hits.push_back({"198.51.100.2", 300, "/x", "http://search.example/s?q=cup&start=10"});
        hits.push_back({"198.51.100.3", 400, "/x", "http://once.example/find?q=a"});
        hits.push_back({"198.51.100.3", 410, "/x", "http://once.example/find?q=a"});
        hits.push_back({"198.51.100.4", 500, "/y", kSite + "/x?from=top"});
        ASSERT_EQ(importHits(hits, m_dir.file("a.vxlog")), 0u);
        m_log.logPath = m_dir.file("a.vxlog");
        store::Progress progress{0};
        ASSERT_EQ(wordlens::loadForWordlens(m_log, nullptr, progress), 0);
    }
    void TearDown() override { platform::setHomeDirOverride(""); }

    TempDir m_dir;
    std::string m_res;
    store::LogContainer m_log;
};

TEST_F(WordlensModel, ListsOutsideReferersWithTheirQueries)
{
    wordlens::RuleSet rules = wordlens::RuleSet::load(m_res);
    EXPECT_TRUE(rules.problems.empty());
    wordlens::RefererList referers;
    const struct
    {
        bool all;
        std::vector<std::string> listed;
    } cases[] = {
        {false, {"http://search.example/s"}},
        {true, {"http://search.example/s", "http://once.example/find"}},
    };
    for (const auto& c : cases) {
        referers.refresh(m_log, rules, c.all);
        std::vector<std::string> listed;
        for (const auto& r : referers.rows())
            listed.push_back(r.referer);
        EXPECT_EQ(listed, c.listed) << c.all; // the site's own page never
    }
    EXPECT_EQ(referers.rows()[0].hits, 3u);
    EXPECT_EQ(referers.rows()[0].links, 2u);
    EXPECT_EQ(referers.rows()[0].engine, "Example");
    EXPECT_EQ(referers.rows()[1].engine, "");

    wordlens::QueryList queries;
    queries.refresh(m_log, rules, "http://search.example/s");
    ASSERT_EQ(queries.rows().size(), 2u);
    EXPECT_EQ(queries.rows()[0].query, "q=cup&start=10");
    EXPECT_EQ(queries.rows()[0].hits, 2u);
    EXPECT_EQ(queries.rows()[0].word, "cup");
    EXPECT_EQ(queries.rows()[0].rank, 11); // "10+1"
    EXPECT_EQ(queries.rows()[1].rank, 1);  // no outcome: the starting rank
    EXPECT_EQ(filters::csvText(queries, wordlens::kQueryOrder),
              "\"Hits\",\"Result\",\"Rank\",\"Query\"\r\n"
              "\"2\",\"cup\",\"11\",\"q=cup&start=10\"\r\n"
              "\"1\",\"cup\",\"1\",\"q=cup\"\r\n");
    queries.sort(wordlens::kRank * 2);
    EXPECT_EQ(queries.rows()[0].query, "q=cup");
}

TEST(RuleCheck, SaysWhereAFaultIs)
{
    TempDir dir;
    const struct
    {
        const char* text;
        std::vector<std::string> problems;
    } cases[] = {
        {kWordRules, {}},
        {"[About]\r\nTitle=x\r\n; comment\r\n\r\n[A]\r\nPattern=a\r\n", {}},
        {"[A]\r\nPattern=(a\r\n",
         {"t.ini [A] 2行目: Pattern の正規表現が正しくないため、このルールは使われません: ')' "
          "がありません"}},
        {"[A]\nOperator=regexp\n",
         {"t.ini [A] 1行目: Pattern がないため、このルールは使われません"}},
        {"[A]\r\nPattern=a\r\ngarbage\r\n", {"t.ini [A] 3行目: \"名前=値\" の形ではありません"}},
        {"Pattern=a\r\n[A\r\n",
         {"t.ini 1行目: 最初のセクションより前にキーがあります",
          "t.ini [A] 2行目: セクション名に ']' がありません"}},
        {"[A]\r\nOperator=like\r\nPattern=a\r\n",
         {"t.ini [A] 2行目: Operator \"like\" は regexp、sstr、ncmp のどれでもありません (regexp "
          "として読みます)"}},
        {"[A]\r\nOperator=sstr\r\nPattern=(\r\n", {}}, // not a regular expression
    };
    for (const auto& c : cases) {
        writeFile(dir.file("t.ini"), c.text);
        std::vector<std::string> got;
        for (const rules::RuleProblem& p : rules::CheckRules(dir.file("t.ini")))
            got.push_back(rules::describe(p));
        EXPECT_EQ(got, c.problems) << c.text;
    }
    EXPECT_TRUE(rules::CheckRules(dir.file("missing.ini")).empty());
}

TEST(RuleCheck, TheShippedRuleFilesAreClean)
{
    const char* data = std::getenv("VEXILO_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string res = std::string(data) + "/../../res/";
    for (const char* name : rules::kRuleFileNames) {
        ASSERT_TRUE(std::filesystem::exists(res + name)) << name;
        for (const rules::RuleProblem& p : rules::CheckRules(res + name))
            ADD_FAILURE() << rules::describe(p);
    }
}

} // namespace
