// Import throughput: a generated log (plain and gzip) through the whole import job with
// the analysis wizard's options. Prints lines/s, MB/s of input, the share of finishing
// and the peak memory of each run (each run in a child process of its own).
//
//   bench_import            1,000,000 lines
//   bench_import --big      10,000,000 lines
//   bench_import --lines N

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/bench_util.h"
#include "import/sievra.h"

namespace {

std::string list(std::initializer_list<const char*> items)
{
    std::string out;
    for (const char* i : items)
        out += std::string(i) + '\0';
    return out + '\0';
}

void runOnce(const std::string& input, double textMB, std::uint64_t lines, const char* label)
{
    const std::string output = bench::dataFolder() + "/bench-out.vxlog";
    const std::string inputs = input + '\0' + '\0';
    const std::string status = list({"200", "302", "304"}), methods = list({"GET", "POST"}),
                      skip = list({"jpg", "gif", "png", "swf", "css", "js"}),
                      index = list({"index.html", "index.htm", "index.cgi"});
    ImportOptions o{};
    o.size = sizeof o;
    o.flags = 0x64 | LA_F_BROWSERS_ONLY;
    o.output = output.c_str();
    o.inputs = inputs.c_str();
    o.statusCodes = status.c_str();
    o.methods = methods.c_str();
    o.skipExts = skip.c_str();
    o.dirIndexes = index.c_str();

    // The library's trace lines would mix with the figures.
    std::fflush(stdout);
    const int savedOut = ::dup(STDOUT_FILENO);
    std::freopen("/dev/null", "w", stdout);

    const double start = bench::seconds();
    LaJob job = nullptr;
    std::uint32_t rc = laCreate(&job, &o);
    if (!rc)
        rc = laImport(job);
    const double imported = bench::seconds();
    if (!rc)
        rc = laFinish(job);
    const double finished = bench::seconds();
    laRelease(job);

    std::fflush(stdout);
    ::dup2(savedOut, STDOUT_FILENO);
    ::close(savedOut);

    const double total = finished - start;
    const double inputMB = double(platform::fileSize(input)) / 1e6;
    const double outputMB = double(platform::fileSize(output)) / 1e6;
    std::fprintf(stderr,
                 "%-5s %9.0f lines/s  %7.1f MB/s of file  %7.1f MB/s of log text  total %6.3f s  "
                 "finish %5.3f s (%4.1f %%)  peak %6.1f MiB  output %.1f MB  rc %u\n",
                 label, double(lines) / total, inputMB / total, textMB / total, total, finished - imported,
                 (finished - imported) * 100.0 / total, bench::peakMiB(), outputMB, rc);
    std::remove(output.c_str());
}

// Each measurement in a fresh process, so that its peak memory is its own.
void measure(const std::string& input, double textMB, std::uint64_t lines, const char* label)
{
    const pid_t child = ::fork();
    if (child == 0) {
        runOnce(input, textMB, lines, label);
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
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
        measure(plain, textMB, lines, "plain");
        measure(gz, textMB, lines, "gzip");
    }
    return 0;
}
