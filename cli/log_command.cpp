// vexilo-cli log: the log view without its window. Runs the filter chain as `filter` does
// and prints the log view's rows for one stage (and page chooser entry), as the list shows
// them in its initial sort.

#include "cli/chain_options.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/folder_options.h"
#include "cli/output.h"
#include "filters/csv.h"
#include "platform/codepage.h"
#include "platform/tab_fields.h"
#include "views/log_rows.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

constexpr std::size_t kChunk = 1 << 20; // bytes handed to standard output at a time

struct LogArgs
{
    std::string path;
    FolderOptions folders;
    ChainOptions chain;
    SourceOption source;
    std::string page; // the chooser entry; empty: everything
    bool pageGiven = false;
    bool csv = false; // the log view's export instead of TAB-separated lines
};

int logRows(const LogArgs& args)
{
    ChainSession session;
    if (const int status = session.open("log", args.path, args.folders, args.chain, &args.source))
        return status;
    store::LogContainer& log = session.log();

    const std::uint32_t stage = filters::stageBit(args.source.source());
    views::LogRows rows;
    rows.refresh(log, stage);
    if (args.pageGiven && args.page != views::kAllEntryText) {
        const int entry = rows.chooser().findText(typedText(args.page));
        if (entry < 0) {
            std::fprintf(stderr,
                         "vexilo-cli log: --page \"%s\" is not among the %zu pages and referers "
                         "of stage %d\n",
                         args.page.c_str(), rows.chooser().size() - 1, args.source.source());
            return kExitFailure;
        }
        rows.chooser().choose(static_cast<std::size_t>(entry));
        rows.refresh(log, stage);
    }

    Output& output = standardOutput();
    if (args.csv) {
        output.write(filters::csvText(rows, views::kLogDisplayOrder));
        return kExitSuccess;
    }
    std::string out;
    std::string cell;
    for (std::size_t r = 0; r < rows.rowCount(); ++r) {
        for (const int column : views::kLogDisplayOrder) {
            if (column != views::kLogDisplayOrder[0])
                out += '\t';
            cell.clear();
            rows.appendCellText(cell, r, column);
            platform::appendTabField(out, cell);
        }
        out += '\n';
        if (out.size() > kChunk) {
            if (!output.write(out))
                return kExitSuccess; // main() reports the lost output
            out.clear();
        }
    }
    output.write(out);
    return kExitSuccess;
}

} // namespace

void addLogCommand(CLI::App& app)
{
    auto args = std::make_shared<LogArgs>();
    CLI::App* command = addCommand(
        app, "log",
        "run the filter chain and print the log view's rows for one stage\n"
        "Loads the analysed log and runs the chain as \"filter\" does, then prints one line\n"
        "per record of the visitors of the --source stage, oldest first, with the cells the\n"
        "log view shows, TAB-separated in its column order: IP, Time, Request, Referer,\n"
        "UserAgent (CP932; a TAB or line break inside a cell becomes a blank).",
        [args] { return logRows(*args); });
    ChainSession::addOptions(*command, args->path, args->folders, args->chain, &args->source);
    command
        ->add_option_function<std::string>(
            "--page",
            [args](const std::string& text) {
                args->page = text;
                args->pageGiven = true;
            },
            "the page chooser's entry: a page or URL group beginning with \"/\" (its\n"
            "requests) or a referer or URL group beginning with \"h\" (the requests it\n"
            "referred); \"すべて\" or none: every record")
        ->type_name("TEXT");
    command->add_flag("--csv", args->csv,
                      "print the CSV the log view's export button writes (a header line, every\n"
                      "field quoted, CR LF) instead of TAB-separated lines");
    command->footer("Example: vexilo-cli log site.vxlog --pane searchword --source 1 "
                    "--page /index.html\n"
                    "Exit status 1 for a bad chain (as \"filter\"), a --source beyond the panes,\n"
                    "a --page the stage does not offer or a log that cannot be loaded.");
}

} // namespace cli
