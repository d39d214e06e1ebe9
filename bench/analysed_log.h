#pragma once

// The analysed logs the store and filter benchmarks load: a generated log of N lines,
// imported once with every line kept, so that N lines give N records. Kept in
// build/bench-data as records-N.vxlog.

#include "bench/bench_util.h"
#include "import/import_options.h"
#include "import/sievra.h"
#include "store/log_container.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

// laCreate, laImport, laFinish and laRelease on the calling thread, the import library's
// trace lines kept off standard output; the first error, else 0.
inline std::uint32_t runJob(const sievra::OwnedImportOptions& options)
{
    const ImportOptions o = options.get();
    bench::QuietStdout quiet;
    LaJob job = nullptr;
    std::uint32_t rc = laCreate(&job, &o);
    if (!rc)
        rc = laImport(job);
    if (!rc)
        rc = laFinish(job);
    laRelease(job);
    return rc;
}

// Every line kept: all agents, statuses and methods that occur, no skipped extension.
inline sievra::OwnedImportOptions everyLine(const std::string& output,
                                            const std::vector<std::string>& inputs)
{
    sievra::OwnedImportOptions options;
    options.flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY;
    options.output = output;
    options.inputs = sievra::makeList(inputs);
    options.statusCodes =
        sievra::makeList({"200", "206", "301", "302", "304", "401", "403", "404", "500"});
    options.methods = sievra::makeList({"GET", "POST", "HEAD"});
    options.skipExts = sievra::makeList({});
    options.dirIndexes = sievra::makeList({});
    return options;
}

inline std::string analysedLog(std::uint64_t lines)
{
    const std::string path = bench::dataFolder() + "/records-" + std::to_string(lines) + ".vxlog";
    if (platform::fileSize(path) > 0)
        return path;
    const std::string log = bench::generatedLog(lines, false);
    std::fprintf(stderr, "importing %s ...\n", log.c_str());
    const std::uint32_t rc = runJob(everyLine(path, {log}));
    if (rc) {
        std::fprintf(stderr, "import failed: %u\n", rc);
        std::exit(1);
    }
    return path;
}

// What the resolver would have found by the time one looks: 90% of the addresses get a
// name, 5% the empty name (no name); the rest stay unresolved.
inline void nameHosts(store::LogContainer& log)
{
    std::uint32_t i = 0;
    for (store::HostEntry& h : log.Host) {
        if (!h.address)
            continue;
        const std::uint32_t k = i++ % 20;
        if (k == 0)
            continue; // unresolved
        if (k == 1) {
            h.name = log.HostNamePool.intern("");
            continue;
        }
        static const char* const kTops[] = {"jp.ne.", "jp.co.", "com.", "net.", "jp.or."};
        const std::string name = std::string(kTops[h.address % 5]) + "isp" +
                                 std::to_string(h.address % 97) + ".host" +
                                 std::to_string(h.address);
        h.name = log.HostNamePool.intern(name);
    }
}

} // namespace bench
