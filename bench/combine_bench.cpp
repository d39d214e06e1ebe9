// bench_combine: joins four access logs of about 250 MB each (genlog, gzip-compressed at
// level 6 like rotated server logs) with combine's copying, gzip in and out (level 9, as
// combine writes) and gzip in, plain out, and times the same joins with zcat and gzip on
// the same files. Prints the figures.
//
//   bench_combine [--mb N] [--dir FOLDER]

#include "combine/combine_job.h"
#include "platform/large_pages.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double seconds(const std::chrono::steady_clock::time_point& since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double shell(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "bench_combine: failed: %s\n", command.c_str());
    return seconds(start);
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    long mb = 250;
    std::string dir = std::filesystem::temp_directory_path() / "bench_combine";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--mb") == 0)
            mb = std::atol(argv[i + 1]);
        else if (std::strcmp(argv[i], "--dir") == 0)
            dir = argv[i + 1];
    }
    std::filesystem::create_directories(dir);
    const std::string genlog = (std::filesystem::path(argv[0]).parent_path() / "genlog").string();
    // About 270 bytes a line.
    const long lines = mb * 1024 * 1024 / 270;
    std::vector<std::string> inputs;
    std::uint64_t raw = 0, packed = 0;
    for (int i = 1; i <= 4; ++i) {
        const std::string path = dir + "/access" + std::to_string(i) + ".log.gz";
        if (!std::filesystem::exists(path)) {
            std::printf("making %s ...\n", path.c_str());
            std::fflush(stdout);
            shell(genlog + " --seed " + std::to_string(i) + " --lines " + std::to_string(lines) +
                  " --days 30 --gzip --level 6 -o " + path);
        }
        inputs.push_back(path);
        packed += std::filesystem::file_size(path);
    }
    std::string all;
    for (const std::string& in : inputs)
        all += " " + in;

    const auto run = [&](const std::string& output) {
        combine::Progress progress;
        const auto start = std::chrono::steady_clock::now();
        const combine::Outcome o = combine::combineFiles(inputs, output, progress);
        const double s = seconds(start);
        if (!o.ok())
            std::fprintf(stderr, "bench_combine: %s %s\n", o.what.c_str(), o.path.c_str());
        return s;
    };
    const double plain = run(dir + "/out.log");
    raw = std::filesystem::file_size(dir + "/out.log");
    const double zcatPlain = shell("zcat" + all + " > " + dir + "/ref.log");
    const double gz = run(dir + "/out.log.gz");
    const double zcatGzip9 = shell("zcat" + all + " | gzip -9 > " + dir + "/ref9.log.gz");
    const double zcatGzip6 = shell("zcat" + all + " | gzip -6 > " + dir + "/ref6.log.gz");

    std::printf("inputs: 4 x %.0f MB raw (%.0f MB gzip -6 in all), %.0f MB joined\n",
                raw / 4.0 / 1e6, packed / 1e6, raw / 1e6);
    std::printf("gzip in, plain out:  combine %6.2f s (%5.0f MB/s)   zcat > out      %6.2f s\n",
                plain, raw / 1e6 / plain, zcatPlain);
    std::printf("gzip in, gzip -9 out: combine %6.2f s (%5.0f MB/s)   zcat | gzip -9  %6.2f s   "
                "(zcat | gzip -6 %.2f s)\n",
                gz, raw / 1e6 / gz, zcatGzip9, zcatGzip6);
    std::printf("output sizes: combine %.1f MB, gzip -9 %.1f MB\n",
                std::filesystem::file_size(dir + "/out.log.gz") / 1e6,
                std::filesystem::file_size(dir + "/ref9.log.gz") / 1e6);
    for (const char* name : {"/out.log", "/ref.log", "/out.log.gz", "/ref9.log.gz", "/ref6.log.gz"})
        std::filesystem::remove(dir + name);
    return 0;
}
