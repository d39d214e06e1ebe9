// vexilo-cli report: writes the HTML report of an analysed log into a folder, the pages the
// main program generates in its report work folder. The log is loaded first; only a load
// that succeeded writes anything into the folder.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "report/report_folder.h"
#include "store/load_failure.h"
#include "store/log_container.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct ReportArgs
{
    std::string path;
    std::string folder;
    FolderOptions folders;
};

int report(const ReportArgs& args)
{
    const std::string& path = args.path;
    const std::string& folder = args.folder;
    args.folders.apply();

    const std::string templates = platform::joinPath(platform::resFolder(), "report");
    if (!platform::isDirectory(templates)) {
        std::fprintf(stderr, "vexilo-cli report: no report templates in %s\n", templates.c_str());
        return kExitFailure;
    }
    warnMissingRuleFiles("report");

    // No report folder for the load itself: the pages are made once it has succeeded.
    store::LogContainer log;
    if (!loadLog("report", path, log))
        return kExitFailure;
    if (const int rc = report::publishReport(templates, folder, log)) {
        std::fprintf(stderr, "vexilo-cli report: cannot write the report to %s (err=%d)\n",
                     folder.c_str(), rc);
        return kExitFailure;
    }
    standardOutput().write(platform::joinPath(folder, "index.html") + "\n");
    return kExitSuccess;
}

} // namespace

void addReportCommand(CLI::App& app)
{
    auto args = std::make_shared<ReportArgs>();
    CLI::App* command = addCommand(
        app, "report",
        "write the HTML report of an analysed log\n"
        "Loads the analysed log as the main program does and puts the report generated\n"
        "from the templates into DIR (DIR/index.html, ...); nothing is written when the\n"
        "load fails. Prints the path of index.html.",
        [args] { return report(*args); });
    command->add_option("FILE", args->path, "the analysed log (.vxlog)")
        ->required()
        ->check(kNotEmpty);
    command
        ->add_option("-o", args->folder,
                     "the report folder (created when missing; files of the same\n"
                     "names are replaced, other files are left alone)")
        ->type_name("DIR")
        ->required()
        ->check(kNotEmpty);
    args->folders.addTo(*command);
}

} // namespace cli
