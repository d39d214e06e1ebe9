// Import throughput: a generated log (plain and gzip) through the whole import job with
// the analysis wizard's options. Prints lines/s, MB/s of input, the share of finishing
// and the peak memory of each run (each run in a child process of its own).
//
//   bench_import            1,000,000 lines
//   bench_import --big      10,000,000 lines
//   bench_import --lines N
//   bench_import --new-only  100,000 lines added to 10,000,000 records (also with --big)

#include "bench/analysed_log.h"
#include "bench/bench_util.h"
#include "import/import_options.h"
#include "import/new_only.h"
#include "platform/large_pages.h"
#include "platform/parallel.h"
#include "platform/settings.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void runOnce(const std::string& input, double textMB, std::uint64_t lines, const char* label,
             bool machines = true, std::uint32_t jobs = 0)
{
    const std::string output = bench::dataFolder() + "/bench-out.vxlog";
    sievra::OwnedImportOptions options; // the analysis wizard's, robots.ini among them
    options.output = output;
    if (machines)
        options.machineRules = platform::resFolder() + "robots.ini";
    options.inputs = sievra::makeList({input});
    options.jobs = jobs;
    const ImportOptions o = options.get();

    double start, imported, finished;
    std::uint32_t rc = 0;
    {
        bench::QuietStdout quiet;
        start = bench::seconds();
        LaJob job = nullptr;
        rc = laCreate(&job, &o);
        if (!rc)
            rc = laImport(job);
        imported = bench::seconds();
        if (!rc)
            rc = laFinish(job);
        finished = bench::seconds();
        laRelease(job);
    }

    const double total = finished - start;
    const double inputMB = double(platform::fileSize(input)) / 1e6;
    const double outputMB = double(platform::fileSize(output)) / 1e6;
    std::fprintf(stderr,
                 "%-15s %9.0f lines/s  %7.1f MB/s of file  %7.1f MB/s of log text  total %6.3f s  "
                 "finish %5.3f s (%4.1f %%)  peak %6.1f MiB  output %.1f MB  rc %u\n",
                 label, double(lines) / total, inputMB / total, textMB / total, total,
                 finished - imported, (finished - imported) * 100.0 / total, bench::peakMiB(),
                 outputMB, rc);
    std::remove(output.c_str());
}

std::uint32_t importInto(const std::string& output, const std::vector<std::string>& inputs)
{
    // Every line kept, as the analysed log of 10,000,000 records was made.
    return bench::runJob(bench::everyLine(output, inputs));
}

// One run of --new-only (what vexilo-cli import --new-only does): plan, import, state.
double newOnlyRun(const std::string& vxlog, const std::string& input, std::uint64_t& lines)
{
    const double start = bench::seconds();
    const sievra::ReadState state = sievra::loadReadState(vxlog);
    sievra::OwnedImportOptions options;
    options.flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY;
    const ImportOptions o = options.get();
    const std::string tail = vxlog + ".tail.log";
    std::vector<sievra::InputPlan> plans;
    std::string file;
    if (sievra::planNewOnly(vxlog, state, {input}, o, tail, plans, file) != 0 ||
        importInto(vxlog, {vxlog, tail}) != 0 ||
        sievra::saveReadState(vxlog, sievra::nextReadState(state, plans)) != 0) {
        std::fprintf(stderr, "new-only run failed\n");
        std::exit(1);
    }
    std::remove(tail.c_str());
    lines = plans.empty() ? 0 : plans[0].lines;
    return bench::seconds() - start;
}

// 100,000 lines added to an analysed log of 10,000,000 records by --new-only.
void newOnly()
{
    const std::string base = bench::analysedLog(10000000);
    const std::string folder = bench::dataFolder();
    const std::string vxlog = folder + "/new-only.vxlog", grow = folder + "/new-only.log";
    std::filesystem::copy_file(base, vxlog, std::filesystem::copy_options::overwrite_existing);
    std::remove(sievra::readStatePath(vxlog).c_str());
    const std::string extra = folder + "/new-only-extra.log";
    const std::string command = platform::programPath("genlog") +
                                " --seed 9 --start 2027-01-01 --days 1 --lines 100010 -o '" +
                                extra + "'";
    if (std::system(command.c_str()) != 0)
        std::exit(1);
    std::ifstream in(extra, std::ios::binary);
    std::ofstream first(grow, std::ios::binary | std::ios::trunc);
    std::string line;
    for (int i = 0; i < 10 && std::getline(in, line); ++i)
        first << line << '\n';
    first.close();
    std::uint64_t lines = 0;
    const double once = newOnlyRun(vxlog, grow, lines);
    std::ofstream more(grow, std::ios::binary | std::ios::app);
    while (std::getline(in, line))
        more << line << '\n';
    more.close();
    const double added = newOnlyRun(vxlog, grow, lines);
    std::fprintf(stderr,
                 "new-only: %llu lines added to 10,000,000 records in %.3f s (first run of 10 "
                 "lines %.3f s)\n",
                 static_cast<unsigned long long>(lines), added, once);
    std::remove(vxlog.c_str());
    std::remove(sievra::readStatePath(vxlog).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    std::uint64_t lines = 1000000;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--big")) {
            lines = 10000000;
            repeat = 1;
        } else if (!std::strcmp(argv[i], "--lines") && i + 1 < argc) {
            lines = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--new-only")) {
            newOnly();
            return 0;
        } else if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_import [--big | --lines N] [--repeat K]\n");
            return 2;
        }
    }
    const std::string plain = bench::generatedLog(lines, false);
    const std::string gz = bench::generatedLog(lines, true);
    std::fprintf(stderr, "input: %llu lines, plain %.1f MB, gzip %.1f MB; %u cores\n",
                 static_cast<unsigned long long>(lines), double(platform::fileSize(plain)) / 1e6,
                 double(platform::fileSize(gz)) / 1e6, platform::coreCount());
    if (lines == 10000000)
        bench::inChild([] { newOnly(); });
    for (int r = 0; r < repeat; ++r) {
        const double textMB = double(platform::fileSize(plain)) / 1e6;
        // One parsing thread is the import as it was before it used every core.
        bench::inChild([&] { runOnce(plain, textMB, lines, "plain-1-thread", true, 1); });
        bench::inChild([&] { runOnce(gz, textMB, lines, "gzip-1-thread", true, 1); });
        bench::inChild([&] { runOnce(plain, textMB, lines, "plain"); });
        bench::inChild([&] { runOnce(gz, textMB, lines, "gzip"); });
        // The same without the machines of robots.ini: what their test costs.
        bench::inChild([&] { runOnce(plain, textMB, lines, "plain-no-robots", false); });
        bench::inChild([&] { runOnce(gz, textMB, lines, "gzip-no-robots", false); });
    }
    return 0;
}
