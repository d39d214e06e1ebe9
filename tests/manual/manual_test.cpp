// The manual as installed next to the programs: every link and picture of every page
// resolves (to a file of the manual, and to an id of that page for "#..."), every page the
// programs open is there, and order.txt names every page once.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::set<std::string> ids(const std::string& html)
{
    std::set<std::string> out;
    const std::regex id(R"re(\sid="([^"]+)")re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), id); it != std::sregex_iterator();
         ++it)
        out.insert((*it)[1]);
    return out;
}

const fs::path kManual = VEXILO_MANUAL_DIR;

TEST(Manual, EveryLinkAndPictureResolves)
{
    std::set<std::string> pages;
    for (const auto& entry : fs::directory_iterator(kManual))
        if (entry.path().extension() == ".html")
            pages.insert(entry.path().filename().string());
    for (const char* opened : {"index.html", "index_sw.html", "index_wl.html", "manual.pdf"})
        EXPECT_TRUE(fs::exists(kManual / opened)) << opened << " (the programs open it)";
    ASSERT_GT(pages.size(), 5u);

    const std::regex link(R"re((?:href|src)="([^"]*)")re");
    for (const std::string& page : pages) {
        const std::string html = read(kManual / page);
        EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos) << page;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), link);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            if (target.rfind("https://", 0) == 0 || target.rfind("mailto:", 0) == 0)
                continue;
            ASSERT_FALSE(target.empty()) << page;
            EXPECT_EQ(target.find("://"), std::string::npos) << page << ": " << target;
            const std::size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path resolved = file.empty() ? kManual / page : kManual / file;
            EXPECT_TRUE(fs::exists(resolved)) << page << ": " << target;
            if (hash != std::string::npos && fs::exists(resolved)) {
                EXPECT_EQ(ids(read(resolved)).count(target.substr(hash + 1)), 1u)
                    << page << ": " << target;
            }
        }
    }

    // The printed manual follows order.txt: every page once, the start page first.
    std::ifstream order(kManual / "order.txt");
    std::set<std::string> ordered;
    std::string line, first;
    while (std::getline(order, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (first.empty())
            first = line;
        EXPECT_TRUE(ordered.insert(line).second) << line << " twice in order.txt";
    }
    EXPECT_EQ(first, "index.html");
    EXPECT_EQ(ordered, pages);
}

} // namespace
