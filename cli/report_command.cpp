// vexilo-cli report: writes the HTML report of an analysed log into a folder, as the main
// program does in its report work folder: the templates are copied there and the whole
// load regenerates the pages in place.

#include <cstdio>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "store/log_container.h"
#include "store/messages.h"

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
    if (const int rc = platform::copyFolder(templates, folder)) {
        std::fprintf(stderr, "vexilo-cli report: cannot copy the templates to %s (err=%d)\n",
                     folder.c_str(), rc);
        return kExitFailure;
    }

    store::LogContainer log;
    log.logPath = path;
    // The last load step writes the pages with the generator main() installed.
    store::Progress progress{0.0f};
    if (const int rc = log.LoadPipeline(nullptr, progress, false, folder)) {
        std::fprintf(stderr, "%s\n", store::openFailureMessage(rc).c_str());
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
        "Copies the report templates into DIR, loads the analysed log as the main program\n"
        "does and leaves the generated pages (DIR/index.html, ...) there; prints the path\n"
        "of index.html.",
        [args] { return report(*args); });
    command->add_option("FILE", args->path, "the analysed log (.vxlog)")
        ->required()
        ->check(kNotEmpty);
    command
        ->add_option("-o", args->folder,
                     "the report folder (created when missing; pages of the same\n"
                     "names are replaced)")
        ->type_name("DIR")
        ->required()
        ->check(kNotEmpty);
    args->folders.addTo(*command);
}

} // namespace cli
