#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/settings.h"
#include "report/page_template.h"
#include "report/report_folder.h"
#include "report/report_generator.h"
#include "report/report_state.h"
#include "store/key_reference.h"
#include "store/log_container.h"
#include "store/report_generator.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace vxtest;

constexpr int kDay = 86400;
const std::string kNews = "http://news.example.net/story";

// `count` visitors (one host each) on a day, coming to path from referer.
void addVisitors(std::vector<Hit>& hits, const std::string& net, int day, int count,
                 const std::string& path, const std::string& referer = "-")
{
    for (int i = 0; i < count; ++i)
        hits.push_back(
            {net + "." + std::to_string(i + 1), day * kDay + 3600 + i * 60, path, referer});
}

// One visitor without a referer on each of the days, so that every day has visitors.
void addEveryDay(std::vector<Hit>& hits, int days)
{
    for (int day = 0; day < days; ++day)
        addVisitors(hits, "203.0.113." + std::to_string(day), day, 1, "/");
}

class Report : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        m_home = m_dir.file("home");
        m_pages = m_dir.file("pages");
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(m_pages);
        std::filesystem::create_directories(m_dir.file("prog/res"));
        platform::setHomeDirOverride(m_home);
        platform::setProgramFolder(m_dir.file("prog"));
        // As the programs do at start-up: loads without a generator of their own report.
        report::installReportGenerator();
    }
    void TearDown() override
    {
        store::setReportGeneratorFactory(nullptr);
        platform::setHomeDirOverride("");
        platform::setProgramFolder("");
    }

    // Imports the hits and runs the whole load with the pages folder as the report folder.
    void load(const std::vector<Hit>& hits, store::LogContainer& log)
    {
        ASSERT_EQ(importHits(hits, m_dir.file("in.vxlog")), 0u);
        log.logPath = m_dir.file("in.vxlog");
        store::Progress progress{0.0f};
        ASSERT_EQ(log.LoadPipeline(nullptr, progress, false, m_pages), 0);
    }

    std::string page(const std::string& name) const { return readFile(m_pages + "/" + name); }
    static std::string value(const char* key, const store::LogContainer& log)
    {
        return report::keyValue(key, log, report::computeReportState(log));
    }

    TempDir m_dir;
    std::string m_home, m_pages;
};

// The rows of a table body, each without its CR LF.
std::vector<std::string> rows(const std::string& body)
{
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = body.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(body.substr(at, end - at));
    return out;
}

// The row that shows name, or "".
std::string rowOf(const std::string& body, const std::string& name)
{
    for (const std::string& row : rows(body))
        if (row.find(">" + name + "<") != std::string::npos)
            return row;
    return "";
}

TEST(PageTemplate, RegionsAreFilledUpToTheFirstFaultyMarker)
{
    const report::KeyValue valueOf = [](std::string_view key) -> std::string {
        if (key == "A")
            return "1";
        if (key == "a")
            return "lower";
        return "";
    };
    const struct
    {
        const char* page;
        const char* generated;
    } cases[] = {
        {"x<!--<A>-->old<!--</A>-->y", "x<!--<A>-->1<!--</A>-->y"},
        {"<!--<A>--><!--</A>--><!--<a>-->?<!--</a>-->",
         "<!--<A>-->1<!--</A>--><!--<a>-->lower<!--</a>-->"},
        {"<!--<B>-->old<!--</B>-->", "<!--<B>--><!--</B>-->"},
        // A misspelt closing marker keeps everything from its opening marker on...
        {"<!--<A>-->o<!--</A>--><!--<B>-->o<!--</b>--><!--<A>-->o<!--</A>-->",
         "<!--<A>-->1<!--</A>--><!--<B>-->o<!--</b>--><!--<A>-->o<!--</A>-->"},
        // ...unless a later closing marker of the key ends the region there.
        {"<!--<A>-->o<!--</a>--><!--<A>-->o<!--</A>-->", "<!--<A>-->1<!--</A>-->"},
        // An opening marker without its end.
        {"<!--<A>-->o<!--</A>--> <!--<A <!--<A>-->o<!--</A>-->",
         "<!--<A>-->1<!--</A>--> <!--<A <!--<A>-->o<!--</A>-->"},
        // The closing marker is looked for only after the opening one.
        {"<!--</A>--><!--<A>-->o<!--</A>-->", "<!--</A>--><!--<A>-->o<!--</A>-->"},
        {"no markers", "no markers"},
    };
    for (const auto& c : cases) {
        const std::string once = report::fillTemplate(c.page, valueOf);
        EXPECT_EQ(once, c.generated) << c.page;
        EXPECT_EQ(report::fillTemplate(once, valueOf), once) << c.page;
    }
}

TEST_F(Report, LoadRegeneratesThePagesOfTheFolderOnly)
{
    const std::string region = "<!--<TOTALVISITOR>-->old<!--</TOTALVISITOR>-->";
    const std::string misspelt = "<!--<SITENAME>-->x<!--</SITENAM>-->" + region;
    writeFile(m_pages + "/index.html", "<p>" + region + "</p>");
    writeFile(m_pages + "/UPPER.HTML", region);
    writeFile(m_pages + "/broken.html", misspelt);
    writeFile(m_pages + "/notes.txt", region);
    std::filesystem::create_directories(m_pages + "/sub");
    writeFile(m_pages + "/sub/inner.html", region);
    writeFile(m_dir.file("outside.html"), region);
    std::filesystem::create_symlink(m_dir.file("outside.html"), m_pages + "/link.html");

    std::vector<Hit> hits = siteChain();
    addVisitors(hits, "10.0.0", 0, 4, "/");
    store::LogContainer log;
    load(hits, log);
    const std::string filled =
        "<!--<TOTALVISITOR>-->" + std::to_string(log.Visitors.size()) + "<!--</TOTALVISITOR>-->";
    EXPECT_EQ(log.Visitors.size(), 5u);
    EXPECT_EQ(page("index.html"), "<p>" + filled + "</p>");
    EXPECT_EQ(page("UPPER.HTML"), filled);
    EXPECT_EQ(page("broken.html"), misspelt);
    EXPECT_EQ(page("notes.txt"), region);
    EXPECT_EQ(page("sub/inner.html"), region);
    EXPECT_EQ(readFile(m_dir.file("outside.html")), region);
    EXPECT_TRUE(std::filesystem::is_symlink(m_pages + "/link.html"));

    // Generating again gives the same pages and leaves no other file behind.
    report::HtmlReport().generate(m_pages, log);
    EXPECT_EQ(page("index.html"), "<p>" + filled + "</p>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_pages),
                            std::filesystem::directory_iterator()),
              6);
}

TEST_F(Report, NewsNeedsTenVisitorsOnTheBestDay)
{
    for (const int best : {9, 10}) {
        std::vector<Hit> hits = siteChain();
        addEveryDay(hits, 10);
        addVisitors(hits, "198.51.100", 9, best, "/story", kNews);
        store::LogContainer log;
        load(hits, log);
        const std::string row = rowOf(value("TABLEBODY::NEWS", log), kNews);
        EXPECT_EQ(!row.empty(), best >= 10) << best;
        if (best >= 10) {
            EXPECT_TRUE(row.starts_with("<tr><td>" + std::to_string(best) + "</td>")) << row;
        }
    }
}

TEST_F(Report, OnlyARecentRealSpikeIsBold)
{
    // Ten days; days count from the start.
    const struct
    {
        std::vector<int> spikeDays; // 10 visitors from the referer on each
        bool steady; // the referer brings nearly the same share on the other days too
        bool bold;
    } cases[] = {
        {{9}, false, true},     // the last day of the log
        {{3}, false, true},     // seven days before the end
        {{2}, false, false},    // eight days before the end
        {{1, 9}, false, false}, // of two equal best days the first counts
        {{9}, true, false},     // recent, but no spike: its weight is below 4
    };
    for (const auto& c : cases) {
        std::vector<Hit> hits = siteChain();
        addEveryDay(hits, 10);
        for (const int day : c.spikeDays)
            addVisitors(hits, "198.51." + std::to_string(100 + day), day, 10, "/story", kNews);
        if (c.steady)
            for (int day = 0; day < 9; ++day)
                addVisitors(hits, "198.18." + std::to_string(day), day, 9, "/story", kNews);
        store::LogContainer log;
        load(hits, log);
        const std::string row = rowOf(value("TABLEBODY::NEWS", log), kNews);
        ASSERT_FALSE(row.empty()) << c.spikeDays.front();
        EXPECT_EQ(row.find("<b>OPEN</b>") != std::string::npos, c.bold)
            << c.spikeDays.front() << " " << c.steady;
    }
}

TEST_F(Report, KeyPagesNeedFivePercentOfAllVisitors)
{
    for (const int visitors : {40, 41}) {
        std::vector<Hit> hits = siteChain(); // one visitor
        addVisitors(hits, "10.0.1", 0, 2, "/key");
        addVisitors(hits, "10.0.2", 0, visitors - 3, "/");
        store::LogContainer log;
        load(hits, log);
        ASSERT_EQ(log.Visitors.size(), std::size_t(visitors));
        const std::string row = rowOf(value("TABLEBODY::KEYNODE", log), "/key");
        if (visitors == 40) {
            EXPECT_TRUE(row.starts_with("<tr><td>5.0%</td>")) << row;
        } else {
            EXPECT_EQ(row, "") << "4.9 % is no key page";
        }
    }
}

TEST_F(Report, NamesAndTheSiteNameAreEscaped)
{
    const std::string site = "http://evil<script>.example";
    std::vector<Hit> hits = siteChain(site);
    addVisitors(hits, "10.0.1", 0, 3, "/a<b>&c");
    addVisitors(hits, "10.0.2", 0, 3, "/grouped");
    writeFile(m_home + "/evil<script>.example.urlgrp", "[MapString]\r\n/grouped\r\n/g<1>\r\n\r\n");
    store::LogContainer log;
    load(hits, log);
    ASSERT_EQ(log.LocalSite, "evil<script>.example");
    EXPECT_EQ(value("SITENAME", log), "evil&lt;script&gt;.example");
    const std::string body = value("TABLEBODY::KEYNODE", log);
    EXPECT_NE(body.find("<td><span class=\"cReq\">/a&lt;b&gt;&amp;c</span></td>"),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("<td><span class=\"cReqG\">/g&lt;1&gt;</span></td>"), std::string::npos)
        << body;
}

TEST_F(Report, LinksNameTheirItemsByKeyReference)
{
    std::vector<Hit> hits = siteChain();
    addEveryDay(hits, 10);
    addVisitors(hits, "198.51.100", 9, 12, "/story", kNews);
    store::LogContainer log;
    load(hits, log);
    // Every key of a link names the text its row shows.
    const std::regex link(
        R"(openView\(('referer'|'',0,(-1|0),'(V|%)2','RE(F|Q)','\*r'),0x([0-9A-F]+),?)");
    const std::regex name(R"(>((/|http)[^<]*)</(a|span)></td></tr>$)");
    for (const char* key : {"TABLEBODY::NEWS", "TABLEBODY::KEYNODE"}) {
        const auto list = rows(value(key, log));
        ASSERT_FALSE(list.empty()) << key;
        for (const std::string& row : list) {
            std::smatch shown;
            ASSERT_TRUE(std::regex_search(row, shown, name)) << row;
            int links = 0;
            for (auto it = std::sregex_iterator(row.begin(), row.end(), link);
                 it != std::sregex_iterator(); ++it, ++links) {
                const auto reference = std::stoul((*it)[5].str(), nullptr, 16);
                const char* text = store::keyText(log, static_cast<std::uint32_t>(reference));
                ASSERT_NE(text, nullptr) << row;
                EXPECT_EQ(text, shown[1].str()) << row;
                EXPECT_GT(reference, 9u);
                // Numbers that name no text start select nothing.
                EXPECT_EQ(store::keyText(log, static_cast<std::uint32_t>(reference + 1)), nullptr);
            }
            EXPECT_EQ(links, std::string(key) == "TABLEBODY::NEWS" ? 2 : 1) << row;
        }
    }
    for (const std::uint32_t reference : {0u, 9u, store::kKeyReferenceBase, UINT32_MAX})
        EXPECT_EQ(store::keyText(log, reference), nullptr) << reference;
}

TEST(ReportKeys, ALogWithoutVisitors)
{
    store::LogContainer log;
    log.LocalSite = "a&b";
    const std::map<std::string, std::string> expected = {{"SITENAME", "a&amp;b"},
                                                         {"TOTALVISITOR", "0"},
                                                         {"TABLEBODY::NEWS", ""},
                                                         {"TABLEBODY::KEYNODE", ""},
                                                         {"TIMEBEGIN", ""},
                                                         {"TIMEEND", ""},
                                                         {"TIMEOFDAY", "1970/01/01"},
                                                         {"NULL", ""},
                                                         {"totalvisitor", ""},
                                                         {"", ""},
                                                         {"MACHINES", ""}};
    const report::ReportState state = report::computeReportState(log);
    for (const auto& [key, text] : expected)
        EXPECT_EQ(report::keyValue(key, log, state), text) << key;
}

// The share of machine visitors and the busiest named ones, their names escaped.
TEST_F(Report, TheMachineLineNamesTheBusiestMachines)
{
    writeFile(
        m_dir.file("prog/res/robots.ini"),
        "[start]\r\nPattern=^\r\nSetID=1\r\n\r\n"
        "[bot]\r\nPattern=^.*?(\\S+Bot)\\b.*$\r\nReplace=other:$1\r\nSetID=2\r\nIfID=1\r\n\r\n"
        "[rest]\r\nPattern=^[\\s\\S]+$\r\nReplace=\"\"\r\nIfID=1\r\n");
    std::vector<Hit> hits = siteChain();
    const std::string page = kSite + "/a";
    for (int i = 0; i < 3; ++i)
        hits.push_back({"10.2.0." + std::to_string(i), 100 + i, "/a", page, "Mozilla/5.0 <b>Bot"});
    hits.push_back({"10.2.1.1", 200, "/a", page, "Mozilla/5.0 ZedBot"});
    hits.push_back({"10.2.1.2", 300, "/robots.txt", "-"});
    store::LogContainer log;
    load(hits, log);
    ASSERT_EQ(log.Visitors.size(), 6u);
    EXPECT_EQ(platform::cp932ToUtf8(value("MACHINES", log)),
              "機械と見られる訪問者 83.3% (5 / 6)。多い順に その他の機械: &lt;b&gt;Bot 3、"
              "その他の機械: ZedBot 1。");

    std::filesystem::remove(m_dir.file("prog/res/robots.ini"));
    store::LogContainer people;
    load(siteChain(), people);
    EXPECT_EQ(platform::cp932ToUtf8(value("MACHINES", people)), "機械と見られる訪問者はいません。");
}

TEST_F(Report, SmallReportMatchesTheGoldenPage)
{
    const char* root = std::getenv("VEXILO_TEST_DATA");
    const std::string data = std::string(root ? root : "data") + "/report/";
    writeFile(m_pages + "/index.html", readFile(data + "template.html"));
    std::vector<Hit> hits = siteChain();
    addEveryDay(hits, 10);
    addVisitors(hits, "198.51.100", 9, 12, "/news/landing.html", kNews);
    addVisitors(hits, "198.51.101", 1, 10, "/blog/", "http://blog.example.org/post");
    addVisitors(hits, "198.51.102", 6, 3, "/shop/item1.html", "https://search.example/");
    addVisitors(hits, "198.51.103", 7, 4, "/shop/item2.html");
    writeFile(m_home + "/www.example.com.urlgrp",
              "[MapStringRegexpNow]\r\n^/shop/\r\n/shop/*\r\n\r\n");
    store::LogContainer log;
    load(hits, log);
    EXPECT_EQ(page("index.html"), readFile(data + "expected.html"));
}

// The report of a finished load goes into a folder that may hold other files: those stay,
// files of the report's names are replaced, and the private staging folder goes away.
// Without templates nothing is written, not even the folder.
TEST_F(Report, PublishedReportLeavesOtherFilesAlone)
{
    const std::string region = "<!--<TOTALVISITOR>-->old<!--</TOTALVISITOR>-->";
    const std::string templates = m_dir.file("templates");
    std::filesystem::create_directories(templates + "/img");
    writeFile(templates + "/index.html", "<p>" + region + "</p>");
    writeFile(templates + "/report.css", region);
    writeFile(templates + "/img/logo.svg", "<svg/>");
    const std::string staging = m_dir.file("tmp");
    std::filesystem::create_directories(staging);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", staging.c_str(), 1);

    std::vector<Hit> hits = siteChain();
    addVisitors(hits, "10.0.0", 0, 4, "/");
    store::LogContainer log;
    load(hits, log);
    const std::string out = m_dir.file("out");
    std::filesystem::create_directories(out);
    writeFile(out + "/index.html", "previous report");
    writeFile(out + "/notes.txt", "mine");

    const struct
    {
        std::string templates, folder;
        int rc;
    } cases[] = {
        {m_dir.file("no-templates"), m_dir.file("never"), platform::kErrPathNotFound},
        {templates, out, 0},
        {templates, m_dir.file("new/deeper"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(report::publishReport(c.templates, c.folder, log), c.rc);
        EXPECT_TRUE(std::filesystem::is_empty(staging));
        if (c.rc != 0) {
            EXPECT_FALSE(std::filesystem::exists(c.folder));
            continue;
        }
        EXPECT_EQ(readFile(c.folder + "/index.html"),
                  "<p><!--<TOTALVISITOR>-->5<!--</TOTALVISITOR>--></p>");
        EXPECT_EQ(readFile(c.folder + "/report.css"), region); // only pages are generated
        EXPECT_EQ(readFile(c.folder + "/img/logo.svg"), "<svg/>");
    }
    EXPECT_EQ(readFile(out + "/notes.txt"), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out),
                            std::filesystem::directory_iterator()),
              4);
    if (oldTmp)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

// Links planted in the report folder lead nowhere: a link at a page's name is replaced by
// the page and the file it led to stays; a link where a subfolder belongs is refused.
TEST_F(Report, PublishedReportNeverWritesThroughALink)
{
    const std::string templates = m_dir.file("templates");
    std::filesystem::create_directories(templates + "/img");
    writeFile(templates + "/index.html", "<p><!--<TOTALVISITOR>-->old<!--</TOTALVISITOR>--></p>");
    writeFile(templates + "/img/logo.svg", "<svg/>");
    std::vector<Hit> hits = siteChain();
    store::LogContainer log;
    load(hits, log);
    const std::string victim = m_dir.file("victim.txt");
    const std::string victimFolder = m_dir.file("victim-folder");
    writeFile(victim, "precious");
    std::filesystem::create_directories(victimFolder);

    const std::string pageLink = m_dir.file("page-link");
    std::filesystem::create_directories(pageLink + "/img");
    std::filesystem::create_symlink(victim, pageLink + "/index.html");
    std::filesystem::create_symlink(victim, pageLink + "/img/logo.svg");
    ASSERT_EQ(report::publishReport(templates, pageLink, log), 0);
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(pageLink + "/index.html"));
    EXPECT_EQ(readFile(pageLink + "/index.html"),
              "<p><!--<TOTALVISITOR>-->1<!--</TOTALVISITOR>--></p>");
    EXPECT_EQ(readFile(pageLink + "/img/logo.svg"), "<svg/>");

    const std::string folderLink = m_dir.file("folder-link");
    std::filesystem::create_directories(folderLink);
    std::filesystem::create_directory_symlink(victimFolder, folderLink + "/img");
    EXPECT_EQ(report::publishReport(templates, folderLink, log), platform::kErrAccessDenied);
    EXPECT_TRUE(std::filesystem::is_empty(victimFolder));
}

} // namespace
