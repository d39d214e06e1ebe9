// Import throughput: a generated log (plain and gzip) through the whole import job with
// the analysis wizard's options. Prints lines/s, MB/s of input, the share of finishing
// and the peak memory of each run (each run in a child process of its own).
//
//   bench_import            1,000,000 lines
//   bench_import --big      10,000,000 lines
//   bench_import --lines N

#include "bench/bench_util.h"
#include "import/import_options.h"
#include "platform/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void runOnce(const std::string& input, double textMB, std::uint64_t lines, const char* label,
             bool machines = true)
{
    const std::string output = bench::dataFolder() + "/bench-out.vxlog";
    sievra::OwnedImportOptions options; // the analysis wizard's, robots.ini among them
    options.output = output;
    if (machines)
        options.machineRules = platform::resFolder() + "robots.ini";
    options.inputs = sievra::makeList({input});
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

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t lines = 1000000;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--big")) {
            lines = 10000000;
            repeat = 1;
        } else if (!std::strcmp(argv[i], "--lines") && i + 1 < argc) {
            lines = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc) {
            repeat = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: bench_import [--big | --lines N] [--repeat K]\n");
            return 2;
        }
    }
    const std::string plain = bench::generatedLog(lines, false);
    const std::string gz = bench::generatedLog(lines, true);
    std::fprintf(stderr, "input: %llu lines, plain %.1f MB, gzip %.1f MB\n",
                 static_cast<unsigned long long>(lines), double(platform::fileSize(plain)) / 1e6,
                 double(platform::fileSize(gz)) / 1e6);
    for (int r = 0; r < repeat; ++r) {
        const double textMB = double(platform::fileSize(plain)) / 1e6;
        bench::inChild([&] { runOnce(plain, textMB, lines, "plain"); });
        bench::inChild([&] { runOnce(gz, textMB, lines, "gzip"); });
        // The same without the machines of robots.ini: what their test costs.
        bench::inChild([&] { runOnce(plain, textMB, lines, "plain-no-robots", false); });
        bench::inChild([&] { runOnce(gz, textMB, lines, "gzip-no-robots", false); });
    }
    return 0;
}
