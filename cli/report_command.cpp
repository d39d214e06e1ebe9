// vexilo-cli report: writes the HTML report of an analysed log into a folder, the pages the
// main program generates in its report work folder. The log is loaded first; only a load
// that succeeded writes anything into the folder.

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "report/report_folder.h"
#include "store/log_container.h"
#include "store/messages.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "usage: vexilo-cli report FILE.vxlog -o DIR [--home DIR] [--res DIR]\n"
    "Loads the analysed log as the main program does and puts the report generated from the\n"
    "templates into DIR (DIR/index.html, ...). Nothing is written when the load fails.\n"
    "  -o DIR       the report folder (created when missing; files of the same names are\n"
    "               replaced, other files are left alone)\n"
    "  --home DIR   data folder (caches, host names, URL groups); default: the registered one\n"
    "  --res DIR    folder of the rule files and of report/ with the templates; default: res/\n"
    "               next to this program\n";

} // namespace

int reportCommand(const Args& args)
{
    std::string path, folder, res;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "-o" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (a == "--home" && i + 1 < args.size()) {
            platform::setHomeDirOverride(args[++i]);
        } else if (a == "--res" && i + 1 < args.size()) {
            res = args[++i];
            platform::setResFolder(res);
        } else if (path.empty() && (a.empty() || a[0] != '-')) {
            path = a;
        } else {
            std::fprintf(stderr, "vexilo-cli report: unexpected argument %s\n\n%s", a.c_str(),
                         kUsage);
            return 2;
        }
    }
    if (path.empty() || folder.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string templates = platform::joinPath(platform::resFolder(), "report");
    if (!platform::isDirectory(templates)) {
        std::fprintf(stderr, "vexilo-cli report: no report templates in %s\n", templates.c_str());
        return 1;
    }
    ensureDataFolder();
    warnMissingRuleFiles("report");

    store::LogContainer log;
    log.logPath = path;
    // No report folder for the load itself: the pages are made once it has succeeded.
    store::Progress progress{0.0f};
    if (const int rc = log.LoadPipeline(nullptr, progress, false, "")) {
        std::fprintf(stderr, "%s\n", store::openFailureMessage(rc).c_str());
        return 1;
    }
    if (const int rc = report::publishReport(templates, folder, log)) {
        std::fprintf(stderr, "vexilo-cli report: cannot write the report to %s (err=%d)\n",
                     folder.c_str(), rc);
        return 1;
    }
    std::printf("%s\n", platform::joinPath(folder, "index.html").c_str());
    return 0;
}

} // namespace cli
