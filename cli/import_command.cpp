// vexilo-cli import: runs an import job the way the analysis wizard does, with its
// options as defaults. The output is replaced only by a complete analysed log; on any
// failure it stays as it was.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/sievra_loader.h"
#include "import/import_options.h"
#include "import/import_paths.h"
#include "platform/errors.h"
#include "platform/settings.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace cli {
namespace {

// A list from items separated by blanks or commas.
std::string makeList(const std::string& text)
{
    std::vector<std::string> items(1);
    for (char c : text) {
        if (c == ' ' || c == ',')
            items.emplace_back();
        else
            items.back() += c;
    }
    return sievra::makeList(items);
}

void showProgress(std::uint64_t done, std::uint64_t total, bool final)
{
    const double share = total ? double(done) * 100.0 / double(total) : 100.0;
    std::fprintf(stderr, "\rimporting %5.1f%%  %.1f / %.1f MB%s", share, double(done) / 1e6,
                 double(total) / 1e6, final ? "\n" : "");
    std::fflush(stderr);
}

} // namespace

// The import, once the command line is read.
static int importCommand(sievra::OwnedImportOptions& o, bool allAgents, bool verbose,
                         const std::vector<std::string>& inputs)
{
    if (allAgents)
        o.flags &= ~LA_F_BROWSERS_ONLY;
    else if (o.machineRules.empty())
        o.machineRules = platform::resFolder() + "robots.ini";
    o.inputs = sievra::makeList(inputs);
    // The library refuses these too; here they get a message of their own.
    const sievra::PathProblem problem =
        sievra::checkImportPaths(o.output, inputs, o.truncatedFile, o.excludedFile);
    if (problem.code) {
        std::fprintf(stderr, "vexilo-cli import: %s\n", problem.message.c_str());
        return 1;
    }

    // The import library writes its trace lines to standard output, as it must; they are
    // the command's output only when asked for.
    if (!verbose) {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::close(null);
        }
    }
    SievraApi la;
    std::string error;
    if (!loadSievra(la, error)) {
        std::fprintf(stderr, "vexilo-cli: cannot load the import library: %s\n", error.c_str());
        return 1;
    }
    const ImportOptions options = o.get();

    const bool terminal = ::isatty(STDERR_FILENO);
    LaJob job = nullptr;
    std::uint32_t rc = la.create(&job, &options);
    if (rc == 0)
        rc = la.importAsync(job);
    if (rc == 0) {
        std::uint64_t done = 0, total = 0;
        while ((rc = la.getProgress(job, &done, &total)) == 0) {
            if (terminal)
                showProgress(done, total, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (terminal)
            showProgress(done, total, true);
        if (rc == 18)
            rc = la.finish(job);
    }
    char file[4096] = "";
    if (job && rc != 0)
        la.errorFile(job, file, sizeof file);
    if (job)
        la.release(job);
    if (rc != 0) {
        std::fprintf(stderr, "AnalyzeLogFiles failed\n\nerr=%u(0x%X)\n", rc, rc);
        if (*file)
            std::fprintf(stderr, "%s: %s\n", file,
                         platform::errorText(static_cast<int>(rc)).c_str());
        return 1;
    }
    return 0;
}

void addImportCommand(CLI::App& app)
{
    struct Args
    {
        sievra::OwnedImportOptions options; // the analysis wizard's options
        bool allAgents = false;
        bool verbose = false;
        std::vector<std::string> inputs;
    };
    auto args = std::make_shared<Args>();
    sievra::OwnedImportOptions& o = args->options;
    CLI::App* command = addCommand(
        app, "import",
        "import access logs (plain or .gz) and analysed logs into a new analysed log\n"
        "Options default to those of the analysis wizard.",
        [args] {
            return importCommand(args->options, args->allAgents, args->verbose, args->inputs);
        });
    command
        ->add_option("INPUT", args->inputs,
                     "access logs in the combined format (plain, or gzip when\n"
                     "named *.gz) and at most one analysed log (*.vxlog) to\n"
                     "extend, read in the order given")
        ->required();
    command->add_option("-o", o.output, "the analysed log to write")
        ->type_name("OUT.vxlog")
        ->required()
        ->check(kNotEmpty);
    command
        ->add_option("--flags", o.flags,
                     "store flags, decimal or 0x hex (default 0x64 plus\n"
                     "browsers-only)")
        ->type_name("N");
    command->add_flag("--all-agents", args->allAgents, "keep every user agent, not only browsers");
    command
        ->add_option("--machine-rules", o.machineRules,
                     "the rule file of machine agents that browsers-only also\n"
                     "leaves out (default: robots.ini of the rule folder)")
        ->type_name("FILE");
    command->add_flag("--verbose", args->verbose,
                      "show the import library's trace lines on standard output");
    auto list = [command](const char* name, std::string& to, const char* description) {
        command
            ->add_option_function<std::string>(
                name, [list = &to](const std::string& items) { *list = makeList(items); },
                description)
            ->type_name("LIST");
    };
    list("--status", o.statusCodes, "status codes to keep (default \"200 302 304\")");
    list("--methods", o.methods, "methods to keep (default \"GET POST\")");
    list("--skip-ext", o.skipExts, "extensions to drop (default \"jpg gif png swf css js\")");
    list("--dir-index", o.dirIndexes,
         "directory index names (default \"index.html index.htm\n"
         "index.cgi\")");
    command
        ->add_option_function<std::pair<std::uint32_t, std::uint32_t>>(
            "--window",
            [options = &o](const std::pair<std::uint32_t, std::uint32_t>& window) {
                options->windowStart = window.first;
                options->windowEnd = window.second;
            },
            "keep times START <= t < END (UTC seconds)")
        ->type_name("START END");
    command
        ->add_option("--truncated", o.truncatedFile,
                     "write lines with a field cut at 1024 bytes to FILE")
        ->type_name("FILE");
    command->add_option("--excluded", o.excludedFile, "write lines that were not stored to FILE")
        ->type_name("FILE");
    command->footer("LIST: items separated by blanks or commas; \"\" for none.");
}

} // namespace cli
