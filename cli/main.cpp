// vexilo-cli: the core of Vexilo on the command line.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/large_pages.h"
#include "report/report_generator.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace {

// In the order of the command list.
constexpr void (*kCommands[])(CLI::App&) = {
    cli::addImportCommand,  cli::addDumpCommand,     cli::addLoadCommand,  cli::addReportCommand,
    cli::addRegexpCommand,  cli::addDecodeCommand,   cli::addRulesCommand, cli::addFilterCommand,
    cli::addGraphCommand,   cli::addLogCommand,      cli::addFlowCommand,  cli::addOverlayCommand,
    cli::addResolveCommand, cli::addWordlensCommand,
};

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    CLI::App app("The core of Vexilo on the command line.", "vexilo-cli");
    cli::setUpCommandLine(app);
    for (const auto add : kCommands)
        add(app);

    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return cli::kExitUsage;
    }
    // Loads write the HTML report as in the main program (where a report folder is given).
    report::installReportGenerator();
    return cli::finishStandardOutput(cli::runCommandLine(app, argc, argv));
}
