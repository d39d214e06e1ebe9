// Load throughput: BaseLoad + LoadPipeline of an analysed log, as the main program opens
// it, with the installed rule files. Prints each step's milliseconds, the total and the
// peak memory, for a cold load (no caches) and a warm one (the caches of the cold load).
//
//   bench_load            1,000,000 records
//   bench_load --big      10,000,000 records
//   bench_load --versus   import + load of 1,000,000 raw lines with the wizard's options (one
//                         thread and every core, with the load's steps), beside Webalizer on
//                         the same file
//
// The analysed log is imported once from a generated log with every line kept, so that
// N lines give N records.

#include "bench/analysed_log.h"
#include "bench/bench_util.h"
#include "platform/large_pages.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

// " 0:12 1:3 ..." of the load's steps; skipZero leaves out the steps that took no time.
std::string stepText(const store::LogContainer& log, bool skipZero)
{
    std::string steps;
    for (int s = 0; s < 18; ++s)
        if (!skipZero || log.stepMillis[s]) {
            char step[32];
            std::snprintf(step, sizeof step, " %d:%d", s, log.stepMillis[s]);
            steps += step;
        }
    return steps;
}

void loadOnce(const std::string& path, const std::string& home, const char* label)
{
    platform::setHomeDirOverride(home);
    store::LogContainer log;
    log.logPath = path;
    store::Progress progress{0.0f};
    const double start = bench::seconds();
    const int rc = log.LoadPipeline(nullptr, progress, false, "");
    const double total = bench::seconds() - start;
    const std::string steps = stepText(log, false);
    std::fprintf(stderr,
                 "%-5s %zu records  %zu visitors  total %6.3f s  peak %6.1f MiB  rc %d\n"
                 "      step ms:%s\n",
                 label, log.Rec2.size(), log.Visitors.size(), total, bench::peakMiB(), rc,
                 steps.c_str());
}

// What a user waits for from a raw log to the open window: the wizard's import (every core)
// and the load, beside Webalizer on the same file when it is installed.
void importAndLoad(std::uint64_t lines, std::uint32_t jobs)
{
    const std::string raw = bench::generatedLog(lines, false);
    const std::string out = bench::dataFolder() + "/wizard-" + std::to_string(lines) + ".vxlog";
    const std::string home = bench::dataFolder() + "/home-wizard";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    platform::setHomeDirOverride(home);
    sievra::OwnedImportOptions options; // the analysis wizard's, robots.ini among them
    options.output = out;
    options.inputs = sievra::makeList({raw});
    options.machineRules = platform::resFolder() + "robots.ini";
    options.jobs = jobs;
    const double start = bench::seconds();
    const std::uint32_t rc = bench::runJob(options);
    const double imported = bench::seconds();
    store::LogContainer log;
    log.logPath = out;
    store::Progress progress{0.0f};
    const int loaded = rc ? -1 : log.LoadPipeline(nullptr, progress, false, "");
    const double end = bench::seconds();
    const std::string steps = stepText(log, true);
    std::fprintf(stderr,
                 "import+load of %llu lines (%s): %.3f s  (import %.3f s, load %.3f s, %zu "
                 "records)  rc %u/%d\n      load step ms:%s\n",
                 static_cast<unsigned long long>(lines), jobs == 1 ? "1 thread" : "every core",
                 end - start, imported - start, end - imported, log.Rec2.size(), rc, loaded,
                 steps.c_str());
    std::remove(out.c_str());
}

void webalizer(std::uint64_t lines)
{
    if (std::system("command -v webalizer > /dev/null 2>&1") != 0) {
        std::fprintf(stderr, "webalizer: not installed (apt-get install webalizer)\n");
        return;
    }
    const std::string raw = bench::generatedLog(lines, false);
    const std::string folder = bench::dataFolder() + "/webalizer";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string command =
        "webalizer -Q -p -o '" + folder + "' '" + raw + "' > /dev/null 2>&1";
    const double start = bench::seconds();
    const int rc = std::system(command.c_str());
    std::fprintf(stderr, "webalizer on the same %llu lines: %.3f s  rc %d\n",
                 static_cast<unsigned long long>(lines), bench::seconds() - start, rc);
    std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    std::uint64_t records = 1000000;
    bool versus = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--versus"))
            versus = true;
        else if (!std::strcmp(argv[i], "--big"))
            records = 10000000;
        else if (!std::strcmp(argv[i], "--records") && i + 1 < argc)
            records = std::strtoull(argv[++i], nullptr, 10);
        else {
            std::fprintf(stderr, "usage: bench_load [--big | --records N] [--versus]\n");
            return 2;
        }
    }
    if (versus) { // the same file through both, three times in turn
        for (int round = 0; round < 3; ++round) {
            bench::inChild([&] { importAndLoad(records, 1); });
            bench::inChild([&] { importAndLoad(records, 0); });
            webalizer(records);
        }
        return 0;
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
