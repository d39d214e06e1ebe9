// combine's and crunchbox's copying: joining byte for byte, gzip in and out, multi-member and
// truncated gzip inputs, STOP, the output-is-an-input refusal, the list's moves, and
// compressing next to the input without losing it.

#include "../platform/temp_dir.h"
#include "combine/combine_job.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

namespace {

using namespace combine;
using vxtest::TempDir;

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeGz(const std::string& path, const std::string& bytes, const char* mode = "wb")
{
    gzFile f = gzopen(path.c_str(), mode);
    gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(f);
}

std::string readGz(const std::string& path)
{
    gzFile f = gzopen(path.c_str(), "rb");
    std::string out;
    char buffer[4096];
    for (int n; (n = gzread(f, buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    gzclose(f);
    return out;
}

bool isGzip(const std::string& path)
{
    const std::string head = read(path).substr(0, 2);
    return head == "\x1f\x8b";
}

TEST(Combine, JoinsByteForByteWhateverTheInputsAre)
{
    TempDir dir;
    write(dir.file("a.log"), "line 1\nno end");
    writeGz(dir.file("b.log.gz"), "line 2\n");
    // Two gzip members one after the other (as `cat x.gz y.gz` makes them).
    writeGz(dir.file("m1.gz"), "member 1\n");
    writeGz(dir.file("m2.gz"), "member 2\n");
    write(dir.file("multi.log.gz"), read(dir.file("m1.gz")) + read(dir.file("m2.gz")));
    const std::vector<std::string> inputs{dir.file("a.log"), dir.file("b.log.gz"),
                                          dir.file("multi.log.gz")};
    const std::string joined = "line 1\nno endline 2\nmember 1\nmember 2\n";
    const struct
    {
        const char* output;
        bool compressed;
    } cases[] = {
        {"out.log", false}, {"out.log.gz", true}, {"OUT.LOG.GZ", true}, {"out.gz.log", false}};
    for (const auto& c : cases) {
        Progress progress;
        const Outcome o = combineFiles(inputs, dir.file(c.output), progress);
        ASSERT_TRUE(o.ok()) << c.output << " " << o.what;
        EXPECT_EQ(isGzip(dir.file(c.output)), c.compressed) << c.output;
        EXPECT_EQ(c.compressed ? readGz(dir.file(c.output)) : read(dir.file(c.output)), joined)
            << c.output;
        EXPECT_EQ(progress.done, progress.total);
    }
}

TEST(Combine, FailuresAreToldWithTheirFile)
{
    TempDir dir;
    std::string big(200000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97)
        big[i] = static_cast<char>('a' + i % 26);
    writeGz(dir.file("whole.gz"), big);
    const std::string bytes = read(dir.file("whole.gz"));
    write(dir.file("cut.gz"), bytes.substr(0, bytes.size() / 2));
    write(dir.file("a.log"), "a\n");
    std::filesystem::create_symlink(dir.file("a.log"), dir.file("link.log"));

    Progress progress;
    Outcome o =
        combineFiles({dir.file("a.log"), dir.file("cut.gz")}, dir.file("out.log"), progress);
    EXPECT_EQ(o.code, EIO);
    EXPECT_EQ(o.path, dir.file("cut.gz"));
    o = combineFiles({dir.file("a.log"), dir.file("missing.log")}, dir.file("out.log"), progress);
    EXPECT_NE(o.code, 0);
    EXPECT_EQ(o.path, dir.file("missing.log"));
    // The output is an input: refused before anything is written, also through a link.
    o = combineFiles({dir.file("a.log")}, dir.file("link.log"), progress);
    EXPECT_EQ(o.code, EINVAL);
    EXPECT_EQ(read(dir.file("a.log")), "a\n");
    FileList list;
    EXPECT_TRUE(list.add(dir.file("a.log")));
    EXPECT_FALSE(list.add(dir.file("a.log")));
    EXPECT_TRUE(list.add(dir.file("link.log"))); // another spelling is listed again
    EXPECT_TRUE(list.holds(dir.file("link.log")));
    EXPECT_TRUE(list.holds(dir.file("./a.log")));
    EXPECT_FALSE(list.holds(dir.file("out.log")));
}

TEST(Combine, StopLeavesAPartialOutput)
{
    TempDir dir;
    write(dir.file("big.log"), std::string(64 << 20, 'x'));
    Progress progress;
    std::thread stopper([&] {
        while (progress.done == 0)
            std::this_thread::yield();
        progress.running = false;
    });
    const Outcome o = combineFiles({dir.file("big.log")}, dir.file("out.log"), progress);
    stopper.join();
    EXPECT_EQ(o.code, kCancelled);
    const auto size = std::filesystem::file_size(dir.file("out.log"));
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, std::uint64_t(64) << 20);
}

TEST(Combine, ListMovesAndTexts)
{
    const struct
    {
        std::vector<int> rows;
        bool up;
        std::string order;
        std::vector<int> now;
    } cases[] = {
        {{1}, true, "bacde", {0}},        {{2, 4}, true, "acebd", {1, 2}},
        {{0}, true, "abcde", {0}}, // the first cannot go up
        {{0, 2}, false, "bdace", {2, 3}}, {{4}, false, "abcde", {4}},
        {{1, 2}, false, "adbce", {2, 3}},
    };
    for (const auto& c : cases) {
        FileList list;
        for (char ch : std::string("abcde"))
            list.add(std::string(1, ch));
        const std::vector<int> now = c.up ? list.moveUp(c.rows) : list.moveDown(c.rows);
        std::string order;
        for (const std::string& p : list.paths())
            order += p;
        EXPECT_EQ(order, c.order);
        EXPECT_EQ(now, c.now);
    }
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {255, "255"}, {256, "0.2k"}, {0x3FFFF, "256.0k"}, {0x40000, "0.2M"}, {0x10000000, "0.2G"}};
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(sizeText(bytes), text) << bytes;
    EXPECT_EQ(remainingText(1000, 0), "--:--");
    EXPECT_EQ(remainingText(10000, 0.5), "10 sec"); // 10 s
    EXPECT_EQ(remainingText(12000, 0.5), "15 sec"); // 12 s, rounded to 5
    EXPECT_EQ(remainingText(100000, 0.5), "1:30");  // 100 s, down to 30
}

TEST(Combine, CrunchboxKeepsTheInputUntilItsOutputIsWhole)
{
    TempDir dir;
    write(dir.file("a.log"), "hello\n");
    Progress progress;
    ASSERT_TRUE(gzipFile(dir.file("a.log"), false, progress).ok());
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.log")));
    EXPECT_EQ(readGz(dir.file("a.log.gz")), "hello\n");
    ASSERT_TRUE(gunzipFile(dir.file("a.log.gz"), false, progress).ok());
    EXPECT_EQ(read(dir.file("a.log")), "hello\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.log.gz")));

    // An existing output is kept unless the user said to replace it; so is the input.
    write(dir.file("a.log.gz"), "old");
    Outcome o = gzipFile(dir.file("a.log"), false, progress);
    EXPECT_EQ(o.code, EEXIST);
    EXPECT_EQ(read(dir.file("a.log.gz")), "old");
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.log")));
    EXPECT_TRUE(gzipFile(dir.file("a.log"), true, progress).ok());
    EXPECT_EQ(readGz(dir.file("a.log.gz")), "hello\n");

    // A damaged input: no output, the input stays.
    const std::string bytes = read(dir.file("a.log.gz"));
    write(dir.file("cut.log.gz"), bytes.substr(0, bytes.size() - 6));
    o = gunzipFile(dir.file("cut.log.gz"), false, progress);
    EXPECT_EQ(o.code, EIO);
    EXPECT_TRUE(std::filesystem::exists(dir.file("cut.log.gz")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.log")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("")))
        EXPECT_EQ(entry.path().string().find(".crunchbox"), std::string::npos) << entry.path();
    EXPECT_EQ(gunzipName("x.GZ"), "x");
    EXPECT_EQ(gunzipName("x.log"), "");
}

} // namespace
