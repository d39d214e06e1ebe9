// vexilo-cli flow: the flow view without windows. Loads an analysed log as the main program
// does, runs the filter chain, and prints the next and previous click-path trees of a page
// over the visitors of one stage, from the same trees the window draws.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "filters/chain_runner.h"
#include "import/vxlog_reader.h"
#include "store/log_container.h"
#include "views/flow_chooser.h"
#include "views/flow_tree.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

constexpr int kDefaultDepth = 3;

struct FlowArgs
{
    std::string path;
    std::string page;
    FolderOptions folders;
    ChainOptions chain;
    SourceOption source;
    int depth = kDefaultDepth;
};

int flow(const FlowArgs& args)
{
    ChainSession session;
    if (const int status = session.open("flow", args.path, args.folders, args.chain, &args.source))
        return status;
    store::LogContainer& log = session.log();

    const std::uint32_t bit = filters::stageBit(args.source.source());
    if (args.page == views::kChooserAllLabel) {
        std::fprintf(stderr, "vexilo-cli flow: \"%s\" chooses no page; the view stays empty\n",
                     views::kChooserAllLabel);
        return kExitSuccess;
    }
    const std::vector<const char*> entries = views::flowChooserEntries(log, bit);
    const int entry = views::findChooserEntry(entries, typedText(args.page));
    if (entry < 0) {
        std::fprintf(stderr,
                     "vexilo-cli flow: the page chooser of stage %d does not offer \"%s\" (it "
                     "lists the pages and referers of the stage's visitors, as URL groups)\n",
                     args.source.source(), args.page.c_str());
        return kExitFailure;
    }
    views::FlowTrees trees;
    views::buildFlowTrees(log, bit, entries[static_cast<std::size_t>(entry)], trees);
    standardOutput().write(views::flowListing(trees, args.depth));
    return kExitSuccess;
}

} // namespace

void addFlowCommand(CLI::App& app)
{
    auto args = std::make_shared<FlowArgs>();
    CLI::App* command = addCommand(
        app, "flow",
        "print the click paths after and before a page (the flow view)\n"
        "Loads the analysed log as the main program does (host names from the cache files\n"
        "only), runs the filter chain as \"vexilo-cli filter\" does, and prints the two trees\n"
        "of the flow view for PAGE over the visitors of one stage: the next tree (where the\n"
        "page's visitors clicked on to), then the previous tree (where they came from). One\n"
        "line per node, depth-first, branches in the order of the view's lists:\n"
        "  next|prev <TAB> depth <TAB> count <TAB> share of the parent <TAB> page\n"
        "depth 1 being the page's own branches; the page as the store holds it (CP932 bytes,\n"
        "URL-group names), empty for \"no referer\"; EXIT and RELOAD complete the counts.",
        [args] { return flow(*args); });
    ChainSession::addOptions(*command, args->path, args->folders, args->chain, &args->source);
    command
        ->add_option("PAGE", args->page,
                     "an entry of the view's page chooser: a page or referer (URL group)")
        ->required()
        ->check(kNotEmpty);
    command
        ->add_option("--depth", args->depth,
                     "the deepest level printed (1: the page's own branches);\n"
                     "default: 3")
        ->type_name("D")
        ->check(CLI::Range(1, views::kMaxFlowDepth));
    command->footer("Example: vexilo-cli flow site.vxlog /index.html --pane req --source 0\n"
                    "Exit status 1 for a page the chooser does not offer, a --source beyond\n"
                    "the panes, or the refusals of \"vexilo-cli filter\".");
}

} // namespace cli
