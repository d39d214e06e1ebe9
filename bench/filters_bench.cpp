// Filter refresh times: one pane of every kind over all visitors of the log (compute the
// rows, sort them, put the selection into the pane's bit: what a refresh does), and whole
// passes of a six-pane chain, on analysed logs of 1,000,000 and 10,000,000 records.
//
//   bench_filters                   both sizes, each in a process of its own
//   bench_filters --records N       one size
//
// The logs are those of bench_load (every generated line kept). Host names: the resolver
// is simulated by giving 90% of the addresses a name and 5% the empty name (no name);
// the rest stay unresolved.

#include "bench/analysed_log.h"
#include "bench/bench_util.h"
#include "filters/chain_runner.h"
#include "platform/large_pages.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <time.h>
#include <vector>

namespace {

using namespace filters;

constexpr int kRounds = 5;

using bench::once;
using bench::Timing;

// Later calls: the panes keep what they learnt about the log's fragments and hosts.
template <typename F> Timing timeIt(F f)
{
    return bench::timeIt(f, kRounds);
}

struct PaneCase
{
    const char* label;
    Kind kind;
    unsigned flags;
    bool afterPage; // path mode: behind a page pane with its top row selected
};

void run(std::uint64_t records)
{
    const std::string path = bench::analysedLog(records);
    const std::string home = bench::dataFolder() + "/home-" + std::to_string(records);
    std::filesystem::create_directories(home);
    platform::setHomeDirOverride(home);
    store::LogContainer log;
    log.logPath = path;
    store::Progress progress{0.0f};
    const double start = bench::seconds();
    if (const int rc = log.LoadPipeline(nullptr, progress, false, "")) {
        std::fprintf(stderr, "load failed: %d\n", rc);
        return;
    }
    const double loadSeconds = bench::seconds() - start;
    bench::nameHosts(log);

    Chain chain(log);
    chain.open();
    chain.period().select(0, static_cast<int>(chain.period().days().size()) - 1);
    chain.refresh(0, kRefreshSelfOnly);
    std::fprintf(stderr, "%zu records  %zu visitors (%u in the period)  load %.1f s\n",
                 log.Rec2.size(), log.Visitors.size(), chain.periodCount(), loadSeconds);
    std::fprintf(stderr, "  %-20s %8s %8s %8s | %6s %10s %7s\n", "one pane", "rows", "input",
                 "first ms", "again: min", "median", "cpu");

    // A page pane with its top row selected: the path set of the path-mode cases.
    const int page = chain.addPane(Kind::Req);
    chain.refresh(1, 0);

    const PaneCase cases[] = {
        {"req", Kind::Req, 0, false},
        {"req,group", Kind::Req, kFlagGroup, false},
        {"req,path", Kind::Req, kFlagPath, true},
        {"reqbegin", Kind::ReqBegin, 0, false},
        {"reqend", Kind::ReqEnd, 0, false},
        {"query", Kind::Query, 0, false},
        {"query,path", Kind::Query, kFlagPath, true},
        {"ref", Kind::Ref, 0, false},
        {"ref,path", Kind::Ref, kFlagPath, true},
        {"searchname", Kind::SearchName, 0, false},
        {"searchword", Kind::SearchWord, 0, false},
        {"searchword,split", Kind::SearchWord, kFlagSplit, false},
        {"agent", Kind::Agent, 0, false},
        {"browser", Kind::Browser, 0, false},
        {"os", Kind::Os, 0, false},
        {"hostname", Kind::HostName, 0, false},
        {"tldjp", Kind::TldJp, 0, false},
        {"domain", Kind::Domain, 0, false},
    };
    for (const PaneCase& c : cases) {
        PaneModel pane(c.kind, c.flags);
        PaneInput input; // every visitor of the period
        if (c.afterPage)
            input.path = chain.pane(static_cast<std::size_t>(page)).pathSet();
        const auto refresh = [&] {
            pane.compute(log, input, true);
            pane.apply(log, paneBit(5));
        };
        const double first = once(refresh);
        const Timing t = timeIt(refresh);
        std::fprintf(stderr, "  %-20s %8zu %8u %8.1f | %10.1f %6.1f %7.1f\n", c.label,
                     pane.rowCount(), pane.inputCount(), first, t.min, t.median, t.cpu);
    }

    // Six panes: a pass from the period down, as after opening the log or a new period.
    Chain six(log);
    six.open();
    six.period().select(0, static_cast<int>(six.period().days().size()) - 1);
    for (const Kind k :
         {Kind::Req, Kind::Ref, Kind::Query, Kind::Browser, Kind::SearchWord, Kind::Domain})
        six.addPane(k);
    const double firstPass = once([&] { six.refresh(0, kRefreshAll); });
    const Timing selected = timeIt([&] { six.refresh(0, kRefreshAll); });
    std::string inputs;
    for (std::size_t p = 0; p < six.paneCount(); ++p)
        inputs.append(" ").append(std::to_string(six.pane(p).inputCount()));
    std::fprintf(stderr,
                 "  six-pane pass, top rows selected: first %.1f ms | again: min %.1f ms"
                 "  median %.1f ms  cpu %.1f ms\n    (inputs%s)\n",
                 firstPass, selected.min, selected.median, selected.cpu, inputs.c_str());
    // The worst case: every pane bypassed, so every pane reads every visitor.
    for (std::size_t p = 0; p < six.paneCount(); ++p)
        six.pane(p).setFlag(kFlagBypass, true);
    const double firstAll = once([&] { six.refresh(0, kRefreshAll); });
    const Timing all = timeIt([&] { six.refresh(0, kRefreshAll); });
    std::fprintf(stderr,
                 "  six-pane pass, all bypassed (full input each): first %.1f ms | "
                 "again: min %.1f ms  median %.1f ms  cpu %.1f ms\n",
                 firstAll, all.min, all.median, all.cpu);
    std::fprintf(stderr, "  peak %.1f MiB\n", bench::peakMiB());
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    std::vector<std::uint64_t> sizes = {1000000, 10000000};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--records") && i + 1 < argc) {
            sizes = {std::strtoull(argv[++i], nullptr, 10)};
        } else {
            std::fprintf(stderr, "usage: bench_filters [--records N]\n");
            return 2;
        }
    }
    for (const std::uint64_t n : sizes)
        bench::inChild([n] { run(n); });
    return 0;
}
