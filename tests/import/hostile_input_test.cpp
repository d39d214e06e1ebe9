// Hostile and unlucky inputs: no import destroys a file it was not asked to write, loses
// a line silently or reports a failure as success.

#include "../platform/temp_dir.h"
#include "import/classifier.h"
#include "import_helpers.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {

using namespace vxtest;

std::string good(int i)
{
    char time[64];
    std::snprintf(time, sizeof time, "10/Oct/2000:13:%02d:%02d +0000", i / 60 % 60, i % 60);
    return line("10.0.0." + std::to_string(i % 250 + 1), time,
                "GET /good" + std::to_string(i) + ".html HTTP/1.1", 200, "100",
                "http://www.example.com/", kBrowser);
}

std::string gzipped(const std::string& bytes)
{
    std::string out(compressBound(bytes.size()) + 64, '\0');
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY); // gzip wrapper
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Files in a folder, for "nothing was left behind".
std::size_t entries(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

class Hostile : public ::testing::Test
{
  protected:
    Options options(std::initializer_list<std::string> inputs, const std::string& out = "out.vxlog")
    {
        Options o;
        o.output = m_dir.file(out);
        std::vector<std::string> in(inputs);
        o.inputs = sievra::makeList(in);
        return o;
    }
    // The paths of the records, in file order.
    std::vector<std::string> paths(const std::string& vxlog)
    {
        std::vector<std::string> result;
        for (const Row& r : readRows(vxlog))
            result.push_back(r.path);
        return result;
    }
    TempDir m_dir;
};

// Every line stands alone: a line that cannot be parsed or is too long is excluded whole
// (and written to the excluded-lines file), and its neighbours are imported as they are.
TEST_F(Hostile, BadLinesAreExcludedWholeAndTheImportGoesOn)
{
    const std::string noise = [] {
        std::string s;
        for (int i = 0; i < 600000; ++i)
            s += "[x \"?/\t-"[i * 7 % 8];
        return s;
    }();
    const std::string hugeLine = good(90).insert(40, std::string(700000, 'q'));
    const std::string longLine = good(91).insert(40, std::string(70000, 'r'));
    const struct
    {
        const char* name;
        std::string bad; // lines, each with its line feed
    } cases[] = {
        {"half a megabyte without a line feed", noise + "\n"},
        {"a line without its bracketed time",
         "192.0.2.1 - - no time here \"GET /x HTTP/1.1\" 200 1\n"},
        {"the common format, no referer or agent",
         "192.0.2.2 - - [10/Oct/2000:13:00:00 +0000] \"GET /common HTTP/1.0\" 200 5\n"},
        {"an agent whose quote never closes",
         "192.0.2.3 - - [10/Oct/2000:13:00:00 +0000] \"GET /open HTTP/1.0\" 200 5 \"-\" \"Mozi\n"},
        {"a NUL byte inside",
         [] {
             std::string l = good(92);
             l[l.find("good92")] = '\0';
             return l;
         }()},
        {"a blank line", "\n"},
        {"a 70 KB line", longLine},
        {"a 700 KB line", hugeLine},
        {"two bad lines in a row", "garbage\n" + std::string(100000, '[') + "\n"},
    };
    for (const auto& c : cases) {
        for (const bool gz : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (gz ? " (gzip)" : " (plain)"));
            // Good lines around the bad ones, and enough of them that the bad ones
            // straddle a slide of the reader's window.
            std::string log, before, after;
            for (int i = 0; i < 3000; ++i)
                before += good(i);
            for (int i = 3000; i < 3010; ++i)
                after += good(i);
            log = before + c.bad + after;
            const std::string input = m_dir.file(gz ? "in.log.gz" : "in.log");
            writeFile(input, gz ? gzipped(log) : log);
            auto o = options({input});
            o.excludedFile = m_dir.file("excluded.log");
            ASSERT_EQ(runImport(o), 0u);
            const auto got = paths(o.output);
            ASSERT_EQ(got.size(), 3010u);
            EXPECT_EQ(got[2999], "/good2999.html");
            EXPECT_EQ(got[3000], "/good3000.html");
            EXPECT_EQ(got.back(), "/good3009.html");
            EXPECT_TRUE(readFile(o.excludedFile) == c.bad) << "excluded file differs";
        }
    }
}

// What the output path names is never destroyed: refused when it is not a regular file,
// left byte for byte as it was when the import fails, and no temporary file stays behind.
TEST_F(Hostile, FailedImportsLeaveTheOutputAsItWas)
{
    writeFile(m_dir.file("a.log"), good(1) + good(2));
    auto first = options({m_dir.file("a.log")}, "a.vxlog");
    ASSERT_EQ(runImport(first), 0u);
    const std::string analysed = readFile(first.output);
    writeFile(m_dir.file("cut.log.gz"), gzipped(good(3) + good(4)).substr(0, 30));
    writeFile(m_dir.file("user.txt"), "the user's own file");
    std::filesystem::create_directory(m_dir.file("folder"));
    ::mkfifo(m_dir.file("fifo").c_str(), 0600);

    const struct
    {
        const char* name;
        std::string output;
        std::vector<std::string> inputs;
        std::uint32_t code;
        std::string errorFile;
        std::string excluded = "";
    } cases[] = {
        {"an existing file, an input missing",
         "user.txt",
         {"a.log", "missing.log"},
         2,
         "missing.log"},
        {"a folder as output", "folder", {"a.log"}, 87, "folder"},
        {"a FIFO as output", "fifo", {"a.log"}, 87, "fifo"},
        {"a failed append in place", "a.vxlog", {"a.vxlog", "cut.log.gz"}, 13, "cut.log.gz"},
        {"a cut-off gzip input", "user.txt", {"a.log", "cut.log.gz"}, 13, "cut.log.gz"},
        {"an excluded-lines file that cannot be made",
         "user.txt",
         {"a.log"},
         2,
         "no/excluded.log",
         "no/excluded.log"},
    };
    const std::size_t before = entries(m_dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Options o;
        o.output = m_dir.file(c.output);
        std::vector<std::string> in;
        for (const auto& i : c.inputs)
            in.push_back(m_dir.file(i));
        o.inputs = sievra::makeList(in);
        o.excludedFile = c.excluded.empty() ? "" : m_dir.file(c.excluded);
        const ImportOptions opts = o.get();
        LaJob job = nullptr;
        std::uint32_t rc = laCreate(&job, &opts);
        if (rc == 0)
            rc = laImport(job);
        if (rc == 0)
            rc = laFinish(job);
        EXPECT_EQ(rc, c.code);
        char file[4096];
        EXPECT_EQ(laGetErrorFile(job, file, sizeof file), 0u);
        EXPECT_EQ(std::string(file), m_dir.file(c.errorFile));
        EXPECT_EQ(laGetErrorFile(job, file, 4), 122u);
        laRelease(job);
        EXPECT_EQ(entries(m_dir.path()), before);
    }
    EXPECT_EQ(readFile(m_dir.file("user.txt")), "the user's own file");
    EXPECT_EQ(readFile(first.output), analysed);
    EXPECT_TRUE(std::filesystem::is_directory(m_dir.file("folder")));
    EXPECT_TRUE(std::filesystem::is_fifo(m_dir.file("fifo")));

    // A successful import replaces the output where a symbolic link points, and keeps the
    // permissions of the file it replaces.
    ::chmod(m_dir.file("user.txt").c_str(), 0640);
    std::filesystem::create_symlink(m_dir.file("user.txt"), m_dir.file("link.vxlog"));
    auto viaLink = options({m_dir.file("a.log")}, "link.vxlog");
    ASSERT_EQ(runImport(viaLink), 0u);
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.file("link.vxlog")));
    EXPECT_EQ(readFile(m_dir.file("user.txt")), analysed);
    struct stat st
    {
    };
    ::stat(m_dir.file("user.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// An input that is also an output, however it is spelt, is refused before anything is
// opened for writing; extending an analysed log in place is allowed.
TEST_F(Hostile, AnInputIsNeverAlsoAnOutput)
{
    const std::string log = good(1) + good(2);
    writeFile(m_dir.file("in.log"), log);
    std::filesystem::create_symlink(m_dir.file("in.log"), m_dir.file("sym.log"));
    std::filesystem::create_hard_link(m_dir.file("in.log"), m_dir.file("hard.log"));
    auto base = options({m_dir.file("in.log")}, "keep.vxlog");
    ASSERT_EQ(runImport(base), 0u);
    const std::string analysed = readFile(base.output);
    writeFile(m_dir.file("other.vxlog"), analysed);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.path());

    const struct
    {
        const char* name;
        std::string output, truncated, excluded;
        std::vector<std::string> inputs;
    } cases[] = {
        {"the output by a relative name", "in.log", "", "", {m_dir.file("in.log")}},
        {"the output through a symbolic link", "sym.log", "", "", {"in.log"}},
        {"the output through a hard link", "hard.log", "", "", {"in.log"}},
        {"the excluded-lines file", "o.vxlog", "", "./in.log", {"in.log"}},
        {"the truncated-lines file", "o.vxlog", "sym.log", "", {"in.log"}},
        {"output and excluded-lines file", "o.vxlog", "", "o.vxlog", {"in.log"}},
        {"both side files", "o.vxlog", "new.txt", "./new.txt", {"in.log"}},
        {"two analysed logs", "o.vxlog", "", "", {"keep.vxlog", "other.vxlog"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Options o;
        o.output = c.output;
        o.truncatedFile = c.truncated;
        o.excludedFile = c.excluded;
        o.inputs = sievra::makeList(c.inputs);
        EXPECT_EQ(runImport(o), 87u);
        EXPECT_EQ(readFile(m_dir.file("in.log")), log);
        EXPECT_FALSE(std::filesystem::exists(m_dir.file("o.vxlog")));
        EXPECT_FALSE(std::filesystem::exists(m_dir.file("new.txt")));
    }
    std::filesystem::current_path(cwd);

    // In place: the old records first, then the new lines.
    writeFile(m_dir.file("more.log"), good(3));
    auto inPlace = options({m_dir.file("keep.vxlog"), m_dir.file("more.log")}, "keep.vxlog");
    ASSERT_EQ(runImport(inPlace), 0u);
    EXPECT_EQ(paths(inPlace.output),
              (std::vector<std::string>{"/good1.html", "/good2.html", "/good3.html"}));
}

// Pipes and FIFOs are read as streams, plain or compressed.
TEST_F(Hostile, FifosAreReadAsStreams)
{
    std::string log;
    for (int i = 0; i < 20000; ++i)
        log += good(i);
    for (const bool gz : {false, true}) {
        SCOPED_TRACE(gz ? "gzip" : "plain");
        const std::string fifo = m_dir.file(gz ? "pipe.log.gz" : "pipe.log");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::thread writer([&] { writeFile(fifo, gz ? gzipped(log) : log); });
        auto o = options({fifo});
        EXPECT_EQ(runImport(o), 0u);
        writer.join();
        EXPECT_EQ(readRows(o.output).size(), 20000u);
    }
}

// Normalisation is linear and gives what removing one match at a time gives.
std::string normaliseOneAtATime(std::string text)
{
    if (const auto hash = text.find('#'); hash != std::string::npos)
        text.resize(hash);
    for (auto at = text.find("/./"); at != std::string::npos; at = text.find("/./", at))
        text.erase(at, 2);
    const std::size_t k = text.rfind("http://", 0) == 0    ? 7
                          : text.rfind("https://", 0) == 0 ? 8
                                                           : 0;
    for (auto at = text.find("//", k); at != std::string::npos; at = text.find("//", at))
        text.erase(at, 1);
    for (auto a = text.find("/../"); a != std::string::npos; a = text.find("/../", a)) {
        const auto s = a == 0 ? std::string::npos : text.rfind('/', a - 1);
        const std::size_t from = s == std::string::npos ? 0 : s;
        text.erase(from, a + 3 - from);
    }
    return text;
}

TEST(Normalise, AgreesWithRemovingOneMatchAtATime)
{
    // Every text of up to 8 characters over the bytes that matter, then longer random ones.
    const char alphabet[] = {'/', '.', 'a', ':'};
    for (std::size_t length = 0; length <= 8; ++length) {
        std::size_t combinations = 1;
        for (std::size_t i = 0; i < length; ++i)
            combinations *= 4;
        for (std::size_t n = 0; n < combinations; ++n) {
            std::string text;
            for (std::size_t i = 0, v = n; i < length; ++i, v /= 4)
                text += alphabet[v % 4];
            for (const char* prefix : {"", "http://", "https://", "http:/."}) {
                std::string t = prefix + text, expected = normaliseOneAtATime(t);
                sievra::normaliseUrl(t);
                ASSERT_EQ(t, expected) << prefix << text;
            }
        }
    }
    unsigned seed = 12345;
    for (int n = 0; n < 20000; ++n) {
        std::string text = "http://";
        const std::size_t length = 10 + (seed = seed * 1103515245 + 12345) % 60;
        for (std::size_t i = 0; i < length; ++i)
            text += "/./../a#"[(seed = seed * 1103515245 + 12345) >> 16 & 7];
        std::string expected = normaliseOneAtATime(text);
        sievra::normaliseUrl(text);
        ASSERT_EQ(text, expected);
    }
}

} // namespace
