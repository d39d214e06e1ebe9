// The host-name computations without windows: stored names, the status text, the renewal
// of expired cache files, and the name service's one completion per lookup.

#include "hosts/host_cache_file.h"
#include "hosts/host_names.h"
#include "platform/name_service.h"
#include "tests/import/import_helpers.h"
#include "tests/platform/temp_dir.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace vxtest;

TEST(HostNames, StoredForm)
{
    const struct
    {
        const char* official;
        const char* stored;
    } cases[] = {
        {"Host.Example.COM", "com.example.host"},
        {"a.b", "b.a"},
        {"localhost", ""}, // one label: no name
        {"", ""},
        {"evil\r\n[DNS].example.com", ""}, // a cache line cannot hold it
        {"quote\".example.com", ""},
        {"caf\xC3\xA9.example.com", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hosts::storedName(c.official), c.stored) << c.official;
}

TEST(HostNames, StatusText)
{
    const struct
    {
        hosts::LookupState state;
        const char* text;
    } cases[] = {
        {{0, 0, 0, false, true}, " -/-"}, // nothing to look up: no mark
        {{40, 0, 0, false, true}, "*40/40"},
        {{40, 1, 0, false, false}, " 39/40"}, // the mark blinks
        {{40, 1, 0, true, true}, "*2.5% done"},
        {{3, 2, 0, true, true}, "*66.6% done"}, // truncated, not rounded
        {{40, 40, 5, false, true}, "*updating expired"},
        {{40, 40, 5, true, true}, "*complete"},
        {{40, 40, 0, false, true}, " complete"}, // not busy: no mark
    };
    for (const auto& c : cases)
        EXPECT_EQ(hosts::statusText(c.state), c.text) << c.text;
}

// A cache file of the addresses 1 to n, each with a name.
std::string cacheFileText(std::uint32_t n)
{
    std::string text = "[DNS]\r\n";
    for (std::uint32_t a = 1; a <= n; ++a) {
        char line[48];
        std::snprintf(line, sizeof line, "%08X=jp.example.host%u\r\n", a, a);
        text += line;
    }
    return text;
}

// What a renewal reader hands out until it is finished (the user-interface thread asks at
// every tick; here as fast as the reader goes).
std::vector<std::uint32_t> drain(hosts::RenewalReader& reader, std::size_t batch)
{
    std::vector<std::uint32_t> all;
    std::vector<std::uint32_t> buffer(batch);
    for (int i = 0; i < 20000 && !reader.finished(); ++i) {
        const std::size_t n = reader.take(buffer.data(), batch);
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return all;
}

TEST(HostNames, ExpiredFilesAreReadFromTheirEndAndDeleted)
{
    TempDir dir;
    const std::string path = dir.file("dns20261101.dat");
    writeFile(path, "[DNS]\r\n01020304=a.b\r\n;1020305=c.d\r\n01020306=\"\"\r\n01020307=e.f\r\n");
    const std::int64_t now = std::time(nullptr);
    EXPECT_TRUE(hosts::expiredFiles(dir.path(), now).empty());
    EXPECT_EQ(hosts::expiredFiles(dir.path(), now + 31 * 86400), (std::vector<std::string>{path}));
    {
        hosts::RenewalReader young(dir.path(), now); // nothing older than 30 days
        EXPECT_TRUE(drain(young, 2).empty());
    }
    EXPECT_TRUE(std::filesystem::exists(path));

    // A big file is read a chunk at a time, each line once, the newest first; the lines are
    // disabled in place (the file never gets shorter) until it is deleted.
    const std::string big = dir.file("dns20261001.dat");
    writeFile(big, cacheFileText(20000));
    hosts::RenewalReader reader(dir.path(), now + 31 * 86400);
    const std::vector<std::uint32_t> renewed = drain(reader, 20);
    std::vector<std::uint32_t> expected = {0x01020307, 0x01020306, 0x01020304};
    for (std::uint32_t a = 20000; a >= 1; --a)
        expected.push_back(a);
    EXPECT_EQ(renewed, expected); // the newer file (by name) first, each from its end
    EXPECT_TRUE(reader.finished());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(big));
}

TEST(HostNames, ARenewalKeepsTheFileWhileItReads)
{
    TempDir dir;
    const std::string path = dir.file("dns20261101.dat");
    writeFile(path, cacheFileText(5000));
    struct stat before
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    hosts::RenewalReader reader(dir.path(), std::time(nullptr) + 31 * 86400);
    std::uint32_t first[20];
    std::size_t got = 0;
    for (int i = 0; i < 5000 && got == 0; ++i) {
        got = reader.take(first, 20);
        if (got == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(got, 20u);
    EXPECT_EQ(first[0], 5000u);
    struct stat after
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_size, before.st_size);
    const std::string now = readFile(path);
    EXPECT_EQ(now.substr(now.size() - 30), ";0001388=jp.example.host5000\r\n"); // disabled
    EXPECT_EQ(now.substr(7, 25), "00000001=jp.example.host1");                  // not read yet
}

// Reads every line of the cache files; counts the names found.
class CountingSink : public hosts::NameSink
{
  public:
    bool cancelled() const override { return false; }
    void found(std::uint32_t, std::string_view) override { ++names; }
    void fileDone(std::size_t) override {}
    std::size_t names = 0;
};

TEST(HostNames, ACacheFileChangingUnderTheReaderCannotCrashIt)
{
    // Another program (a second instance, an older renewal) shortens and rewrites a cache
    // file again and again while a reader goes through it: the reader lives.
    TempDir dir;
    const std::string path = dir.file("dns20261101.dat");
    const std::string full = cacheFileText(60000);
    writeFile(path, full);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        for (int i = 0; i < 300; ++i) {
            CountingSink sink;
            hosts::readHostNameCache(dir.path(), sink, hosts::CacheUpkeep::ReadOnly);
        }
        ::_exit(0);
    }
    int status = 0;
    for (int round = 0; ::waitpid(reader, &status, WNOHANG) == 0; ++round) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, round % 2 ? 7 : 0), 0);
        ASSERT_EQ(::pwrite(fd, full.data(), full.size(), 0), static_cast<ssize_t>(full.size()));
        ::close(fd);
    }
    ASSERT_TRUE(WIFEXITED(status)) << "the reader died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    CountingSink sink;
    EXPECT_EQ(hosts::readHostNameCache(dir.path(), sink, hosts::CacheUpkeep::ReadOnly), 1u);
    EXPECT_EQ(sink.names, 60000u);
}

TEST(NameService, EveryLookupEndsOnceAndACancelledOneNever)
{
    // One worker, held in the first completion until the last lookup is cancelled: that
    // lookup cannot have begun before its cancel, whatever the machine's speed.
    auto service = platform::makeNameService(1, 5000);
    std::atomic<int> calls{0};
    std::atomic<int> cancelledCalls{0};
    std::atomic<bool> held{true};
    const std::uint32_t loopback = htonl(0x7F000001);
    service->lookupAddress(loopback, [&](platform::NameTicket, const platform::NameAnswer&) {
        while (held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++calls;
    });
    for (int i = 1; i < 8; ++i)
        service->lookupAddress(loopback,
                               [&](platform::NameTicket, const platform::NameAnswer&) { ++calls; });
    const platform::NameTicket cancelled = service->lookupAddress(
        loopback, [&](platform::NameTicket, const platform::NameAnswer&) { ++cancelledCalls; });
    service->cancel(cancelled);
    held = false;
    for (int i = 0; i < 800 && calls < 8; ++i) // a busy machine answers slowly
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(calls, 8);
    EXPECT_EQ(cancelledCalls, 0);

    // A lookup that outlives its time limit ends with a time-out, once: the one worker is
    // held in the first completion while the second lookup waits in the queue.
    auto hasty = platform::makeNameService(1, 50);
    held = true;
    hasty->lookupAddress(loopback, [&](platform::NameTicket, const platform::NameAnswer&) {
        while (held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    std::atomic<int> answers{0};
    std::atomic<int> error{0};
    hasty->lookupAddress(loopback, [&](platform::NameTicket, const platform::NameAnswer& a) {
        error = a.error;
        ++answers;
    });
    for (int i = 0; i < 800 && answers == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    held = false;
    hasty.reset(); // joins its threads: the lookup has ended for good
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(error, platform::kNameTimeout);

    // Offline, every lookup ends at once with an error; nothing asks the system.
    auto offline = platform::makeOfflineNameService();
    std::atomic<int> refused{0};
    offline->lookupName(hosts::kProbeName,
                        [&](platform::NameTicket, const platform::NameAnswer& a) {
                            refused = a.error != 0 && a.address == 0 ? 1 : -1;
                        });
    for (int i = 0; i < 800 && refused == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(refused, 1);
}

} // namespace
