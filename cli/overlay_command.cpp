// vexilo-cli overlay: the page overlay's counting without windows. Loads an analysed log as
// the main program does, runs the filter chain, and prints for one page of the site where
// the visitors of one stage went on to from it: the numbers the overlay writes on the links
// to those pages.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "filters/chain_runner.h"
#include "overlay/click_rates.h"
#include "platform/tab_fields.h"
#include "store/queries.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct OverlayArgs
{
    std::string path;
    std::string page;
    FolderOptions folders;
    ChainOptions chain;
    SourceOption source;
};

int overlayRates(const OverlayArgs& args)
{
    ChainSession session;
    if (const int status =
            session.open("overlay", args.path, args.folders, args.chain, &args.source))
        return status;
    store::LogContainer& log = session.log();
    // A page is a site path, or an address on the site as the browser shows it.
    std::string page = typedText(args.page);
    if (page[0] != '/') {
        const char* path = store::stripLocalSite(&log, page.c_str());
        if (!path) {
            std::fprintf(stderr, "vexilo-cli overlay: %s is not a page of the site %s\n",
                         args.page.c_str(), store::getTitle(&log));
            return kExitFailure;
        }
        page = path;
    }
    const overlay::PageCounts counts =
        overlay::countFrom(log, filters::stageBit(args.source.source()), page);
    std::string out;
    for (const auto& [target, count] : counts.sorted()) {
        const int tenths = overlay::rateTenths(count, counts.visitors);
        char head[96];
        std::snprintf(head, sizeof head, "%u\t%u\t%s\t%d\t%d\t", count, counts.visitors,
                      overlay::rateText(count, counts.visitors).c_str(), tenths,
                      overlay::barIndex(tenths));
        out += head;
        platform::appendTabField(out, target);
        out += '\n';
    }
    standardOutput().write(out);
    return kExitSuccess;
}

} // namespace

void addOverlayCommand(CLI::App& app)
{
    auto args = std::make_shared<OverlayArgs>();
    CLI::App* command = addCommand(
        app, "overlay",
        "print the click rates the page overlay writes on a page's links\n"
        "Loads the analysed log as the main program does (host names from the cache files\n"
        "only), runs the filter chain as \"vexilo-cli filter\" does, and prints, for PAGE,\n"
        "every page the visitors of one stage went on to from it, one line each:\n"
        "  count <TAB> N <TAB> rate <TAB> J <TAB> K <TAB> page\n"
        "count: the visitors that went from PAGE to the page at least once; N: all the\n"
        "stage's visitors; rate: 100 count / N with one decimal and \"%\"; J: the rate in\n"
        "tenths as the overlay rounds it; K: its bar picture (b00.gif to b32.gif). Highest\n"
        "count first, then by page; nothing when nobody went on from PAGE.",
        [args] { return overlayRates(*args); });
    ChainSession::addOptions(*command, args->path, args->folders, args->chain, &args->source);
    command
        ->add_option("PAGE", args->page,
                     "a page of the site: its path (/shop/) or its address\n"
                     "(http://www.example.jp/shop/)")
        ->required()
        ->check(kNotEmpty);
    command->footer("Example: vexilo-cli overlay site.vxlog / --pane req --source 0\n"
                    "Exit status 1 for an address of another site, a --source beyond the\n"
                    "panes, or the refusals of \"vexilo-cli filter\".");
}

} // namespace cli
