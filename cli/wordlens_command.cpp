// vexilo-cli wordlens: the query decoder's two lists without windows. Loads the analysed log
// as Wordlens does, evaluates the three search rule files anew (no caches) and prints the
// referer list's CSV export, then each listed referer's query list, as Wordlens exports
// them. Faults of the rule files are told on standard error with file, section and line.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "platform/settings.h"
#include "store/load_failure.h"
#include "wordlens/wordlens_model.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct WordlensArgs
{
    std::string path;
    FolderOptions folders;
    bool all = false;
    std::string referer;
};

int wordlensLists(const WordlensArgs& args)
{
    args.folders.apply();
    store::LogContainer log;
    log.logPath = args.path;
    store::Progress progress{0};
    if (const int rc = wordlens::loadForWordlens(log, nullptr, progress)) {
        std::fprintf(stderr, "vexilo-cli wordlens: %s\n",
                     store::openFailureText(rc, log.trouble).c_str());
        return kExitFailure;
    }
    wordlens::RuleSet rules = wordlens::RuleSet::load(platform::resFolder());
    wordlens::RefererList referers;
    referers.refresh(log, rules, args.all);
    std::string out;
    if (args.referer.empty()) {
        out += filters::csvText(referers, wordlens::kRefererOrder);
        for (const wordlens::RefererRow& row : referers.rows()) {
            wordlens::QueryList queries;
            queries.refresh(log, rules, row.referer);
            out += "# " + row.referer + "\r\n";
            out += filters::csvText(queries, wordlens::kQueryOrder);
        }
    } else {
        wordlens::QueryList queries;
        queries.refresh(log, rules, typedText(args.referer));
        out += filters::csvText(queries, wordlens::kQueryOrder);
    }
    for (const rules::RuleProblem& p : rules.problems)
        std::fprintf(stderr, "vexilo-cli wordlens: %s\n", rules::describe(p).c_str());
    standardOutput().write(out);
    return kExitSuccess;
}

} // namespace

void addWordlensCommand(CLI::App& app)
{
    auto args = std::make_shared<WordlensArgs>();
    CLI::App* command = addCommand(
        app, "wordlens",
        "print the query decoder's lists, as Wordlens exports them\n"
        "Loads the analysed log as Wordlens does (site and own-site referers only), reads\n"
        "referer2searchname.ini, referer2searchword.ini and referer2searchrank.ini anew (no\n"
        "caches) and prints the referer list's CSV export (Hits, Links, Name, Referer; CP932,\n"
        "CR LF), then for each listed referer a line \"# REFERER\" and its query list's export\n"
        "(Hits, Result, Rank, Query). Faults of the rule files go to standard error with\n"
        "file, section and line.",
        [args] { return wordlensLists(*args); });
    command->add_option("FILE", args->path, "the analysed log (.vxlog)")->required();
    args->folders.addTo(*command);
    command->add_flag("--all", args->all,
                      "every referer with a query (\"すべて\"); default: those whose\n"
                      "queries came in two distinct requests or more (\"Linkが2以上\")");
    command->add_option("--referer", args->referer,
                        "only the query list of this referer (CP932 bytes as in the list)");
    command->footer("Example: vexilo-cli wordlens site.vxlog --all");
}

} // namespace cli
