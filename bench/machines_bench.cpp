// Machines among the visitors: generates today's traffic (genlog --machines, with its labels
// of every host), loads it with every agent kept and prints how well the visitor kinds match
// the labels: precision and recall of the named machines, recall of the machines that claim
// a browser and the share of people taken for machines; then how many machine visitors a
// browsers-only import (with robots.ini) still keeps.
//
//   bench_machines [--lines N] [--days D] [--seed S]     defaults 300,000 lines, 14 days

#include "bench/bench_util.h"
#include "bench/machine_figures.h"
#include "platform/codepage.h"
#include "platform/large_pages.h"
#include "platform/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

int load(const std::string& path, store::LogContainer& log)
{
    log.logPath = path;
    log.tidyHostCache = false;
    store::Progress progress{0.0f};
    return log.LoadPipeline(nullptr, progress, false, "");
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    genlog::Options opt;
    opt.lines = 300000;
    opt.days = 14;
    opt.seed = 11;
    opt.machines = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--lines"))
            opt.lines = std::strtoull(argv[i + 1], nullptr, 10);
        else if (!std::strcmp(argv[i], "--days"))
            opt.days = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed"))
            opt.seed = std::strtoull(argv[i + 1], nullptr, 10);
        else {
            std::fprintf(stderr, "usage: bench_machines [--lines N] [--days D] [--seed S]\n");
            return 2;
        }
    }
    const std::string folder = bench::dataFolder() + "/machines";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/home");
    platform::setHomeDirOverride(folder + "/home");

    genlog::StringSink sink;
    std::string labelText;
    if (!genlog::generate(opt, sink, &labelText)) {
        std::fprintf(stderr, "genlog failed\n");
        return 1;
    }
    const std::string logPath = folder + "/machines.log";
    std::ofstream(logPath, std::ios::binary) << sink.text;
    const auto labels = bench::readLabels(labelText);

    bench::MachineFigures figures;
    bench::countLines(sink.text, labels, figures);
    std::uint32_t rc;
    rc = bench::importAllAgents(logPath, folder + "/all.vxlog");
    store::LogContainer log;
    if (rc || load(folder + "/all.vxlog", log)) {
        std::fprintf(stderr, "import or load failed\n");
        return 1;
    }
    const bench::MachineFigures f = [&] {
        bench::MachineFigures m = bench::compareWithLabels(log, labels);
        m.lines = figures.lines;
        m.machineLines = figures.machineLines;
        return m;
    }();
    std::printf("log: %llu lines, %.1f %% from machines; %zu visitors with every agent kept\n",
                static_cast<unsigned long long>(f.lines),
                bench::MachineFigures::share(static_cast<std::uint32_t>(f.machineLines),
                                             static_cast<std::uint32_t>(f.lines)),
                log.Visitors.size());
    std::printf("labels: %u people, %u named machines, %u machines claiming a browser\n", f.people,
                f.named, f.disguised);
    std::printf("named machines: precision %.2f %%, recall %.2f %%\n", f.namedPrecision(),
                f.namedRecall());
    std::printf("by behaviour (claiming a browser): recall %.2f %%\n", f.disguisedRecall());
    std::printf("people taken for machines: %.2f %% (%u of %u)\n", f.peopleMarked(),
                f.peopleAsMachines, f.people);
    std::printf("persons found %u, labelled %u\n", f.predictedPeople, f.people);
    for (const auto& [row, count] : f.rows)
        std::printf("  %7u  %s\n", count, platform::cp932ToUtf8(row).c_str());

    // The default import: browsers only, robots.ini among its tests.
    sievra::OwnedImportOptions options;
    options.output = folder + "/browsers.vxlog";
    options.inputs = sievra::makeList({logPath});
    options.machineRules = platform::resFolder() + "robots.ini";
    rc = bench::runJob(options);
    store::LogContainer kept;
    if (rc || load(options.output, kept)) {
        std::fprintf(stderr, "browsers-only import or load failed\n");
        return 1;
    }
    const bench::MachineFigures b = bench::compareWithLabels(kept, labels);
    std::printf("browsers-only import: %zu visitors; %u named machines and %u claiming a browser "
                "left of %u and %u; %u of %u people kept\n",
                kept.Visitors.size(), b.named, b.disguised, f.named, f.disguised, b.people,
                f.people);
    return 0;
}
