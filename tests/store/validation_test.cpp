// One validation of analysed logs: the dump's reader, the store's loader and appending
// refuse the same damaged files with the same codes.

#include "../platform/temp_dir.h"
#include "hits.h"
#include "store/log_container.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace vxtest;

void put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    std::memcpy(&bytes[at], &value, 4);
}

std::uint32_t get32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}

TEST(Validation, EveryReaderRefusesTheSameDamage)
{
    TempDir dir;
    const std::string good = dir.file("good.vxlog");
    ASSERT_EQ(importHits(siteChain(), good), 0u);
    const std::string bytes = readFile(good);
    const std::uint64_t rec = get32(bytes, 32), dic = get32(bytes, 60);
    const std::size_t dicAt = 104 + rec, frgAt = dicAt + dic;
    const std::uint32_t agent = get32(bytes, frgAt + 24); // the last text in dictionary order
    ASSERT_GT(agent, 1u);

    const struct
    {
        const char* name;
        std::function<void(std::string&)> damage;
        int code; // of the dump and the store; appending refuses with 11
    } cases[] = {
        {"a user text outside the dictionary",
         [&](std::string& b) { put32(b, frgAt + 20, 0x7FFFFFF0); }, 11},
        {"an agent inside another text", [&](std::string& b) { put32(b, frgAt + 24, agent + 1); },
         11},
        {"a host pointing at the final NUL",
         [&](std::string& b) { put32(b, 104 + 4, static_cast<std::uint32_t>(dic - 1)); }, 11},
        {"a fragment offset off its grid", [&](std::string& b) { put32(b, 104 + 8, 4); }, 11},
        {"a dictionary without its last NUL", [&](std::string& b) { b[frgAt - 1] = 'x'; }, 11},
        {"records larger than the file", [&](std::string& b) { put32(b, 32, 0x7FFFFFF0); }, 101},
        {"a dictionary over 4 GB", [&](std::string& b) { put32(b, 64, 1); }, 11},
        {"fragments cut off", [&](std::string& b) { b.resize(b.size() - 1); }, 103},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = bytes;
        c.damage(damaged);
        const std::string file = dir.file("damaged.vxlog");
        writeFile(file, damaged);

        sievra::AnalysedLogFile dump;
        EXPECT_EQ(dump.open(file), c.code);
        store::LogContainer log;
        store::Progress progress{0.0f};
        EXPECT_EQ(log.BaseLoad(file, progress), c.code);
        Options append;
        append.output = dir.file("appended.vxlog");
        append.inputs = list({file});
        EXPECT_EQ(runImport(append), 11u);
    }
}

} // namespace
