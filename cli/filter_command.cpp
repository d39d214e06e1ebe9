// vexilo-cli filter: the filter chain without windows. Loads an analysed log as the main
// program does, runs the period and the panes, and prints each pane's CSV export.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "filters/chain_runner.h"
#include "filters/csv.h"
#include "store/log_container.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct FilterArgs
{
    std::string path;
    FolderOptions folders;
    ChainOptions chain;
};

// "#<TAB>label<TAB>class<TAB>visitors" and LF: the heading of a stage.
std::string heading(const std::string& label, const char* className, std::uint32_t visitors)
{
    return "#\t" + label + "\t" + className + "\t" + std::to_string(visitors) + "\n";
}

int filter(const FilterArgs& args)
{
    ChainSession session;
    if (const int status = session.open("filter", args.path, args.folders, args.chain))
        return status;
    filters::Chain& chain = session.chain();

    Output& out = standardOutput();
    out.write(heading("1.", filters::kPeriodClassName, chain.periodCount()));
    const std::vector<std::string> labels = chain.labels();
    for (std::size_t p = 0; p < chain.paneCount(); ++p) {
        const filters::PaneModel& pane = chain.pane(p);
        out.write(heading(labels[p], pane.info().className, pane.inputCount()));
        const std::vector<int> order = filters::initialDisplayOrder(pane.kind());
        if (!out.write(filters::csvText(pane, order)))
            break;
    }
    return kExitSuccess;
}

} // namespace

void addFilterCommand(CLI::App& app)
{
    auto args = std::make_shared<FilterArgs>();
    CLI::App* command = addCommand(
        app, "filter",
        "run the filter chain and print each pane's CSV export\n"
        "Loads the analysed log as the main program does (host names from the cache files\n"
        "only), sets the period and the panes in the order given, and prints the stages:\n"
        "a line \"#<TAB>1.<TAB>WC_FILTER_TIMERANGE<TAB>N\" with the visitors in the period,\n"
        "then per pane \"#<TAB>label<TAB>class<TAB>input visitors\" (label \"-.\" when it is\n"
        "bypassed) and the bytes its CSV export writes (CP932, CR LF, the default sort).",
        [args] { return filter(*args); });
    ChainSession::addOptions(*command, args->path, args->folders, args->chain);
    command->footer("Example: vexilo-cli filter site.vxlog --period 2026/10/01:2026/10/31 \\\n"
                    "           --pane req --select /index.html --pane ref,group\n"
                    "A --select text that matches no row selects nothing there and is named on\n"
                    "standard error. Exit status 1 for an unknown kind or flag, more than six\n"
                    "panes, a period outside the log or a log that cannot be loaded.");
}

} // namespace cli
