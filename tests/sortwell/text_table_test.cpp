// Sortwell's text table: the group file read and written in Sortwell's way, assignment
// numbers, the name checks, and a round trip through the main program's load.

#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "sortwell/sortwell_load.h"
#include "sortwell/text_table.h"
#include "store/log_container.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace sortwell;
using namespace vxtest;

std::string cp(const char* utf8)
{
    return platform::utf8ToCp932(utf8);
}

std::string entry(const char* kind, const std::string& pattern, const std::string& group)
{
    return std::string(kind) + "\r\n" + pattern + "\r\n" + group + "\r\n\r\n";
}

TextTable tableOf(std::initializer_list<std::pair<const char*, std::uint32_t>> texts)
{
    TextTable t;
    for (const auto& [text, n] : texts)
        t.addText(text, n, text[0] == '/');
    return t;
}

TEST(SortwellTable, FirstAssignmentWinsAndExpressionsKeepToTheirKind)
{
    const struct
    {
        const char* name;
        std::string file;
        const char* text;
        const char* group; // "" none
    } cases[] = {
        {"exact before expression",
         entry("[MapString]", "/a.html", "/Docs") +
             entry("[MapStringRegexpNow]", "^/a", "/A-pages"),
         "/a.html", "/Docs"},
        {"expression before exact",
         entry("[MapStringRegexpNow]", "^/a", "/A-pages") +
             entry("[MapString]", "/a.html", "/Docs"),
         "/a.html", "/A-pages"},
        {"referer group takes no path", entry("[MapStringRegexpNow]", "a", "http://A"), "/a.html",
         ""},
        {"unknown kind ignored", entry("[MapStringNow]", "/a.html", "/Docs"), "/a.html", ""},
        {"a group never in itself", entry("[MapStringRegexpNow]", "Docs", "/Docs"), "/Docs", ""},
        {"LF-only lines read whole", "[MapString]\n/a.html\n/Docs\n\n", "/a.html", "/Docs"},
        {"text before the first entry", "junk\r\n" + entry("[MapString]", "/a.html", "/Docs"),
         "/a.html", ""},
        {"a broken expression collects nothing", entry("[MapStringRegexpNow]", "(/a", "/A"),
         "/a.html", ""},
    };
    for (const auto& c : cases) {
        TextTable t = tableOf({{"/a.html", 3}, {"/b.html", 1}, {"http://x.example/", 2}});
        t.applyGroupFile(c.file);
        const TextEntry* e = t.find(c.text);
        ASSERT_NE(e, nullptr) << c.name;
        EXPECT_EQ(e->group, c.group) << c.name;
    }
    // The broken expression is kept, so that saving does not lose it.
    TextTable t = tableOf({{"/a.html", 3}});
    t.applyGroupFile(entry("[MapStringRegexpNow]", "(/a", "/A"));
    EXPECT_EQ(t.groupFile(), entry("[MapStringRegexpNow]", "(/a", "/A"));
}

TEST(SortwellTable, MovesRenumberAndTheFileFollowsTheirOrder)
{
    TextTable t = tableOf({{"/a", 5}, {"/b", 2}, {"/c", 1}});
    ASSERT_TRUE(t.createGroup("/G"));
    EXPECT_FALSE(t.createGroup("/G"));
    EXPECT_EQ(t.moveInto({"/a", "/b", "/G"}, "/G"), 2u); // the group itself stays out
    EXPECT_EQ(t.total("/G"), 7u);
    EXPECT_EQ(t.members("/G"), (std::vector<std::string>{"/a", "/b"}));
    // /a out and back: it now comes after /b.
    EXPECT_EQ(t.takeOut({"/a", "/c"}), 1u);
    EXPECT_EQ(t.total("/G"), 2u);
    t.moveInto({"/a"}, "/G");
    EXPECT_TRUE(t.setExpression("/G", "^/c"));
    EXPECT_FALSE(t.setExpression("/G", "^/c"));
    EXPECT_EQ(t.groupFile(), entry("[MapString]", "/b", "/G") + entry("[MapString]", "/a", "/G") +
                                 entry("[MapStringRegexpNow]", "^/c", "/G"));

    // Groups in groups count their members; a group is never moved into its own member.
    ASSERT_TRUE(t.createGroup("/Outer"));
    EXPECT_EQ(t.moveInto({"/G"}, "/Outer"), 1u);
    EXPECT_EQ(t.total("/Outer"), 7u);
    EXPECT_EQ(t.moveInto({"/Outer"}, "/G"), 0u);

    // A rename keeps members, expression and place; the old name is gone.
    ASSERT_TRUE(t.rename("/G", "/H"));
    EXPECT_FALSE(t.isGroup("/G"));
    EXPECT_EQ(t.find("/G"), nullptr);
    EXPECT_EQ(t.members("/H"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(t.find("/H")->regexp, "^/c");
    EXPECT_EQ(t.find("/H")->group, "/Outer");

    t.removeAllGroups();
    EXPECT_TRUE(t.groups().empty());
    EXPECT_EQ(t.groupFile(), "");
    EXPECT_EQ(t.ungrouped(Mode::Request), (std::vector<std::string>{"/a", "/b", "/c"}));
}

TEST(SortwellTable, ProposedNamesAndTheNameChecks)
{
    TextTable t = tableOf({{"/a", 1}});
    EXPECT_EQ(t.proposeName(Mode::Referer), cp("http://新しいRefererグループ1"));
    t.createGroup(cp("http://新しいRefererグループ1"));
    EXPECT_EQ(t.proposeName(Mode::Referer), cp("http://新しいRefererグループ2"));
    EXPECT_EQ(t.proposeName(Mode::Request), cp("/新しいRequestグループ1"));
    t.createGroup("/G");

    const struct
    {
        Mode mode;
        const char* name;
        const char* current;
        bool ok;
        const char* note;
    } cases[] = {
        {Mode::Request, "abc", "", false, "Requestグループ名は'/'で始めてください"},
        {Mode::Request, "/new", "", true, ""},
        {Mode::Request, "", "", false, ""},
        {Mode::Request, "/G", "", false, "同一の名前が使用されています"},
        {Mode::Request, "/G", "/G", false, ""}, // unchanged: OK stays off, nothing to say
        {Mode::Referer, "/x", "", false, "グループ名は\"http://\", \"https://\"で始めてください"},
        {Mode::Referer, "https://x", "", true, ""},
    };
    for (const auto& c : cases) {
        const NameCheck check = t.checkName(c.mode, c.name, c.current);
        EXPECT_EQ(check.ok, c.ok) << c.name;
        EXPECT_EQ(check.note, c.note) << c.name;
    }
}

TEST(SortwellTable, PatternSelection)
{
    const std::vector<std::string> texts{"/shop/a", "/shop/b", "/blog/", cp("/日本語/")};
    int error = 0;
    EXPECT_EQ(matchingRows(texts, "^/shop/", error), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(matchingRows(texts, cp("日本"), error), (std::vector<std::size_t>{3}));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(matchingRows(texts, "(", error).empty());
    EXPECT_NE(error, 0);
}

class SortwellLoad : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        m_home = m_dir.file("home");
        std::filesystem::create_directories(m_home);
        platform::setHomeDirOverride(m_home);
        std::filesystem::create_directories(m_dir.file("prog/res"));
        platform::setProgramFolder(m_dir.file("prog"));
        std::vector<Hit> hits = siteChain();
        for (int i = 0; i < 6; ++i)
            hits.push_back({"198.51.100." + std::to_string(i), 100 + i,
                            "/shop/" + std::to_string(i % 3),
                            "http://search.example/q?w=" + std::to_string(i)});
        m_log = m_dir.file("a.vxlog");
        ASSERT_EQ(importHits(hits, m_log), 0u);
    }
    void TearDown() override
    {
        platform::setHomeDirOverride("");
        platform::setProgramFolder("");
    }
    int load(TextTable& table)
    {
        store::LogContainer log;
        log.logPath = m_log;
        store::Progress progress{0};
        return loadForSortwell(log, table, nullptr, progress, m_home);
    }
    TempDir m_dir;
    std::string m_home, m_log;
};

TEST_F(SortwellLoad, CountsTextsAndReadsTheSitesGroupFile)
{
    TextTable table;
    ASSERT_EQ(load(table), 0);
    EXPECT_EQ(table.find("/shop/0")->count, 2u);
    EXPECT_TRUE(table.find("/shop/0")->request);
    EXPECT_EQ(table.find("http://search.example/q")->count, 6u);
    EXPECT_EQ(table.ungrouped(Mode::Referer),
              (std::vector<std::string>{"http://search.example/q"}));
    const auto fulls = table.fullReferers("http://search.example/q");
    ASSERT_EQ(fulls.size(), 6u);
    EXPECT_EQ(fulls.front().second, 1u);

    // What Sortwell saves, the main program's load reads as the same groups.
    table.createGroup("/Shop");
    table.moveInto({"/shop/0", "/shop/1"}, "/Shop");
    table.createGroup("http://Search");
    table.setExpression("http://Search", "search\\.example");
    ASSERT_EQ(saveGroupFile(table, m_home, "www.example.com.urlgrp"), 0);
    store::LogContainer log;
    log.logPath = m_log;
    store::Progress progress{0};
    ASSERT_EQ(log.LoadPipeline(nullptr, progress, false, ""), 0);
    std::map<std::string, std::string> groups;
    for (const store::ReqEntry& r : log.Req)
        groups[r.text] = r.group;
    for (const store::RefEntry& r : log.Ref)
        groups[r.text] = r.group;
    EXPECT_EQ(groups["/shop/0"], "/Shop");
    EXPECT_EQ(groups["/shop/1"], "/Shop");
    EXPECT_EQ(groups["/shop/2"], "/shop/2");
    EXPECT_EQ(groups["http://search.example/q"], "http://Search");

    // Sortwell reads its own file back the same, the expression collecting again.
    TextTable again;
    ASSERT_EQ(load(again), 0);
    EXPECT_EQ(again.members("/Shop"), (std::vector<std::string>{"/shop/0", "/shop/1"}));
    EXPECT_EQ(again.members("http://Search"),
              (std::vector<std::string>{"http://search.example/q"}));
}

TEST_F(SortwellLoad, FailedWritesKeepTheOldFile)
{
    TextTable table;
    ASSERT_EQ(load(table), 0);
    table.createGroup("/Shop");
    table.moveInto({"/shop/0"}, "/Shop");
    const std::string name = "www.example.com.urlgrp";
    ASSERT_EQ(saveGroupFile(table, m_home, name), 0);
    const std::string saved = readFile(platform::joinPath(m_home, name));
    table.moveInto({"/shop/1"}, "/Shop");
    // A folder nobody may write in (root included: a file where the folder should be).
    EXPECT_NE(exportGroupFile(table, m_dir.file("a.vxlog/x.urlgrp")), 0);
    ::chmod(m_home.c_str(), 0500);
    if (::geteuid() != 0) {
        EXPECT_NE(saveGroupFile(table, m_home, name), 0);
        EXPECT_EQ(readFile(platform::joinPath(m_home, name)), saved);
    }
    ::chmod(m_home.c_str(), 0700);
    // A link planted where the file belongs is replaced, never written through.
    const std::string target = m_dir.file("elsewhere");
    writeFile(target, "keep");
    std::filesystem::remove(platform::joinPath(m_home, name));
    std::filesystem::create_symlink(target, platform::joinPath(m_home, name));
    ASSERT_EQ(saveGroupFile(table, m_home, name), 0);
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_EQ(readFile(platform::joinPath(m_home, name)), table.groupFile());
}

} // namespace
