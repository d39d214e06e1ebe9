// Load throughput: BaseLoad + LoadPipeline of an analysed log, as the main program opens
// it, with the installed rule files. Prints each step's milliseconds, the total and the
// peak memory, for a cold load (no caches) and a warm one (the caches of the cold load).
//
//   bench_load            1,000,000 records
//   bench_load --big      10,000,000 records
//
// The analysed log is imported once from a generated log with every line kept, so that
// N lines give N records.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/bench_util.h"
#include "import/sievra.h"
#include "platform/settings.h"
#include "store/log_container.h"

namespace {

std::string list(std::initializer_list<const char*> items)
{
    std::string out;
    for (const char* i : items)
        out += std::string(i) + '\0';
    return out + '\0';
}

std::string analysedLog(std::uint64_t lines)
{
    const std::string path = bench::dataFolder() + "/records-" + std::to_string(lines) + ".vxlog";
    if (platform::fileSize(path) > 0)
        return path;
    const std::string log = bench::generatedLog(lines, false);
    std::fprintf(stderr, "importing %s ...\n", log.c_str());
    const std::string inputs = log + '\0' + '\0';
    const std::string status = list({"200", "206", "301", "302", "304", "401", "403", "404", "500"});
    const std::string methods = list({"GET", "POST", "HEAD"});
    const std::string none = list({});
    ImportOptions o{};
    o.size = sizeof o;
    o.flags = 0x64;
    o.output = path.c_str();
    o.inputs = inputs.c_str();
    o.statusCodes = status.c_str();
    o.methods = methods.c_str();
    o.skipExts = none.c_str();
    o.dirIndexes = none.c_str();
    std::fflush(stdout);
    const int savedOut = ::dup(STDOUT_FILENO);
    std::freopen("/dev/null", "w", stdout);
    LaJob job = nullptr;
    std::uint32_t rc = laCreate(&job, &o);
    if (!rc)
        rc = laImport(job);
    if (!rc)
        rc = laFinish(job);
    laRelease(job);
    std::fflush(stdout);
    ::dup2(savedOut, STDOUT_FILENO);
    if (rc) {
        std::fprintf(stderr, "import failed: %u\n", rc);
        std::exit(1);
    }
    return path;
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
    std::string steps;
    for (int s = 0; s < 18; ++s) {
        char step[32];
        std::snprintf(step, sizeof step, " %d:%d", s, log.stepMillis[s]);
        steps += step;
    }
    std::fprintf(stderr, "%-5s %zu records  %zu visitors  total %6.3f s  peak %6.1f MiB  rc %d\n"
                         "      step ms:%s\n",
                 label, log.Rec2.size(), log.Visitors.size(), total, bench::peakMiB(), rc,
                 steps.c_str());
}

void measure(const std::string& path, const std::string& home, const char* label)
{
    const pid_t child = ::fork();
    if (child == 0) {
        loadOnce(path, home, label);
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
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
    const std::string path = analysedLog(records);
    const std::string home = bench::dataFolder() + "/home-" + std::to_string(records);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    std::fprintf(stderr, "analysed log: %s (%.1f MB)\n", path.c_str(),
                 double(platform::fileSize(path)) / 1e6);
    measure(path, home, "cold");
    measure(path, home, "warm");
    measure(path, home, "warm");
    return 0;
}
