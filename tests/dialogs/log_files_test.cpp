#include "dialogs/log_files.h"
#include "tests/platform/temp_dir.h"

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using ui::FileOrder;
using ui::LogFileItem;

void writeFile(const std::string& path, std::size_t bytes, std::int64_t mtimeSeconds = 0)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << std::string(bytes, 'x');
    if (mtimeSeconds) {
        const timespec times[2] = {{mtimeSeconds, 0}, {mtimeSeconds, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

std::vector<std::string> names(const std::vector<LogFileItem>& items, std::size_t cut)
{
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.path.substr(cut));
    return out;
}

TEST(LogFiles, WildcardsMatchLikeTheFileSystemSearch)
{
    const struct
    {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"access*.log", "access.log", true},
        {"access*.log", "ACCESS_2024-01.LOG", true},
        {"access*.log", "access.log.gz", false},
        {"access*.log", "xaccess.log", false},
        {"*.gz", "access.log.gz", true},
        {"a?c.log", "abc.log", true},
        {"a?c.log", "ac.log", false},
        {"*.*", "README", true},
        {"*", "anything", true},
        {"*a*b", "xaYaZb", true},
        {"*a*b", "xaYaZbc", false},
        {"**.log", "x.log", true},
        {"", "x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::wildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(LogFiles, SearchListsMatchingFilesOfTheFolderAndItsSubfolders)
{
    vxtest::TempDir dir;
    const std::string root = dir.file("logs");
    writeFile(root + "/access.log", 10);
    writeFile(root + "/access1.log", 300);
    writeFile(root + "/other.txt", 5);
    writeFile(root + "/sub/access2.log", 7);
    writeFile(root + "/sub/deep/access3.log", 9);
    std::filesystem::create_directories(root + "/access_dir.log"); // a folder, not a log
    const std::size_t cut = root.size() + 1;

    const auto flat = ui::searchLogFiles(root, "access*.log", false, 0).items;
    EXPECT_EQ(names(flat, cut), (std::vector<std::string>{"access.log", "access1.log"}));
    ASSERT_EQ(flat.size(), 2u);
    EXPECT_EQ(flat[1].size, 300u);
    EXPECT_EQ(flat[1].name(), "access1.log");

    const auto deep = ui::searchLogFiles(root, "access*.log", true, 0).items;
    EXPECT_EQ(names(deep, cut),
              (std::vector<std::string>{"access.log", "access1.log", "sub/access2.log",
                                        "sub/deep/access3.log"}));
    EXPECT_TRUE(ui::searchLogFiles(root + "/missing", "*", true, 0).items.empty());
}

TEST(LogFiles, OnlyFilesStrictlyNewerThanTheAnalysedLogAreFound)
{
    vxtest::TempDir dir;
    const std::string root = dir.file("logs");
    const std::int64_t t = 1700000000;
    writeFile(root + "/access.old.log", 1, t - 60);
    writeFile(root + "/access.same.log", 1, t);
    writeFile(root + "/access.new.log", 1, t + 1);
    const auto found = ui::searchLogFiles(root, "access*.log", false, t * 1000000000).items;
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name(), "access.new.log");
}

TEST(LogFiles, ColumnsSortAscendingFirstThenDescending)
{
    const auto item = [](const char* path, std::uint64_t size) {
        LogFileItem i;
        i.path = path;
        i.size = size;
        i.namePos = std::string(path).find_last_of('/') + 1;
        return i;
    };
    const std::vector<LogFileItem> items = {
        item("/b/Access.log", 30),
        item("/a/zeta.log", 10),
        item("/c/alpha.log", 30),
        item("/A/beta.log", 20),
    };
    const struct
    {
        FileOrder order;
        std::vector<std::string> paths;
    } cases[] = {
        {{FileOrder::kFileName, false},
         {"/b/Access.log", "/c/alpha.log", "/A/beta.log", "/a/zeta.log"}},
        {{FileOrder::kFileName, true},
         {"/a/zeta.log", "/A/beta.log", "/c/alpha.log", "/b/Access.log"}},
        // Equal sizes fall back to the file name.
        {{FileOrder::kSize, false},
         {"/a/zeta.log", "/A/beta.log", "/b/Access.log", "/c/alpha.log"}},
        {{FileOrder::kSize, true}, {"/c/alpha.log", "/b/Access.log", "/A/beta.log", "/a/zeta.log"}},
        {{FileOrder::kPath, false},
         {"/A/beta.log", "/a/zeta.log", "/b/Access.log", "/c/alpha.log"}},
        {{FileOrder::kNone, false},
         {"/b/Access.log", "/a/zeta.log", "/c/alpha.log", "/A/beta.log"}},
    };
    for (const auto& c : cases) {
        auto sorted = items;
        ui::sortLogFiles(sorted, c.order);
        EXPECT_EQ(names(sorted, 0), c.paths) << c.order.column << " " << c.order.descending;
    }

    FileOrder order;
    order = ui::nextFileOrder(order, FileOrder::kSize);
    EXPECT_EQ(order.column, FileOrder::kSize);
    EXPECT_FALSE(order.descending);
    order = ui::nextFileOrder(order, FileOrder::kSize);
    EXPECT_TRUE(order.descending);
    order = ui::nextFileOrder(order, FileOrder::kPath);
    EXPECT_EQ(order.column, FileOrder::kPath);
    EXPECT_FALSE(order.descending);
}

TEST(LogFiles, LaterDuplicatesOfAPathAreRemoved)
{
    std::vector<LogFileItem> items;
    for (const char* path : {"/x/a.log", "/x/b.log", "/x/a.log", "/y/a.log", "/x/b.log"})
        items.push_back(ui::makeLogFileItem(path));
    ui::removeDuplicateFiles(items);
    EXPECT_EQ(names(items, 0), (std::vector<std::string>{"/x/a.log", "/x/b.log", "/y/a.log"}));
    EXPECT_EQ(items[0].size, 0u); // files that cannot be opened count as empty
    EXPECT_EQ(ui::totalSize(items), 0u);
}

TEST(LogFiles, ASearchSaysWhyItFoundNothing)
{
    vxtest::TempDir dir;
    const std::string root = dir.file("logs");
    const std::int64_t t = 1700000000;
    writeFile(root + "/access.log", 1, t - 60);
    writeFile(root + "/sub/other.log", 1);
    writeFile(dir.file("plain.txt"), 1);
    const std::atomic<bool> stopped{true};
    const struct
    {
        std::string folder;
        const char* pattern;
        bool subfolders;
        std::int64_t newerThan;
        const std::atomic<bool>* cancel;
        ui::SearchOutcome outcome;
        std::size_t found;
    } cases[] = {
        {root, "access*.log", false, 0, nullptr, ui::SearchOutcome::kFound, 1},
        {root, "error*.log", true, 0, nullptr, ui::SearchOutcome::kNoMatch, 0},
        {root, "other.log", false, 0, nullptr, ui::SearchOutcome::kNoMatch, 0}, // only below
        {root, "access*.log", false, t * 1000000000, nullptr, ui::SearchOutcome::kNoneNewer, 0},
        {dir.file("missing"), "*.log", false, 0, nullptr, ui::SearchOutcome::kNoFolder, 0},
        {dir.file("plain.txt/x"), "*.log", false, 0, nullptr, ui::SearchOutcome::kNoFolder, 0},
        {dir.file("plain.txt"), "*.log", false, 0, nullptr, ui::SearchOutcome::kNotAFolder, 0},
        {root, "*.log", true, 0, &stopped, ui::SearchOutcome::kCancelled, 0},
    };
    for (const auto& c : cases) {
        const ui::SearchResult result =
            ui::searchLogFiles(c.folder, c.pattern, c.subfolders, c.newerThan, c.cancel);
        EXPECT_EQ(result.outcome, c.outcome) << c.folder << " " << c.pattern;
        EXPECT_EQ(result.items.size(), c.found) << c.folder << " " << c.pattern;
    }
}

TEST(LogFiles, TheSameFileByAnotherPathIsListedOnce)
{
    vxtest::TempDir dir;
    const std::string logs = dir.file("logs");
    writeFile(logs + "/access.log", 10);
    writeFile(logs + "/other.log", 10); // same size and folder, another file
    std::filesystem::create_symlink(logs + "/access.log", logs + "/link.log");
    std::filesystem::create_hard_link(logs + "/access.log", dir.file("hard.log"));
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::vector<LogFileItem> items;
    for (const std::string& path :
         {logs + "/access.log", std::string("logs/../logs/access.log"), logs + "/link.log",
          dir.file("hard.log"), std::string("./logs/other.log"), logs + "//access.log"})
        items.push_back(ui::makeLogFileItem(path));
    std::filesystem::current_path(before);
    ui::removeDuplicateFiles(items);
    EXPECT_EQ(names(items, 0),
              (std::vector<std::string>{logs + "/access.log", logs + "/other.log"}));
}

} // namespace
