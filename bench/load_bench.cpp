// Load throughput: BaseLoad + LoadPipeline of an analysed log, as the main program opens
// it, with the installed rule files. Prints each step's milliseconds, the total and the
// peak memory, for a cold load (no caches) and a warm one (the caches of the cold load).
//
//   bench_load            1,000,000 records
//   bench_load --big      10,000,000 records
//
// The analysed log is imported once from a generated log with every line kept, so that
// N lines give N records.

#include "bench/analysed_log.h"
#include "bench/bench_util.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void loadOnce(const std::string& path, const std::string& home, const char* label)
{
    platform::setHomeDirOverride(home);
    store::LogContainer log;
    log.logPath = path;
    store::Progress progress{0.0f};
    const double start = bench::seconds();
    const int rc = log.LoadPipeline(nullptr, progress, false, "");
    const double total = bench::seconds() - start;
    std::string steps;
    for (int s = 0; s < 18; ++s) {
        char step[32];
        std::snprintf(step, sizeof step, " %d:%d", s, log.stepMillis[s]);
        steps += step;
    }
    std::fprintf(stderr,
                 "%-5s %zu records  %zu visitors  total %6.3f s  peak %6.1f MiB  rc %d\n"
                 "      step ms:%s\n",
                 label, log.Rec2.size(), log.Visitors.size(), total, bench::peakMiB(), rc,
                 steps.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t records = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--big"))
            records = 10000000;
        else if (!std::strcmp(argv[i], "--records") && i + 1 < argc)
            records = std::strtoull(argv[++i], nullptr, 10);
        else {
            std::fprintf(stderr, "usage: bench_load [--big | --records N]\n");
            return 2;
        }
    }
    const std::string path = bench::analysedLog(records);
    const std::string home = bench::dataFolder() + "/home-" + std::to_string(records);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    std::fprintf(stderr, "analysed log: %s (%.1f MB)\n", path.c_str(),
                 double(platform::fileSize(path)) / 1e6);
    for (const char* label : {"cold", "warm", "warm"})
        bench::inChild([&] { loadOnce(path, home, label); });
    return 0;
}
