// vexilo-cli graph: the graph view without its window. Runs the filter chain as `filter`
// does and prints the graph's CSV export for it, the same bytes the window's export writes.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "views/graph_model.h"
#include "views/graph_state.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct GraphArgs
{
    std::string path;
    FolderOptions folders;
    ChainOptions chain;
    SourceOption source;
    bool percent = false;
    bool rank = false;
};

int graph(const GraphArgs& args)
{
    ChainSession session;
    if (const int status = session.open("graph", args.path, args.folders, args.chain, &args.source))
        return status;
    store::LogContainer& log = session.log();
    filters::Chain& chain = session.chain();

    views::GraphModel graph;
    graph.state().source = args.source.source();
    graph.state().percent = args.percent;
    graph.state().rank = args.rank;
    // A report link sets the graph as the report view does: its source stage and "%".
    if (!args.chain.linkGraphState().empty())
        views::applyGraphStateText(graph.state(), args.chain.linkGraphState());
    graph.state().source = std::min(graph.state().source, static_cast<int>(chain.paneCount()));
    graph.recompute(log.Visitors, views::graphPanesOf(chain), views::rankSeriesOf(chain));
    standardOutput().write(graph.csv());
    return kExitSuccess;
}

} // namespace

void addGraphCommand(CLI::App& app)
{
    auto args = std::make_shared<GraphArgs>();
    CLI::App* command = addCommand(
        app, "graph",
        "run the filter chain and print the graph view's CSV export\n"
        "Loads the analysed log and runs the chain as \"filter\" does, then prints the bytes\n"
        "the graph view's export writes (CP932, CR LF): \"日付,1. 期間\" and a column per pane,\n"
        "one line per hour or day bucket with the visitors of every stage, and with --rank\n"
        "a Rank column (the average result page) when a searchword pane exists. The export\n"
        "holds every stage whatever --source and --pct show; they are checked, and kept for\n"
        "the window's state.",
        [args] { return graph(*args); });
    ChainSession::addOptions(*command, args->path, args->folders, args->chain, &args->source);
    command->add_flag("--pct", args->percent, "as with \"%\" checked (percentages)");
    command->add_flag("--rank", args->rank, "as with \"Rank\" checked");
    command->footer("Example: vexilo-cli graph site.vxlog --pane req --pane searchword --rank\n"
                    "Exit status 1 for a bad chain (as \"filter\"), a --source beyond the panes\n"
                    "or a log that cannot be loaded.");
}

} // namespace cli
