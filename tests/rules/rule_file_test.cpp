#include "../platform/temp_dir.h"
#include "platform/profile.h"
#include "platform/regexp.h"
#include "rules/rule_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using rules::EvaluateRules;
using rules::LoadRules;

class RuleFile : public testing::Test
{
  protected:
    // Writes a rule file (CP932 bytes) and returns its path.
    std::string put(const std::string& ini)
    {
        const std::string path = m_dir.file("rules" + std::to_string(m_count++) + ".ini");
        std::ofstream(path, std::ios::binary) << ini;
        return path;
    }

    std::u16string evaluate(const std::string& ini, std::u16string text)
    {
        EXPECT_EQ(EvaluateRules(LoadRules(put(ini)), text), 0);
        return text;
    }

    vxtest::TempDir m_dir;
    int m_count = 0;
};

TEST_F(RuleFile, EvaluatesAsAPipeline)
{
    // "a" rule that appends its name when it matches, to show which rules ran.
    const std::string setA = "[A]\nPattern=a\nSetID=3\n";
    const std::string ifB = "[B]\nPattern=$\nReplace=+B\nIfID=3\n";
    const struct
    {
        std::string ini;
        std::u16string_view text, outcome;
    } cases[] = {
        // A section named exactly About is never a rule; about in lower case is one.
        {"[About]\nPattern=x\nReplace=About\n", u"x", u"x"},
        {"[about]\nPattern=x\nReplace=about\n", u"x", u"about"},
        // ncmp: the text begins with the pattern, case-sensitive.
        {"[n]\nOperator=ncmp\nPattern=abc\nReplace=yes\n", u"abc", u"yes"},
        {"[n]\nOperator=ncmp\nPattern=abc\nReplace=yes\n", u"abcd", u"yes"},
        {"[n]\nOperator=ncmp\nPattern=abc\nReplace=yes\n", u"Abc", u"Abc"},
        {"[n]\nOperator=ncmp\nPattern=abc\nReplace=yes\n", u"xabc", u"xabc"},
        {"[n]\nOperator=ncmp\nPattern=abc\nReplace=yes\n", u"ab", u"ab"},
        // sstr applies when the pattern is absent; an empty Replace blanks the text.
        {"[s]\nOperator=sstr\nPattern=bot\nReplace=\n", u"Mozilla", u""},
        {"[s]\nOperator=sstr\nPattern=bot\nReplace=\"\"\n", u"Mozilla", u""},
        {"[s]\nOperator=sstr\nPattern=bot\nReplace=\n", u"Googlebot", u"Googlebot"},
        {"[s]\nOperator=sstr\nPattern=bot\nReplace=\n", u"GoogleBOT", u""},
        // Without Replace an sstr match keeps the text but sets its id and decodes.
        {"[s]\nOperator=sstr\nPattern=bot\nSetID=3\n" + ifB, u"Mozilla", u"Mozilla+B"},
        {"[s]\nOperator=sstr\nPattern=bot\nSetID=3\n" + ifB, u"bot", u"bot"},
        {"[s]\nOperator=sstr\nPattern=bot\nUnescape=UTF-8\n", u"%E3%81%82", u"\u3042"},
        // Operator names are exact; anything else is a regular expression.
        {"[r]\nOperator=SSTR\nPattern=abc\nReplace=X\n", u"abc", u"X"},
        {"[r]\nOperator=nonsense\nPattern=b+\nReplace=X\n", u"abbc", u"aXc"},
        // A replacement that leaves the text as it was is no match: no SetID.
        {"[r]\nPattern=^x\nReplace=x\nSetID=3\n" + ifB, u"xa", u"xa"},
        {"[r]\nPattern=^x\nReplace=y\nSetID=3\n" + ifB, u"xa", u"ya+B"},
        // Without Replace, Test decides and the text stays.
        {"[r]\nPattern=^x\nSetID=3\n" + ifB, u"xa", u"xa+B"},
        {"[r]\nPattern=^x\nSetID=3\n" + ifB, u"ax", u"ax"},
        // IfID rules wait for a rule with that SetID earlier in the same evaluation.
        {setA + ifB, u"abc", u"abc+B"},
        {setA + ifB, u"xyz", u"xyz"},
        {ifB + setA, u"abc", u"abc"},
        {setA + "[Z]\nPattern=b\nSetID=0\n" + ifB, u"abc", u"abc+B"},
        {setA + "[Z]\nPattern=b\nSetID=4\n" + ifB, u"abc", u"abc"},
        {setA + "[Z]\nPattern=b\nSetID=-4\n" + ifB, u"abc", u"abc+B"}, // negative reads 0
        // No id is active at first, not even one that wraps round to -1.
        {"[W]\nPattern=$\nReplace=+W\nIfID=4294967295\n", u"abc", u"abc"},
        // Every rule whose id fits runs on the text the rules before it left.
        {"[1]\nPattern=a\nReplace=b\n[2]\nPattern=b\nReplace=c\n", u"a", u"c"},
        // Options: i ignores case, g replaces every match; only on regular expressions.
        {"[o]\nPattern=a\nReplace=o\n", u"bAnana", u"bAnona"},
        {"[o]\nPattern=a\nReplace=o\nOption=ig\n", u"bAnana", u"bonono"},
        {"[o]\nPattern=a\nReplace=o\nOption=xgx\n", u"bAnana", u"bAnono"},
        {"[o]\nOperator=ncmp\nPattern=A\nReplace=o\nOption=i\n", u"abc", u"abc"},
        // Search words: pick the query value, then decode it.
        {"[w]\nPattern=^.*[?&]q=([^&]*).*$\nReplace=$1\nUnescape=UTF-8\n",
         u"http://www.google.co.jp/search?hl=ja&q=%E6%A4%9C%E7%B4%A2+abc&lr=", u"\u691C\u7D22 abc"},
        {"[x]\nPattern=^[^?]*\\?\nReplace=&\n[w]\nPattern=&p=([^&]*).*$\nReplace=$1\n"
         "Unescape=EUC-JP\n",
         u"http://search.yahoo.co.jp/bin/search?p=%B8%A1%BA%F7", u"\u691C\u7D22"},
        // CP932 patterns and replacements, with trail bytes that look like "\".
        {"[k]\nOperator=ncmp\nPattern=\x83\x5C\nReplace=\x95\x5C\n", u"\u30BD\u30D5\u30C8",
         u"\u8868"},
        {"[k]\nPattern=\x83\x5C.\nReplace=[$&]\n", u"a\u30BD\u30D5", u"a[\u30BD\u30D5]"},
        // Sections that are no rule are left out; the rest still load.
        {"[r]\nReplace=x\n[e]\nPattern=\nReplace=x\n[b]\nPattern=(\nReplace=x\n[ok]\nPattern=a\n"
         "Replace=A\n",
         u"abc", u"Abc"},
        {"", u"unchanged", u"unchanged"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(evaluate(c.ini, std::u16string(c.text)), c.outcome) << c.ini;
}

TEST_F(RuleFile, LoadsOnlyRulesItCanBuild)
{
    const std::string path =
        put("[About]\nPattern=a\n[no pattern]\nReplace=a\n[empty]\nPattern=\"\"\n"
            "[refused]\nPattern=[a\n[regexp]\nPattern=a\nOption=ig\nReplace=\n"
            "[sstr]\nOperator=sstr\nPattern=b\nUnescape=EUC-JP\nSetID=7\nIfID=2\n");
    const rules::RuleList list = LoadRules(path);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].op, rules::RuleOperator::kRegExp);
    ASSERT_TRUE(list[0].regexp);
    EXPECT_TRUE(list[0].regexp->ignoreCase());
    EXPECT_TRUE(list[0].regexp->global());
    EXPECT_TRUE(list[0].hasReplace);
    EXPECT_EQ(list[0].replace, u"");
    EXPECT_EQ(list[1].op, rules::RuleOperator::kSstr);
    EXPECT_FALSE(list[1].regexp);
    EXPECT_EQ(list[1].pattern, u"b");
    EXPECT_FALSE(list[1].hasReplace);
    EXPECT_EQ(list[1].unescape, "EUC-JP");
    EXPECT_EQ(list[1].setId, 7u);
    EXPECT_EQ(list[1].ifId, 2u);

    EXPECT_TRUE(LoadRules(m_dir.file("missing.ini")).empty());
}

// Only a file that was there and read can vouch for its (possibly empty) list of rules.
TEST_F(RuleFile, TellsWhetherTheFileWasRead)
{
    std::filesystem::create_directories(m_dir.file("folder.ini"));
    const std::string unreadable = put("[r]\nPattern=a\n");
    ASSERT_EQ(::chmod(unreadable.c_str(), 0), 0);
    const bool root = ::geteuid() == 0; // root reads whatever the bits say
    const struct
    {
        std::string path;
        bool read;
        std::size_t rules;
    } cases[] = {
        {put(""), true, 0},
        {put("[About]\nPattern=a\n"), true, 0},
        {put("[r]\nPattern=a\n"), true, 1},
        {m_dir.file("missing.ini"), false, 0},
        {m_dir.file("no/folder/rules.ini"), false, 0},
        {m_dir.file("folder.ini"), false, 0},
        {unreadable, root, root ? 1u : 0u},
    };
    for (const auto& c : cases) {
        bool read = !c.read;
        EXPECT_EQ(LoadRules(c.path, &read).size(), c.rules) << c.path;
        EXPECT_EQ(read, c.read) << c.path;
    }
}

// Section names are listed into 2048 bytes; sections whose names are not listed whole are
// not rules. The rules loaded must be those the platform's list of names holds whole.
TEST_F(RuleFile, SectionNamesBeyondTheListAreNotLoaded)
{
    const std::vector<std::vector<std::size_t>> layouts = {
        {199, 199, 199, 199, 199, 199, 199, 199, 199, 246, 1}, // the tenth fills the list
        {199, 199, 199, 199, 199, 199, 199, 199, 199, 247, 1}, // the tenth is cut short
        {100, 2100, 5},                                        // one name longer than all
        {3000},
    };
    for (const auto& layout : layouts) {
        std::string ini;
        for (std::size_t i = 0; i < layout.size(); ++i) {
            std::string name(layout[i], char('a' + i));
            ini += "[" + name + "]\nPattern=$\nReplace=" + char('a' + i) + "\n";
        }
        const std::string path = put(ini);

        char names[2048];
        const std::size_t length = platform::getProfileSectionNames(path, names, sizeof names);
        std::size_t whole = 0;
        for (std::size_t pos = 0, i = 0; pos < length && i < layout.size(); ++i) {
            const std::size_t size = std::char_traits<char>::length(names + pos);
            if (size != layout[i])
                break;
            ++whole;
            pos += size + 1;
        }
        ASSERT_LT(whole, layout.size());

        std::u16string text;
        EXPECT_EQ(EvaluateRules(LoadRules(path), text), 0);
        std::u16string expected;
        for (std::size_t i = 0; i < whole; ++i)
            expected += char16_t('a' + i);
        EXPECT_EQ(text, expected) << layout.size();
    }
}

TEST_F(RuleFile, ARegExpErrorEndsTheEvaluation)
{
    const rules::RuleList list = LoadRules(put("[1]\nPattern=^x\nReplace=\n"
                                               "[2]\nPattern=(a+)+[bc]\nReplace=y\n"
                                               "[3]\nPattern=a\nReplace=z\n"));
    ASSERT_EQ(list.size(), 3u);
    std::u16string text = u"x" + std::u16string(40, u'a') + u"!";
    EXPECT_EQ(EvaluateRules(list, text), platform::kRegExpOutOfStack);
    EXPECT_EQ(text, std::u16string(40, u'a') + u"!"); // as the first rule left it
}

} // namespace
