#include "../platform/temp_dir.h"
#include "import/readers.h"
#include "import_helpers.h"
#include "platform/codepage.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <zlib.h>

namespace {

using namespace vxtest;

// A page view at a given second of 10 Oct 2000 (UTC), with its own path.
std::string page(int i, const std::string& path = "")
{
    char time[64];
    std::snprintf(time, sizeof time, "10/Oct/2000:%02d:%02d:%02d +0000", i / 3600 % 24, i / 60 % 60,
                  i % 60);
    return line("10.0.0." + std::to_string(i % 250 + 1), time,
                "GET " + (path.empty() ? "/p" + std::to_string(i) + ".html" : path) + " HTTP/1.1",
                200, "100", "http://www.example.com/from" + std::to_string(i % 7), kBrowser);
}

void writeGzip(const std::string& path, const std::string& bytes)
{
    gzFile gz = gzopen(path.c_str(), "wb6");
    gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(gz);
}

class Import : public ::testing::Test
{
  protected:
    Options options(std::initializer_list<std::string> inputs, const std::string& out = "out.vxlog")
    {
        Options o;
        o.output = m_dir.file(out);
        std::string in;
        for (const auto& i : inputs)
            in += i + '\0';
        o.inputs = in + '\0';
        return o;
    }
    TempDir m_dir;
};

TEST_F(Import, EmptyImportIsA106ByteFile)
{
    writeFile(m_dir.file("empty.log"), "");
    const auto o = options({m_dir.file("empty.log")});
    ASSERT_EQ(runImport(o), 0u);
    const std::string bytes = readFile(o.output);
    ASSERT_EQ(bytes.size(), 106u);
    EXPECT_EQ(bytes.substr(0, 4), "vxf2");
    EXPECT_EQ(bytes.substr(104), std::string(2, '\0'));
    sievra::Header h;
    std::memcpy(h.bytes, bytes.data(), 104);
    EXPECT_EQ(h.size(sievra::kRec), 0u);
    EXPECT_EQ(h.size(sievra::kDic), 2u);
    EXPECT_EQ(h.size(sievra::kFrg), 0u);
    EXPECT_EQ(h.get64(20 + 28 + 20), 2u); // the second copy of the dic size
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h.bytes) + 48, 4), "dic ");
}

TEST_F(Import, RecordsInFileOrderWithSharedTexts)
{
    std::string log;
    log += line("192.0.2.1", "10/Oct/2000:13:55:36 -0700", "GET /a.html?/a.html HTTP/1.1", 200, "1",
                "http://www.example.com/x.html", kBrowser);
    log += line("192.0.2.2", "10/Oct/2000:13:55:37 -0700", "GET /a.html?/a.html HTTP/1.1", 200, "1",
                "http://www.example.com/x.html", kBrowser);
    log += line("192.0.2.1", "10/Oct/2000:13:55:38 -0700", "GET /b.png HTTP/1.1", 200, "1", "-",
                kBrowser);
    log += line("192.0.2.1", "10/Oct/2000:13:55:39 -0700", "HEAD /c.html HTTP/1.1", 200, "1", "-",
                kBrowser);
    writeFile(m_dir.file("a.log"), log);
    const auto o = options({m_dir.file("a.log")});
    ASSERT_EQ(runImport(o), 0u);
    sievra::AnalysedLogFile file;
    ASSERT_EQ(file.open(o.output), 0);
    ASSERT_EQ(file.recordCount(), 2u);
    EXPECT_EQ(file.record(0).time, 971211336u);
    EXPECT_EQ(file.record(0).fragment, file.record(1).fragment); // same request, other host
    const std::uint32_t* f = file.fragment(file.record(0).fragment);
    EXPECT_EQ(f[3], f[7]); // "/a.html" as path and as query: one dictionary entry
    EXPECT_STREQ(file.text(f[3]), "/a.html");
    EXPECT_EQ(f[0] | f[1] | f[2] | f[5], 0u); // the wizard stores no bytes, status, method, user

    // The dictionary is in dictionary order and every entry is used.
    std::vector<std::string> texts;
    const std::string& dic = file.dictionary();
    for (std::size_t at = 1; at + 1 < dic.size(); at += texts.back().size() + 1)
        texts.emplace_back(dic.data() + at);
    EXPECT_EQ(texts.size(), 5u); // 2 hosts, path, referer, agent
    for (std::size_t i = 1; i < texts.size(); ++i)
        EXPECT_LT(platform::compareDictionary(texts[i - 1], texts[i]), 0);
}

TEST_F(Import, AllStoreFlags)
{
    writeFile(m_dir.file("a.log"),
              "h ident bob [10/Oct/2000:13:55:36 -0700] \"GET /q?x=1 HTTP/1.1\" 404 512 "
              "\"http://r.example/s?q=1\" \"curl/8.0\"\n");
    auto o = options({m_dir.file("a.log")});
    o.flags = 0x7F;
    o.statusCodes = list({"404"});
    ASSERT_EQ(runImport(o), 0u);
    const auto rows = readRows(o.output);
    ASSERT_EQ(rows.size(), 1u);
    const Row& r = rows[0];
    EXPECT_EQ(r.host, "h");
    EXPECT_EQ(r.bytes, 512u);
    EXPECT_EQ(r.status, 404u);
    EXPECT_EQ(r.method, "GET ");
    EXPECT_EQ(r.user, "bob");
    EXPECT_EQ(r.path, "/q");
    EXPECT_EQ(r.query, "x=1");
    EXPECT_EQ(r.referer, "http://r.example/s");
    EXPECT_EQ(r.refQuery, "q=1");
    EXPECT_EQ(r.agent, "curl/8.0");
}

TEST_F(Import, TrailingSlashMerge)
{
    std::string log;
    log += page(1, "/dir");
    log += page(2, "/dir/");
    log += page(3, "/lone");
    log += line("h", "10/Oct/2000:13:55:36 -0700", "GET /x HTTP/1.1", 200, "1",
                "http://r.example/a", kBrowser);
    log += line("h", "10/Oct/2000:13:55:37 -0700", "GET /x HTTP/1.1", 200, "1",
                "http://r.example/a/", kBrowser);
    log += line("h", "10/Oct/2000:13:55:38 -0700", "GET /x HTTP/1.1", 200, "1",
                "http://r.example/b", kBrowser);
    // "/dir2" as a path, "/dir2/" only as a query: no merge across kinds.
    log += line("h", "10/Oct/2000:13:55:39 -0700", "GET /dir2?/dir2/ HTTP/1.1", 200, "1", "-",
                kBrowser);
    writeFile(m_dir.file("a.log"), log);
    const auto o = options({m_dir.file("a.log")});
    ASSERT_EQ(runImport(o), 0u);
    const auto rows = readRows(o.output);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].path, "/dir/");
    EXPECT_EQ(rows[1].path, "/dir/");
    EXPECT_EQ(rows[2].path, "/lone");
    EXPECT_EQ(rows[3].referer, "http://r.example/a/");
    EXPECT_EQ(rows[4].referer, "http://r.example/a/");
    EXPECT_EQ(rows[5].referer, "http://r.example/b");
    EXPECT_EQ(rows[6].path, "/dir2");
    sievra::AnalysedLogFile file;
    ASSERT_EQ(file.open(o.output), 0);
    const std::string& dic = file.dictionary();
    EXPECT_EQ(dic.find(std::string("\0/dir\0", 6)), std::string::npos);
    EXPECT_EQ(dic.find(std::string("\0http://r.example/a\0", 20)), std::string::npos);
}

TEST_F(Import, WindowSlidesKeepEveryLine)
{
    // Lines of many lengths so that lines straddle every slide point of the window.
    std::string log;
    int count = 0;
    while (log.size() < 3 * sievra::WindowReader::kWindow) {
        std::string l =
            page(count, "/p" + std::to_string(count) + "/" + std::string(count * 37 % 900, 'x'));
        log += l;
        ++count;
    }
    // The last line has no line feed.
    std::string last = page(count, "/last");
    last.pop_back();
    log += last;
    ++count;
    writeFile(m_dir.file("big.log"), log);
    writeGzip(m_dir.file("big.log.gz"), log);

    auto plain = options({m_dir.file("big.log")}, "plain.vxlog");
    auto gz = options({m_dir.file("big.log.gz")}, "gz.vxlog");
    ASSERT_EQ(runImport(plain), 0u);
    ASSERT_EQ(runImport(gz), 0u);
    const auto rows = readRows(plain.output);
    ASSERT_EQ(rows.size(), std::size_t(count));
    for (int i = 0; i + 1 < count; ++i)
        ASSERT_EQ(rows[i].path, "/p" + std::to_string(i) + "/" + std::string(i * 37 % 900, 'x'))
            << i;
    EXPECT_EQ(rows.back().path, "/last");
    EXPECT_EQ(readFile(plain.output), readFile(gz.output));
}

TEST_F(Import, ReaderProgressAndEnd)
{
    std::string log;
    for (int i = 0; log.size() < 2 * sievra::WindowReader::kWindow; ++i)
        log += page(i);
    writeFile(m_dir.file("p.log"), log);
    sievra::WindowReader reader;
    ASSERT_EQ(reader.open(m_dir.file("p.log")), 0);
    std::uint64_t lastPosition = 0;
    int windows = 0;
    for (;;) {
        bool fresh = false;
        if (reader.advance(fresh))
            break;
        if (fresh) {
            ++windows;
            EXPECT_EQ(reader.position(), lastPosition + sievra::WindowReader::kSlide);
        } else {
            EXPECT_EQ(reader.position(), lastPosition);
        }
        lastPosition = reader.position();
        const void* lf = std::memchr(reader.current(), '\n', reader.limit() - reader.current());
        ASSERT_NE(lf, nullptr);
        reader.setCurrent(static_cast<const char*>(lf) + 1);
    }
    EXPECT_GE(windows, 2);

    writeFile(m_dir.file("empty.log"), "");
    sievra::WindowReader empty;
    ASSERT_EQ(empty.open(m_dir.file("empty.log")), 0);
    bool fresh = true;
    EXPECT_TRUE(empty.advance(fresh));
    EXPECT_FALSE(fresh);
}

TEST_F(Import, InputKinds)
{
    const std::string log = page(1) + page(2);
    writeFile(m_dir.file("plain-named.log.gz"), log); // not compressed: passed through
    writeGzip(m_dir.file("upper.log.GZ"), log);       // compressed but read as plain
    EXPECT_EQ(runImport(options({m_dir.file("plain-named.log.gz")})), 0u);
    EXPECT_EQ(readRows(m_dir.file("out.vxlog")).size(), 2u);
    EXPECT_EQ(runImport(options({m_dir.file("upper.log.GZ")})), 0u);
    EXPECT_EQ(readRows(m_dir.file("out.vxlog")).size(), 0u);
    EXPECT_EQ(runImport(options({m_dir.file("missing.log")})), 2u);
    EXPECT_EQ(runImport(options({m_dir.file("missing.log.gz")})), 1168u);
}

TEST_F(Import, AppendingAnalysedLogs)
{
    writeFile(m_dir.file("a.log"), page(1) + page(2, "/dir") + page(3));
    writeFile(m_dir.file("b.log"), page(4) + page(5, "/dir/"));
    const auto first = options({m_dir.file("a.log")}, "a.vxlog");
    ASSERT_EQ(runImport(first), 0u);
    const auto original = readRows(first.output);
    ASSERT_EQ(original.size(), 3u);

    // Appending and nothing new: the same records in the same order.
    auto same = options({first.output}, "same.vxlog");
    ASSERT_EQ(runImport(same), 0u);
    const auto copy = readRows(same.output);
    ASSERT_EQ(copy.size(), original.size());
    for (std::size_t i = 0; i < copy.size(); ++i) {
        EXPECT_EQ(copy[i].time, original[i].time);
        EXPECT_EQ(copy[i].host, original[i].host);
        EXPECT_EQ(copy[i].path, original[i].path);
        EXPECT_EQ(copy[i].referer, original[i].referer);
    }
    // Twice in the list: twice the records; new lines come after the old records, and
    // the trailing-slash merge sees old and new paths together.
    auto both = options({first.output, first.output, m_dir.file("b.log")}, "both.vxlog");
    ASSERT_EQ(runImport(both), 0u);
    const auto rows = readRows(both.output);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[3].time, original[0].time);
    EXPECT_EQ(rows[6].path, "/p4.html");
    EXPECT_EQ(rows[1].path, "/dir/");
    // With the method flag an old record without method reads as GET.
    auto withMethod = options({first.output}, "m.vxlog");
    withMethod.flags |= LA_F_METHOD | LA_F_STATUS;
    ASSERT_EQ(runImport(withMethod), 0u);
    EXPECT_EQ(readRows(withMethod.output)[0].method, "GET ");
    EXPECT_EQ(readRows(withMethod.output)[0].status, 200u);
}

TEST_F(Import, DamagedAnalysedLogsAreRefused)
{
    writeFile(m_dir.file("a.log"), page(1) + page(2));
    const auto first = options({m_dir.file("a.log")}, "a.vxlog");
    ASSERT_EQ(runImport(first), 0u);
    const std::string good = readFile(first.output);

    std::string badHost = good;
    badHost[104 + 4] = '\x7F'; // host offset far outside the dictionary
    badHost[104 + 5] = '\x7F';
    writeFile(m_dir.file("bad.vxlog"), badHost);
    EXPECT_EQ(runImport(options({m_dir.file("bad.vxlog")}, "x.vxlog")), 11u);

    writeFile(m_dir.file("short.vxlog"), good.substr(0, good.size() - 10));
    EXPECT_NE(runImport(options({m_dir.file("short.vxlog")}, "y.vxlog")), 0u);
    int rc = 0;
    readRows(m_dir.file("short.vxlog"), &rc);
    EXPECT_EQ(rc, 103);
}

TEST_F(Import, TimeWindowAndSideFiles)
{
    const std::string in = page(10), early = page(5), late = page(20),
                      excludedLine = page(12, "/img/a.jpg"), longAgent = [] {
                          std::string l = page(14);
                          return l.replace(l.find("Mozilla/5.0"), 11,
                                           "Mozilla/5.0 " + std::string(2000, 'z'));
                      }();
    writeFile(m_dir.file("a.log"), early + in + excludedLine + longAgent + late);
    auto o = options({m_dir.file("a.log")});
    o.windowStart = 971136010; // 10 Oct 2000 00:00:10 UTC
    o.windowEnd = 971136020;   // exclusive
    o.excludedFile = m_dir.file("excluded.log");
    o.truncatedFile = m_dir.file("truncated.log");
    ASSERT_EQ(runImport(o), 0u);
    const auto rows = readRows(o.output);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].agent.size(), 1024u);
    EXPECT_EQ(readFile(o.excludedFile), excludedLine); // outside the window: in neither file
    EXPECT_EQ(readFile(o.truncatedFile), longAgent);

    // Start without end keeps nothing.
    o.windowEnd = 0;
    ASSERT_EQ(runImport(o), 0u);
    EXPECT_TRUE(readRows(o.output).empty());
}

// Lines are parsed side by side and pooled in file order: the analysed log and both side
// files are the same, byte for byte, for any number of parsing threads, also where a batch
// ends inside a run of bad, cut, too long or out-of-window lines.
TEST_F(Import, SameFilesForAnyNumberOfThreads)
{
    std::string edge;
    for (int i = 0; edge.size() < 3 * sievra::WindowReader::kWindow; ++i) {
        std::string l = page(i % 4000, i % 3 ? "" : "/p/" + std::to_string(i % 11) + "/./x/../y");
        switch (i % 97) {
        case 0:
            l.insert(l.size() - 1, "\r");
            break; // CR LF
        case 1:
            l[l.size() / 2] = '\0';
            break; // NUL byte
        case 2:
            l = "not a log line\n";
            break; // no time
        case 3:
            l.insert(l.find("Mozilla"), std::string(1500, 'a'));
            break; // cut at 1024
        case 4:
            l.insert(l.find("HTTP"), std::string(70000, 'b'));
            break; // too long
        case 5:
            l = page(i % 4000, "/img/" + std::to_string(i) + ".png");
            break; // excluded
        }
        edge += l;
    }
    edge += std::string(3 * sievra::WindowReader::kWindow, 'c') + "\n"; // longer than any buffer
    edge += page(1, "/last").substr(0, 60);                             // no line feed
    writeFile(m_dir.file("edge.log"), edge);
    writeGzip(m_dir.file("edge.log.gz"), edge);
    const char* data = std::getenv("VEXILO_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string sample = std::string(data) + "/../../samples/sample.log.gz";
    ASSERT_TRUE(std::filesystem::exists(sample));

    struct Case
    {
        std::string input;
        bool window;
    };
    for (const Case& c : {Case{m_dir.file("edge.log"), false},
                          Case{m_dir.file("edge.log.gz"), true}, Case{sample, false}}) {
        std::string first[3];
        for (const std::uint32_t jobs : {1u, 2u, 8u}) {
            const std::string tag = std::to_string(jobs);
            auto o = options({c.input}, "out" + tag + ".vxlog");
            o.jobs = jobs;
            o.excludedFile = m_dir.file("excluded" + tag + ".log");
            o.truncatedFile = m_dir.file("truncated" + tag + ".log");
            if (c.window) {
                o.windowStart = 971136000 + 600; // the 10th to the 50th minute of the edge day
                o.windowEnd = 971136000 + 3000;
            }
            ASSERT_EQ(runImport(o), 0u) << c.input << " jobs " << jobs;
            const std::string files[3] = {readFile(o.output), readFile(o.excludedFile),
                                          readFile(o.truncatedFile)};
            if (jobs == 1) {
                EXPECT_GT(readRows(o.output).size(), 100u) << c.input;
                EXPECT_FALSE(files[1].empty()) << c.input;
                std::copy(std::begin(files), std::end(files), first);
                continue;
            }
            for (int f = 0; f < 3; ++f)
                EXPECT_TRUE(files[f] == first[f]) << c.input << " jobs " << jobs << " file " << f;
        }
    }
}

// Browsers only also leaves out the agents a rule file of machines names; an empty rule
// file, a record too short to carry one, or every agent kept give exactly the import without.
TEST_F(Import, MachineRulesLeaveNamedMachinesOut)
{
    const std::string machines[] = {
        "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
        "+https://openai.com/gptbot)",
        "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; "
        "+claudebot@anthropic.com)",
        "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "HeadlessChrome/131.0.0.0 Safari/537.36",
    };
    std::string people, all;
    for (int i = 0; i < 12; ++i) {
        std::string l = page(i);
        if (i % 4 == 3)
            l.replace(l.find(kBrowser), kBrowser.size(), machines[i / 4]);
        else
            people += l;
        all += l;
    }
    writeFile(m_dir.file("all.log"), all);
    writeFile(m_dir.file("people.log"), people);
    writeFile(m_dir.file("empty.ini"), "");
    writeFile(m_dir.file("robots.ini"),
              "[start]\r\nPattern=^\r\nSetID=1\r\n\r\n"
              "[named]\r\nPattern=^.*?\\b(GPTBot|ClaudeBot|HeadlessChrome)\\b.*$\r\n"
              "Replace=other:$1\r\nSetID=2\r\nIfID=1\r\n\r\n"
              "[rest]\r\nPattern=^[\\s\\S]+$\r\nReplace=\"\"\r\nIfID=1\r\n");

    const auto imported = [&](const std::string& input, const std::string& rules,
                              std::uint32_t flags, std::uint32_t size) {
        auto o = options({m_dir.file(input)});
        o.flags = flags;
        o.machineRules = rules.empty() ? "" : m_dir.file(rules);
        ImportOptions c = o.get();
        c.size = size; // an older caller's shorter record
        EXPECT_EQ(runImport(c), 0u) << input << " " << rules;
        return readFile(o.output);
    };
    const std::uint32_t browsers = Options().flags, every = browsers & ~LA_F_BROWSERS_ONLY;
    const std::uint32_t full = sizeof(ImportOptions);
    const std::uint32_t older = offsetof(ImportOptions, machineRules);
    const std::string today = imported("all.log", "", browsers, full);
    EXPECT_EQ(readRows(m_dir.file("out.vxlog")).size(), 12u); // the contacts pass the old tests
    EXPECT_EQ(imported("all.log", "empty.ini", browsers, full), today);
    EXPECT_EQ(imported("all.log", "missing.ini", browsers, full), today);
    EXPECT_EQ(imported("all.log", "robots.ini", browsers, older), today);
    EXPECT_EQ(imported("all.log", "robots.ini", every, full), imported("all.log", "", every, full));
    EXPECT_EQ(imported("all.log", "robots.ini", browsers, full),
              imported("people.log", "", browsers, full));
}

TEST(ImportApi, NullAndReleasedHandles)
{
    EXPECT_EQ(laImport(nullptr), 6u);
    EXPECT_EQ(laImportAsync(nullptr), 6u);
    EXPECT_EQ(laGetProgress(nullptr, nullptr, nullptr), 6u);
    EXPECT_EQ(laFinish(nullptr), 6u);
    EXPECT_EQ(laRelease(nullptr), 0u);
    EXPECT_EQ(laCreate(nullptr, nullptr), 87u);

    // An empty input list: 87, and still a job to release.
    TempDir dir;
    Options o;
    o.output = dir.file("x.vxlog");
    o.inputs = std::string(2, '\0');
    const ImportOptions opts = o.get();
    LaJob job = nullptr;
    EXPECT_EQ(laCreate(&job, &opts), 87u);
    ASSERT_NE(job, nullptr);
    std::uint64_t done = 1, total = 1;
    EXPECT_EQ(laGetProgress(job, &done, &total), 87u);
    EXPECT_EQ(laFinish(job), 87u);
    EXPECT_EQ(laRelease(job), 0u);
    EXPECT_EQ(laImport(job), 6u);
    EXPECT_EQ(laRelease(job), 6u);

    // An empty output path.
    o.output.clear();
    o.inputs = list({dir.file("in.log")});
    const ImportOptions noOut = o.get();
    EXPECT_EQ(laCreate(&job, &noOut), 87u);
    laRelease(job);
}

TEST(ImportApi, ProgressAndImportRecord)
{
    TempDir dir;
    writeFile(dir.file("a.log"), page(1) + page(2));
    Options o;
    o.output = dir.file("out.vxlog");
    o.inputs = list({dir.file("a.log"), dir.file("missing.log")});
    const ImportOptions opts = o.get();
    LaJob job = nullptr;
    ASSERT_EQ(laCreate(&job, &opts), 0u);
    std::uint64_t done = 0, total = 0;
    EXPECT_EQ(laGetProgress(job, &done, &total), 0u);
    EXPECT_EQ(total, readFile(dir.file("a.log")).size()); // the missing file adds nothing
    EXPECT_EQ(laGetProgress(job, nullptr, nullptr), 0u);

    // In-memory records bypass the window and the line count.
    FragmentIn f{};
    std::memcpy(&f.method, "GET ", 4);
    f.status = 200;
    f.path = "/memory/index.html";
    f.agent = kBrowser.c_str();
    ImportRecordIn r{971211336, "198.51.100.7", &f};
    EXPECT_EQ(laImportRecord(job, &r, 0), 0u);
    f.path = "/memory.css";
    EXPECT_EQ(laImportRecord(job, &r, 0), 1u);
    EXPECT_EQ(laImportRecord(job, nullptr, 0), 87u);

    EXPECT_EQ(laImport(job), 2u);  // the missing file ends the import
    EXPECT_EQ(laImport(job), 87u); // one import per job
    EXPECT_EQ(laImportAsync(job), 87u);
    EXPECT_EQ(laGetProgress(job, nullptr, nullptr), 2u);
    EXPECT_EQ(laFinish(job), 2u);
    laRelease(job);
}

// A log big enough that the worker is still busy when it is stopped.
class LongImport : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string chunk;
        for (int i = 0; i < 20000; ++i)
            chunk += page(i);
        std::ofstream out(m_dir.file("long.log"), std::ios::binary);
        for (int i = 0; i < 10; ++i)
            out << chunk;
    }
    // A job importing the long log on its worker; null when it could not start.
    LaJob startWorker()
    {
        Options o;
        o.output = m_output;
        o.inputs = list({m_dir.file("long.log")});
        const ImportOptions opts = o.get();
        LaJob job = nullptr;
        if (laCreate(&job, &opts) != 0 || laImportAsync(job) != 0) {
            laRelease(job);
            return nullptr;
        }
        return job;
    }
    TempDir m_dir;
    std::string m_output = m_dir.file("out.vxlog");
};

TEST_F(LongImport, FinishStopsTheWorkerAndWritesACompleteFile)
{
    LaJob job = startWorker();
    ASSERT_NE(job, nullptr);
    // Stop it as soon as it has read its first window (it may have read everything on a
    // fast machine): what it wrote is a complete file of the first lines, in order.
    std::uint64_t done = 0;
    for (int i = 0; i < 5000 && laGetProgress(job, &done, nullptr) == 0 && done == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(laFinish(job), 0u);
    laRelease(job);
    int rc = -1;
    const auto rows = readRows(m_output, &rc);
    EXPECT_EQ(rc, 0);
    ASSERT_GT(rows.size(), 0u);
    ASSERT_LE(rows.size(), 200000u);
    for (std::size_t i = 0; i < rows.size(); i += 997)
        EXPECT_EQ(rows[i].path, "/p" + std::to_string(i % 20000) + ".html") << i;
}

TEST_F(LongImport, ReleaseStopsTheWorkerAndLeavesTheOutputAlone)
{
    // An existing output stays as it was, and the unfinished file goes with the job.
    writeFile(m_output, "the user's own bytes");
    LaJob job = startWorker();
    ASSERT_NE(job, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(laRelease(job), 0u);
    EXPECT_EQ(readFile(m_output), "the user's own bytes");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir.path()))
        ++files;
    EXPECT_EQ(files, 2u); // long.log and out.vxlog
}

} // namespace
