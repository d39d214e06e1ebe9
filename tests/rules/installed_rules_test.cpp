// The rule files installed in res/ against tables of real-looking referers and user agents
// (tests/data/rules/*.tsv, UTF-8, tab-separated, one header line).

#include "platform/codepage.h"
#include "platform/profile.h"
#include "rules/rule_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using rules::EvaluateRules;
using rules::LoadRules;
using rules::RuleList;

std::string dataDir()
{
    const char* dir = std::getenv("VEXILO_TEST_DATA");
    return dir ? dir : "data";
}

std::string resFile(const std::string& name)
{
    return dataDir() + "/../../res/" + name;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The rows of a table without its header; every row must have `columns` fields.
std::vector<std::vector<std::string>> readTable(const std::string& name, std::size_t columns)
{
    std::istringstream in(readAll(dataDir() + "/rules/" + name));
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> fields;
        std::size_t begin = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', begin);
            fields.push_back(line.substr(begin, tab - begin));
            if (tab == std::string::npos)
                break;
            begin = tab + 1;
        }
        EXPECT_EQ(fields.size(), columns) << name << ": " << line;
        fields.resize(columns);
        rows.push_back(std::move(fields));
    }
    return rows;
}

// The outcome of a rule list for a UTF-8 text, as UTF-8.
std::string outcome(const RuleList& list, const std::string& text)
{
    std::u16string wide = platform::utf8ToUtf16(text);
    EXPECT_EQ(EvaluateRules(list, wide), 0) << text;
    return platform::utf16ToUtf8(wide);
}

// Decimal value the way the loader reads a rank: leading blanks, a sign, digits.
long rankValue(const std::string& s)
{
    return std::strtol(s.c_str(), nullptr, 10);
}

// The rank a rank outcome gives: "" for none, "a+b" summed (the part after the first "+"
// plus the part before it).
std::string rankOf(const std::string& outcome)
{
    if (outcome.empty())
        return "";
    const std::size_t plus = outcome.find('+');
    if (plus == std::string::npos)
        return std::to_string(rankValue(outcome));
    return std::to_string(rankValue(outcome.substr(plus + 1)) + rankValue(outcome.substr(0, plus)));
}

TEST(InstalledRules, EveryRuleOfEveryFileLoads)
{
    for (const char* name :
         {"referer2searchword.ini", "referer2searchrank.ini", "referer2searchname.ini",
          "agent2browser.ini", "agent2os.ini", "robots.ini"}) {
        SCOPED_TRACE(name);
        const std::string path = resFile(name);
        const std::string bytes = readAll(path);
        ASSERT_FALSE(bytes.empty());

        // CP932 text with CR LF line ends.
        std::string utf8;
        EXPECT_TRUE(platform::convertStrict("CP932", "UTF-8", bytes, utf8));
        for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;

        // A section left out (a pattern the regular expressions refuse, or a name that no
        // longer fits the list of section names) would silently change the pipeline.
        std::size_t sections = 0;
        bool about = false;
        for (const std::string& section : platform::ProfileFile(path).sectionNames()) {
            if (section == "About")
                about = true;
            else
                ++sections;
        }
        EXPECT_TRUE(about);
        EXPECT_GT(sections, 0u);
        EXPECT_EQ(LoadRules(path).size(), sections);
    }
}

TEST(InstalledRules, ClassifyReferers)
{
    const RuleList words = LoadRules(resFile("referer2searchword.ini"));
    const RuleList ranks = LoadRules(resFile("referer2searchrank.ini"));
    const RuleList names = LoadRules(resFile("referer2searchname.ini"));
    const auto rows = readTable("referers.tsv", 4);
    ASSERT_GE(rows.size(), 60u);

    for (const auto& row : rows) {
        const std::string& referer = row[0];
        SCOPED_TRACE(referer);
        // The engine name is looked up for the referer without its query ...
        const std::size_t query = referer.find('?');
        EXPECT_EQ(outcome(names, referer.substr(0, query)), row[1]) << "engine";
        // ... the search word and rank only for referers with one, from the whole URL.
        if (query == std::string::npos) {
            EXPECT_EQ(row[2], "") << "the table expects a word without a query";
            EXPECT_EQ(row[3], "") << "the table expects a rank without a query";
            continue;
        }
        EXPECT_EQ(outcome(words, referer), row[2]) << "word";
        EXPECT_EQ(rankOf(outcome(ranks, referer)), row[3]) << "rank";
    }
}

TEST(InstalledRules, ClassifyUserAgents)
{
    const RuleList browsers = LoadRules(resFile("agent2browser.ini"));
    const RuleList oses = LoadRules(resFile("agent2os.ini"));
    const auto rows = readTable("agents.tsv", 3);
    ASSERT_GE(rows.size(), 60u);

    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(outcome(browsers, row[0]), row[1]) << "browser";
        EXPECT_EQ(outcome(oses, row[0]), row[2]) << "OS";
    }
}

// Machines: every row gets its outcome, and every rule of the file is needed by a row (the
// row's outcome changes without it), so no entry goes untested.
TEST(InstalledRules, NameMachines)
{
    const std::string path = resFile("robots.ini");
    const RuleList all = LoadRules(path);
    const auto rows = readTable("robots.tsv", 2);
    ASSERT_GE(rows.size(), 100u);
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        EXPECT_EQ(outcome(all, row[0]), row[1]) << row[0];
        expected.push_back(row[1]);
    }
    // Kinds are the ones the load knows.
    static const std::vector<std::string> kinds = {"search",   "ai-crawler", "ai-assistant",
                                                   "seo",      "monitor",    "feed",
                                                   "headless", "library",    "other"};
    std::size_t people = 0;
    for (const std::string& e : expected) {
        if (e.empty()) {
            ++people;
            continue;
        }
        const std::string kind = e.substr(0, e.find(':'));
        EXPECT_NE(std::find(kinds.begin(), kinds.end(), kind), kinds.end()) << e;
    }
    EXPECT_GE(people, 25u);
    EXPECT_GE(rows.size() - people, 60u);

    // Every rule but the first (it only starts the chain) is needed by some row.
    const auto sections = platform::ProfileFile(path).sectionNames();
    ASSERT_EQ(all.size() + 1, sections.size()); // and About
    std::size_t rule = 0;
    for (const std::string& section : sections) {
        if (section == "About")
            continue;
        const std::size_t index = rule++;
        if (index == 0)
            continue;
        const RuleList without = [&] {
            RuleList list = LoadRules(path);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
            return list;
        }();
        bool needed = false;
        for (std::size_t r = 0; r < rows.size() && !needed; ++r)
            needed = outcome(without, rows[r][0]) != expected[r];
        EXPECT_TRUE(needed) << "no row needs [" << section << "]";
    }
}

} // namespace
