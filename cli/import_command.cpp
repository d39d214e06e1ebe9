// vexilo-cli import: runs an import job the way the analysis wizard does, with its
// options as defaults. The output is replaced only by a complete analysed log; on any
// failure it stays as it was.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/sievra_loader.h"
#include "import/import_options.h"
#include "import/import_paths.h"
#include "platform/errors.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "usage: vexilo-cli import -o OUT.vxlog [options] INPUT...\n"
    "INPUT: access logs in the combined format (plain, or gzip when named *.gz) and at most\n"
    "one analysed log (*.vxlog) to extend, read in the order given.\n"
    "options (defaults are those of the analysis wizard):\n"
    "  --flags N          store flags, decimal or 0x hex (default 0x64 plus browsers-only)\n"
    "  --all-agents       keep every user agent, not only browsers\n"
    "  --status LIST      status codes to keep (default \"200 302 304\")\n"
    "  --methods LIST     methods to keep (default \"GET POST\")\n"
    "  --skip-ext LIST    extensions to drop (default \"jpg gif png swf css js\")\n"
    "  --dir-index LIST   directory index names (default \"index.html index.htm index.cgi\")\n"
    "  --window START END keep times START <= t < END (UTC seconds)\n"
    "  --truncated FILE   write lines with a field cut at 1024 bytes to FILE\n"
    "  --excluded FILE    write lines that were not stored to FILE\n"
    "LIST: items separated by blanks or commas; \"\" for none.\n";

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

bool parseNumber(const std::string& text, std::uint32_t& value)
{
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end || v > 0xFFFFFFFFul)
        return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

void showProgress(std::uint64_t done, std::uint64_t total, bool final)
{
    const double share = total ? double(done) * 100.0 / double(total) : 100.0;
    std::fprintf(stderr, "\rimporting %5.1f%%  %.1f / %.1f MB%s", share, double(done) / 1e6,
                 double(total) / 1e6, final ? "\n" : "");
    std::fflush(stderr);
}

} // namespace

int importCommand(const Args& args)
{
    sievra::OwnedImportOptions o; // the analysis wizard's options
    bool allAgents = false;
    std::vector<std::string> inputs;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& to) {
            if (i + 1 >= args.size())
                return false;
            to = args[++i];
            return true;
        };
        auto list = [&](std::string& to) {
            std::string v;
            if (!value(v))
                return false;
            to = makeList(v);
            return true;
        };
        std::string v, v2;
        bool ok = true;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "-o") {
            ok = value(o.output);
        } else if (a == "--flags") {
            ok = value(v) && parseNumber(v, o.flags);
        } else if (a == "--all-agents") {
            allAgents = true;
        } else if (a == "--status") {
            ok = list(o.statusCodes);
        } else if (a == "--methods") {
            ok = list(o.methods);
        } else if (a == "--skip-ext") {
            ok = list(o.skipExts);
        } else if (a == "--dir-index") {
            ok = list(o.dirIndexes);
        } else if (a == "--window") {
            ok = value(v) && value(v2) && parseNumber(v, o.windowStart) &&
                 parseNumber(v2, o.windowEnd);
        } else if (a == "--truncated") {
            ok = value(o.truncatedFile);
        } else if (a == "--excluded") {
            ok = value(o.excludedFile);
        } else if (a == "--") {
            inputs.insert(inputs.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "vexilo-cli import: unknown option %s\n\n%s", a.c_str(), kUsage);
            return 2;
        } else {
            inputs.push_back(a);
        }
        if (!ok) {
            std::fprintf(stderr, "vexilo-cli import: bad or missing value for %s\n\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (o.output.empty() || inputs.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (allAgents)
        o.flags &= ~LA_F_BROWSERS_ONLY;
    o.inputs = sievra::makeList(inputs);
    // The library refuses these too; here they get a message of their own.
    const sievra::PathProblem problem =
        sievra::checkImportPaths(o.output, inputs, o.truncatedFile, o.excludedFile);
    if (problem.code) {
        std::fprintf(stderr, "vexilo-cli import: %s\n", problem.message.c_str());
        return 1;
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
            std::fprintf(stderr, "%s: %s\n", file, platform::errorText(static_cast<int>(rc)).c_str());
        return 1;
    }
    return 0;
}

} // namespace cli
