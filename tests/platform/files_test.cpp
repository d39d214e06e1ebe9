#include "platform/errors.h"
#include "platform/files.h"
#include "temp_dir.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using platform::File;

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Files, OpenErrorsUseTheProgramsCodes)
{
    vxtest::TempDir dir;
    File f;
    EXPECT_EQ(f.open(dir.file("missing"), File::Mode::Read), platform::kErrFileNotFound);
    EXPECT_EQ(f.open(dir.file("no/such/folder/x"), File::Mode::CreateAlways),
              platform::kErrFileNotFound);
    EXPECT_EQ(f.open(dir.path(), File::Mode::Read), platform::kErrAccessDenied);
    EXPECT_EQ(f.open("", File::Mode::Read), platform::kErrFileNotFound);
    EXPECT_FALSE(f.isOpen());
}

TEST(Files, PositionedIoBeyondFourGigabytes)
{
    vxtest::TempDir dir;
    File f;
    ASSERT_EQ(f.open(dir.file("big"), File::Mode::CreateAlways), 0);
    const std::uint64_t far = (std::uint64_t(1) << 32) + 12345; // sparse, takes no space
    ASSERT_EQ(f.writeAt(far, "tail", 4), 0);
    EXPECT_EQ(f.size(), std::int64_t(far + 4));
    EXPECT_EQ(platform::fileSize(dir.file("big")), std::int64_t(far + 4));
    char buf[4] = {};
    ASSERT_EQ(f.readAt(far, buf, 4), 0);
    EXPECT_EQ(std::string(buf, 4), "tail");
    std::size_t got = 99;
    EXPECT_EQ(f.readAt(far + 2, buf, 4, &got), platform::kErrHandleEof);
    EXPECT_EQ(got, 2u);
}

TEST(Files, ReaderSeesWritesOfAnotherHandle)
{
    vxtest::TempDir dir;
    File writer, reader;
    ASSERT_EQ(writer.open(dir.file("log"), File::Mode::CreateAlways), 0);
    ASSERT_EQ(reader.open(dir.file("log"), File::Mode::Read), 0);
    ASSERT_EQ(writer.append("abc", 3), 0);
    ASSERT_EQ(writer.append("def", 3), 0);
    char buf[6];
    ASSERT_EQ(reader.readAt(0, buf, 6), 0);
    EXPECT_EQ(std::string(buf, 6), "abcdef");
}

TEST(Files, ViewsAtUnalignedOffsets)
{
    vxtest::TempDir dir;
    File f;
    ASSERT_EQ(f.open(dir.file("map"), File::Mode::CreateAlways), 0);
    std::string data(3 * platform::kAllocationGranularity + 100, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char('a' + i % 26);
    ASSERT_EQ(f.writeAt(0, data.data(), data.size()), 0);

    // Read-only view from an odd offset to the end.
    platform::MappedView view;
    const std::uint64_t offset = platform::kAllocationGranularity + 7;
    ASSERT_EQ(view.map(f, offset, 0, false), 0);
    ASSERT_EQ(view.size(), data.size() - offset);
    EXPECT_EQ(std::memcmp(view.data(), data.data() + offset, view.size()), 0);

    // A writable view writes through to the file.
    platform::MappedView rw;
    ASSERT_EQ(rw.map(f, 12 * 5000 + 4, 8, true), 0);
    std::memcpy(rw.data(), "PATCHED!", 8);
    rw.unmap();
    f.close();
    EXPECT_EQ(readAll(dir.file("map")).substr(12 * 5000 + 4, 8), "PATCHED!");

    // Beyond the end is refused; an empty view is allowed.
    ASSERT_EQ(f.open(dir.file("map"), File::Mode::Read), 0);
    EXPECT_NE(view.map(f, data.size() + 1, 0, false), 0);
    EXPECT_EQ(view.map(f, data.size(), 0, false), 0);
    EXPECT_EQ(view.size(), 0u);
}

TEST(Files, TimesFollowWrites)
{
    vxtest::TempDir dir;
    const std::string path = dir.file("t");
    EXPECT_EQ(platform::lastWriteTime(path), 0);
    EXPECT_EQ(platform::creationTime(path), 0);
    std::ofstream(path) << "x";
    const auto created = platform::creationTime(path);
    const auto first = platform::lastWriteTime(path);
    EXPECT_GT(first, 0);
    EXPECT_GT(created, 0);
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                               std::chrono::seconds(10));
    EXPECT_GE(platform::lastWriteTime(path) - first, 10'000'000'000LL - 1'000'000'000LL);
    struct statx sx
    {
    };
    ASSERT_EQ(::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx), 0);
    if (sx.stx_mask & STATX_BTIME) { // where the file system keeps a birth time
        EXPECT_EQ(platform::creationTime(path), created);
    }
}

TEST(Files, TempFileNamesAreNewFiles)
{
    vxtest::TempDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string path = platform::makeTempFile(dir.path(), "vx");
        ASSERT_FALSE(path.empty());
        EXPECT_TRUE(platform::fileExists(path));
        EXPECT_EQ(path.rfind(dir.path() + "/vx", 0), 0u);
        EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_TRUE(platform::makeTempFile(dir.file("missing"), "vx").empty());
}

TEST(Files, FolderCopyAndDelete)
{
    vxtest::TempDir dir;
    std::filesystem::create_directories(dir.file("src/sub"));
    std::ofstream(dir.file("src/a.html")) << "A";
    std::ofstream(dir.file("src/sub/b.html")) << "B";
    std::filesystem::create_directories(dir.file("dst"));
    std::ofstream(dir.file("dst/a.html")) << "old";
    ASSERT_EQ(platform::copyFolder(dir.file("src"), dir.file("dst")), 0);
    EXPECT_EQ(readAll(dir.file("dst/a.html")), "A");
    EXPECT_EQ(readAll(dir.file("dst/sub/b.html")), "B");
    EXPECT_NE(platform::copyFolder(dir.file("nothing"), dir.file("dst2")), 0);

    ASSERT_EQ(platform::deleteFolder(dir.file("dst")), 0);
    EXPECT_FALSE(platform::isDirectory(dir.file("dst")));
    EXPECT_EQ(platform::deleteFolder(dir.file("dst")), 0);
}

TEST(Files, FolderOf)
{
    EXPECT_EQ(platform::folderOf("/a/b/c.log"), "/a/b");
    EXPECT_EQ(platform::folderOf("/c.log"), "/");
    EXPECT_EQ(platform::folderOf("c.log"), ".");
}

} // namespace

namespace replace {

// Names in a folder, sorted.
std::vector<std::string> listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Lets writes beyond `bytes` fail with EFBIG while it lives.
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

} // namespace replace

TEST(Files, ReplaceFileLeavesTheOldFileOrTheNewOneWhole)
{
    using namespace replace;
    const std::string big(64 * 1024, 'n');
    const mode_t umask = ::umask(022);
    ::umask(umask);
    const struct
    {
        const char* name;
        const char* old; // contents before; nullptr: no file
        mode_t oldMode;
        std::string bytes;
        bool sizeLimit; // writes beyond 4 KiB fail
        int rc;
    } cases[] = {
        {"new", nullptr, 0, "fresh\r\n", false, 0},
        {"replaced", "old contents that are longer", 0640, "new", false, 0},
        {"emptied", "old", 0600, "", false, 0},
        {"private", "old", 0400, big, false, 0},
        {"disk full", "old", 0640, big, true, platform::kErrDiskFull},
        {"disk full, new", nullptr, 0, big, true, platform::kErrDiskFull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vxtest::TempDir dir;
        const std::string path = dir.file("target.ini");
        if (c.old) {
            std::ofstream(path, std::ios::binary) << c.old;
            ASSERT_EQ(::chmod(path.c_str(), c.oldMode), 0);
        }
        int rc;
        {
            std::optional<FileSizeLimit> limit;
            if (c.sizeLimit)
                limit.emplace(4096);
            rc = platform::replaceFile(path, c.bytes);
        }
        EXPECT_EQ(rc, c.rc);
        if (rc == 0) {
            EXPECT_EQ(readAll(path), c.bytes);
            EXPECT_EQ(modeOf(path), c.old ? c.oldMode : 0666 & ~umask);
        } else if (c.old) {
            EXPECT_EQ(readAll(path), c.old);
            EXPECT_EQ(modeOf(path), c.oldMode);
        }
        // No temporary is ever left behind.
        const bool present = c.old || rc == 0;
        EXPECT_EQ(listing(dir.path()),
                  present ? std::vector<std::string>{"target.ini"} : std::vector<std::string>{});
    }
}

TEST(Files, ReplaceFileKeepsLinksAndRefusesWhatIsNoFile)
{
    using namespace replace;
    vxtest::TempDir dir;
    std::filesystem::create_directories(dir.file("real"));
    std::ofstream(dir.file("real/conf.ini")) << "old";
    ASSERT_EQ(::chmod(dir.file("real/conf.ini").c_str(), 0604), 0);
    std::filesystem::create_symlink(dir.file("real/conf.ini"), dir.file("link.ini"));
    ASSERT_EQ(platform::replaceFile(dir.file("link.ini"), "new"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(readAll(dir.file("real/conf.ini")), "new");
    EXPECT_EQ(modeOf(dir.file("real/conf.ini")), 0604u);
    EXPECT_EQ(listing(dir.file("real")), std::vector<std::string>{"conf.ini"});

    std::filesystem::create_directories(dir.file("folder/inside"));
    EXPECT_NE(platform::replaceFile(dir.file("folder"), "x"), 0);
    EXPECT_EQ(listing(dir.file("folder")), std::vector<std::string>{"inside"});
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"folder", "link.ini", "real"}));
}

TEST(Files, ReadersNeverSeeAHalfReplacedFile)
{
    vxtest::TempDir dir;
    const std::string path = dir.file("page.html");
    const std::string a(20000, 'a'), b(3000, 'b');
    ASSERT_EQ(platform::replaceFile(path, a), 0);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string seen = readAll(path);
            torn += seen != a && seen != b;
        }
    });
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(platform::replaceFile(path, i % 2 ? a : b), 0);
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}
