// View refresh times on an analysed log of 10,000,000 records, the whole log as the period:
// one recomputation of the graph (buckets, seven counters, the rank series of a search-word
// pane), gathering and sorting the log view's rows (the chooser included), each column's
// sort, and the referer view of the most common outside referer.
//
//   bench_views                   10,000,000 records
//   bench_views --records N       another size
//
// The log is that of bench_load and bench_filters (every generated line kept), with host
// names as a resolver would have left them.

#include "bench/analysed_log.h"
#include "bench/bench_util.h"
#include "filters/chain_runner.h"
#include "platform/large_pages.h"
#include "platform/settings.h"
#include "store/log_container.h"
#include "views/graph_model.h"
#include "views/log_rows.h"
#include "views/referer_rows.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

namespace {

constexpr int kRounds = 5;

void print(const char* what, double first, const bench::Timing& t, const char* extra = "")
{
    std::fprintf(stderr, "  %-38s first %8.1f ms | again: min %8.1f  median %8.1f  cpu %8.1f%s\n",
                 what, first, t.min, t.median, t.cpu, extra);
}

// The outside referer group most visitors' page views carry.
const char* busiestReferer(const store::LogContainer& log)
{
    std::map<const char*, std::uint64_t> hits;
    for (const store::LogRecord& r : log.Rec2)
        if (r.fragment->ref->group && r.fragment->ref->group[0] == 'h')
            ++hits[r.fragment->ref->group];
    const char* best = nullptr;
    std::uint64_t most = 0;
    for (const auto& [key, n] : hits)
        if (n > most) {
            best = key;
            most = n;
        }
    return best;
}

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

    // The whole log, a page pane and a search-word pane with their top rows selected.
    filters::Chain chain(log);
    chain.open();
    chain.period().select(0, static_cast<int>(chain.period().days().size()) - 1);
    chain.addPane(filters::Kind::Req);
    chain.addPane(filters::Kind::SearchWord);
    chain.refresh(0, filters::kRefreshAll);
    std::fprintf(stderr, "%zu records  %zu visitors (%u in the period)  load %.1f s\n",
                 log.Rec2.size(), log.Visitors.size(), chain.periodCount(), loadSeconds);

    views::GraphModel graph;
    graph.state().rank = true;
    const auto recompute = [&] {
        graph.recompute(log.Visitors, views::graphPanesOf(chain), views::rankSeriesOf(chain));
    };
    const double graphFirst = bench::once(recompute);
    const bench::Timing graphAgain = bench::timeIt(recompute, kRounds);
    std::uint64_t searches = 0;
    for (const filters::RankBucket& r : graph.buckets().ranks())
        searches += r.count;
    char extra[128];
    std::snprintf(extra, sizeof extra, "  (%zu buckets of %u s, %llu ranked page views)",
                  graph.buckets().size(), graph.buckets().length(),
                  static_cast<unsigned long long>(searches));
    print("graph recomputation", graphFirst, graphAgain, extra);

    views::LogRows rows;
    const auto gather = [&] { rows.refresh(log, filters::kPeriodBit); };
    const double logFirst = bench::once(gather);
    const bench::Timing logAgain = bench::timeIt(gather, kRounds);
    std::snprintf(extra, sizeof extra, "  (%zu rows, %zu chooser entries)", rows.rowCount(),
                  rows.chooser().size());
    print("log view: gather and sort", logFirst, logAgain, extra);

    for (int column = 0; column < views::kLogColumnCount; ++column)
        for (const unsigned direction : {0u, 1u}) {
            const unsigned type = static_cast<unsigned>(column) * 2 + direction;
            const double first = bench::once([&] { rows.sort(type); });
            const bench::Timing again = bench::timeIt([&] { rows.sort(type); }, 3);
            const std::string what = std::string("log view: sort by ") +
                                     views::kLogColumns[column].title +
                                     (direction ? " descending" : " ascending");
            print(what.c_str(), first, again);
        }

    const char* referer = busiestReferer(log);
    views::RefererRows refererRows;
    const auto show = [&] { refererRows.show(log, referer); };
    const double refFirst = bench::once(show);
    const bench::Timing refAgain = bench::timeIt(show, kRounds);
    std::snprintf(extra, sizeof extra, "  (%zu addresses)", refererRows.rowCount());
    print("referer view, busiest referer", refFirst, refAgain, extra);
    std::fprintf(stderr, "  peak %.1f MiB\n", bench::peakMiB());
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    std::uint64_t records = 10000000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--records") && i + 1 < argc) {
            records = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: bench_views [--records N]\n");
            return 2;
        }
    }
    bench::inChild([records] { run(records); });
    return 0;
}
