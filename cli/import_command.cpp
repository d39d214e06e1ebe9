// vexilo-cli import: runs an import job the way the analysis wizard does, with its
// options as defaults. The output is replaced only by a complete analysed log; on any
// failure it stays as it was.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/sievra_loader.h"
#include "import/import_options.h"
#include "import/import_paths.h"
#include "import/new_only.h"
#include "platform/errors.h"
#include "platform/files.h"
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

namespace {

// --new-only: what the analysed log has not read of the inputs, as one plain log in the
// temporary folder, and what was left out and why (on standard error).
struct NewOnly
{
    sievra::ReadState state;
    std::vector<sievra::InputPlan> plans;
    std::string tail;
    std::uint64_t lines = 0;

    ~NewOnly()
    {
        if (!tail.empty())
            std::remove(tail.c_str());
    }
    int plan(const sievra::OwnedImportOptions& o, const std::vector<std::string>& inputs)
    {
        state = sievra::loadReadState(o.output);
        if (!state.trusted && platform::fileExists(sievra::readStatePath(o.output)))
            std::fprintf(stderr,
                         "vexilo-cli import: %s does not belong to %s as it is now (a run "
                         "stopped between the two?): every line is read again, lines already "
                         "stored are left out\n",
                         sievra::readStatePath(o.output).c_str(), o.output.c_str());
        std::string name = platform::tempFolder() + "/vexilo-new-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            std::fprintf(stderr, "vexilo-cli import: cannot write in %s\n",
                         platform::tempFolder().c_str());
            return 1;
        }
        ::close(fd);
        tail = name;
        std::string file;
        const ImportOptions options = o.get();
        if (const int rc =
                sievra::planNewOnly(o.output, state, inputs, options, tail, plans, file)) {
            std::fprintf(stderr, "vexilo-cli import: %s: %s\n", file.c_str(),
                         platform::errorText(rc).c_str());
            return 1;
        }
        for (const sievra::InputPlan& p : plans) {
            lines += p.lines - p.overlap;
            std::fprintf(stderr, "vexilo-cli import: %s: %s; %llu unread lines", p.path.c_str(),
                         p.note.c_str(), static_cast<unsigned long long>(p.lines));
            if (p.overlap)
                std::fprintf(stderr, ", %llu of them left out (already stored)",
                             static_cast<unsigned long long>(p.overlap));
            std::fputc('\n', stderr);
        }
        return 0;
    }
};

} // namespace

// The import, once the command line is read.
static int importCommand(sievra::OwnedImportOptions& o, bool allAgents, bool verbose,
                         std::vector<std::string> inputs, bool newOnly)
{
    if (allAgents)
        o.flags &= ~LA_F_BROWSERS_ONLY;
    else if (o.machineRules.empty())
        o.machineRules = platform::resFolder() + "robots.ini";
    NewOnly fresh;
    if (newOnly) {
        for (const std::string& input : inputs)
            if (sievra::isAnalysedLogName(input)) {
                std::fprintf(stderr,
                             "vexilo-cli import: --new-only takes access logs, not "
                             "analysed logs (%s)\n",
                             input.c_str());
                return 1;
            }
        const sievra::PathProblem problem =
            sievra::checkImportPaths(o.output, inputs, o.truncatedFile, o.excludedFile);
        if (problem.code) {
            std::fprintf(stderr, "vexilo-cli import: %s\n", problem.message.c_str());
            return 1;
        }
        if (const int rc = fresh.plan(o, inputs))
            return rc;
        if (fresh.lines == 0 && platform::fileExists(o.output)) {
            std::fprintf(stderr, "vexilo-cli import: nothing new for %s\n", o.output.c_str());
            return sievra::saveReadState(o.output, sievra::nextReadState(fresh.state, fresh.plans))
                       ? 1
                       : 0;
        }
        inputs.clear();
        if (platform::fileExists(o.output))
            inputs.push_back(o.output);
        inputs.push_back(fresh.tail);
    }
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
        // The end is looked for every few milliseconds (an import of a small file should
        // not wait for the next tenth of a second); the progress is drawn ten times a second.
        auto shown = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        while ((rc = la.getProgress(job, &done, &total)) == 0) {
            const auto now = std::chrono::steady_clock::now();
            if (terminal && now - shown >= std::chrono::milliseconds(100)) {
                showProgress(done, total, false);
                shown = now;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
    // Written once the analysed log is complete: a run stopped before leaves the old one,
    // which then no longer matches the analysed log and is not believed.
    if (newOnly)
        if (const int src =
                sievra::saveReadState(o.output, sievra::nextReadState(fresh.state, fresh.plans))) {
            std::fprintf(stderr, "vexilo-cli import: %s: %s\n",
                         sievra::readStatePath(o.output).c_str(), platform::errorText(src).c_str());
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
        bool newOnly = false;
        std::vector<std::string> inputs;
    };
    auto args = std::make_shared<Args>();
    sievra::OwnedImportOptions& o = args->options;
    CLI::App* command =
        addCommand(app, "import",
                   "import access logs (plain or .gz) and analysed logs into a new analysed log\n"
                   "Options default to those of the analysis wizard.",
                   [args] {
                       return importCommand(args->options, args->allAgents, args->verbose,
                                            args->inputs, args->newOnly);
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
    command->add_flag("--new-only", args->newOnly,
                      "add to OUT only what it has not read yet: files read before\n"
                      "go on where they stopped (also rotated, renamed or gzipped),\n"
                      "lines already stored are left out; OUT.read remembers");
    command
        ->add_option("--machine-rules", o.machineRules,
                     "the rule file of machine agents that browsers-only also\n"
                     "leaves out (default: robots.ini of the rule folder)")
        ->type_name("FILE");
    command
        ->add_option("--jobs", o.jobs,
                     "threads that parse the lines (default 0: one per core); the\n"
                     "analysed log is the same for any number")
        ->type_name("N")
        ->check(CLI::Range(0u, 64u));
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
