// STOP during a load: the dialog's thread stores -1 into the shared progress at any moment;
// the load must never write over it, and a cancelled load must say so.

#include "../platform/temp_dir.h"
#include "hits.h"
#include "platform/errors.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vxtest;

// Two threads as in a load: one adds small shares in a tight loop, the other cancels once.
TEST(Progress, ACancelIsNeverOverwritten)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        store::Progress progress{0.0f};
        const int cancelAfter = int(random() % 20000);
        std::atomic<int> adds{0};
        std::thread adder([&] {
            for (int i = 0; i < 40000; ++i) {
                store::addProgress(progress, 1e-6f);
                adds.store(i, std::memory_order_relaxed);
            }
        });
        while (adds.load(std::memory_order_relaxed) < cancelAfter)
            std::this_thread::yield();
        progress.store(-1.0f);
        adder.join();
        ASSERT_EQ(progress.load(), -1.0f) << "round " << round;
    }
}

class CancelledLoad : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        m_home = m_dir.file("home");
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(m_dir.file("prog/res"));
        platform::setHomeDirOverride(m_home);
        platform::setProgramFolder(m_dir.file("prog"));
        // The word rules make step 12 write a cache; a cancelled load must not.
        const std::string rules = m_dir.file("prog/res/referer2searchword.ini");
        writeFile(rules, "[w]\r\nPattern=^.*\\?q=(.*)$\r\nReplace=$1\r\n");
        std::filesystem::last_write_time(rules, std::filesystem::last_write_time(rules) -
                                                    std::chrono::seconds(100));
    }
    void TearDown() override
    {
        platform::setHomeDirOverride("");
        platform::setProgramFolder("");
    }

    TempDir m_dir;
    std::string m_home;
};

// About 100,000 records with many search keys, cancelled at a random moment of the load
// again and again. Every load ends cancelled (1223) with the cancel still in the progress,
// or it ended before the cancel and is complete; the search cache is either absent or the
// one a complete load writes.
TEST_F(CancelledLoad, EveryCancelIsSeen)
{
    std::vector<Hit> hits = siteChain();
    for (int i = 0; i < 100000; ++i)
        hits.push_back({"10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) +
                            "." + std::to_string(i % 256),
                        100 + i, "/p" + std::to_string(i % 50),
                        "https://s.example/?q=w" + std::to_string(i % 20000)});
    const std::string log = m_dir.file("in.vxlog");
    ASSERT_EQ(importHits(hits, log), 0u);

    auto run = [&](store::LogContainer& container, store::Progress& progress) {
        container.logPath = log;
        return container.LoadPipeline(nullptr, progress, false, "");
    };
    const std::string cache = m_home + "/searchword.cache";
    const auto started = std::chrono::steady_clock::now();
    std::string fullCache;
    {
        store::LogContainer full;
        store::Progress progress{0.0f};
        ASSERT_EQ(run(full, progress), 0);
        fullCache = readFile(cache);
        ASSERT_FALSE(fullCache.empty());
    }
    const auto fullMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - started)
                                .count();

    std::mt19937 random(20261001);
    int cancelled = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        std::filesystem::remove(cache);
        store::LogContainer container;
        store::Progress progress{0.0f};
        const auto delay = std::chrono::microseconds(random() % (fullMicros + fullMicros / 4));
        std::thread dialog([&] {
            std::this_thread::sleep_for(delay);
            progress.store(-1.0f);
        });
        const int rc = run(container, progress);
        dialog.join();
        // Nothing wrote over the cancel, whenever it came.
        EXPECT_EQ(progress.load(), -1.0f);
        ASSERT_TRUE(rc == 0 || rc == platform::kErrCancelled) << rc;
        if (rc == 0) {
            EXPECT_GE(container.stepMillis[17], 0);
            EXPECT_EQ(container.Visitors.size(), 100000u + 1);
        } else {
            ++cancelled;
        }
        if (std::filesystem::exists(cache)) {
            EXPECT_EQ(readFile(cache), fullCache);
        }
    }
    EXPECT_GT(cancelled, 0);
}

} // namespace
