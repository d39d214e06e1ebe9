#pragma once

// Small helpers shared by the benchmarks: generated input files and peak memory.

#include "platform/files.h"
#include "platform/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace bench {

inline double seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Milliseconds of wall time (what the user waits) and of this thread's CPU time (what the
// code costs; the machine is shared, and time another process takes shows in the first only).
struct Timing
{
    double min = 0, median = 0, cpu = 0;
};

inline double threadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The milliseconds of one call.
template <typename F> double once(F f)
{
    const double start = seconds();
    f();
    return (seconds() - start) * 1000.0;
}

// Calls f `rounds` times: the fastest and the median wall time, the least CPU time.
template <typename F> Timing timeIt(F f, int rounds)
{
    std::vector<double> ms, cpu;
    for (int i = 0; i < rounds; ++i) {
        const double start = seconds();
        const double startCpu = threadCpuMs();
        f();
        cpu.push_back(threadCpuMs() - startCpu);
        ms.push_back((seconds() - start) * 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms.front(), ms[ms.size() / 2], cpu.front()};
}

// Peak resident memory of this process in MiB.
inline double peakMiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Generated logs are kept in build/bench-data and made once with genlog.
inline std::string dataFolder()
{
    const std::string folder = platform::programFolder() + "../bench-data";
    std::string command = "mkdir -p '" + folder + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "cannot create %s\n", folder.c_str());
    return folder;
}

inline std::string generatedLog(std::uint64_t lines, bool gzip)
{
    const std::string path =
        dataFolder() + "/gen-" + std::to_string(lines) + (gzip ? ".log.gz" : ".log");
    if (platform::fileSize(path) > 0)
        return path;
    std::fprintf(stderr, "generating %s ...\n", path.c_str());
    const std::string command = platform::programPath("genlog") + " --seed 7 --days 60 --lines " +
                                std::to_string(lines) + (gzip ? " --gzip --level 6" : "") +
                                " -o '" + path + ".part' && mv '" + path + ".part' '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "genlog failed\n");
        std::exit(1);
    }
    return path;
}

// Runs f in a child process of its own, so that the peak memory it reports is its own.
template <typename F> void inChild(F f)
{
    const pid_t child = ::fork();
    if (child == 0) {
        f();
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

// Sends standard output to /dev/null while it lives (the import library's trace lines
// would mix with the figures).
class QuietStdout
{
  public:
    QuietStdout()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        if (!std::freopen("/dev/null", "w", stdout))
            std::perror("/dev/null");
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

  private:
    int m_saved = -1;
};

} // namespace bench
