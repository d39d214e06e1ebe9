#pragma once

// The filter chain on the command line, for every command that shows a stage of it
// (filter; graph, log and flow with --source N):
//
//   [--period FIRST:LAST] (--pane KIND[,FLAG...] [--select TEXT]...)...
//   [--period FIRST:LAST] --link "javascript:openView(...);"
//
// KIND is a filter class name without "WC_FILTER_" in any case (req, ref, searchword, ...);
// FLAG one of bypass, pct, group, path, split, caps; at most six panes. --period takes two
// days "YYYY/MM/DD", both days included; without it the period is the one a newly opened
// log shows (its last 31 days). --select TEXT selects the row whose first-column text is
// TEXT (the null label included) in the pane it follows; without it a pane selects its top
// row. --link takes a link of the report (its href) instead of the panes: the chain is built
// as the report view builds it when the link is clicked (key references hold for the same
// log with the same rules). Commands that show one stage add --source N (SourceOption).

#include "cli/folder_options.h"
#include "filters/chain_runner.h"
#include "store/log_container.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Loads an analysed log as the main program does (host names from the cache files only,
// which it leaves as they are: these commands only look). On failure says why on standard
// error, naming the file or folder that failed, prefixed by `command`, and returns false.
// steps (optional) is told each step of the load.
bool loadLog(const char* command, const std::string& path, store::LogContainer& log,
             store::StepText* steps = nullptr);

// Says on standard error why the load of log.logPath failed with rc.
void reportLoadFailure(const char* command, const store::LogContainer& log, int rc);

// A text typed on the command line as the program's texts hold it: UTF-8 becomes CP932;
// anything that is not UTF-8 is taken as the bytes given.
std::string typedText(const std::string& typed);

// --source N: the stage a view shows, 0 for the period, k for the k-th filter pane.
class SourceOption
{
  public:
    void addTo(CLI::App& command);
    int source() const { return m_source; }
    // Whether the chain of spec has that stage; otherwise says so on standard error,
    // prefixed by `command`.
    bool check(const char* command, const filters::ChainSpec& spec) const;

  private:
    int m_source = 0;
};

class ChainOptions
{
  public:
    // Adds --period, --pane and --select to command.
    void addTo(CLI::App& command);

    // The chain the options describe, or false with a message in error (an unknown kind or
    // flag, too many panes, --select before any --pane, a period that is no pair of days).
    bool spec(filters::ChainSpec& out, std::string& error) const;

    // Opens the chain on a loaded log and computes it. Reports on standard error, prefixed
    // by `command`, the --select texts that matched no row, and fails with a message when
    // the period lies outside the log. Returns kExitSuccess or kExitFailure.
    int run(const char* command, filters::Chain& chain, const filters::ChainSpec& spec) const;

    // The graph state text of --link ("V2", "%2"), empty without one.
    const std::string& linkGraphState() const { return m_linkGraph; }

  private:
    bool linkSpec(filters::ChainSpec& out, std::string& error) const;

    struct Pane
    {
        std::string text; // KIND[,FLAG...] as given
        std::vector<std::string> select;
    };

    std::string m_period;
    std::string m_link;
    mutable std::string m_linkGraph;
    std::vector<Pane> m_panes;
    std::string m_error; // --select before any --pane
};

// What the commands that show a stage of the chain share (filter, graph, log, flow): the
// chain of the command line read and checked (with the stage of --source, when given), the
// data folder set up, the log loaded and the chain computed.
class ChainSession
{
  public:
    // Adds what every such command takes: FILE, --home and --res, --period, --pane and
    // --select, and --source when source is given.
    static void addOptions(CLI::App& command, std::string& path, FolderOptions& folders,
                           ChainOptions& options, SourceOption* source = nullptr);

    // kExitSuccess, or the status to end with after a message on standard error.
    int open(const char* command, const std::string& path, const FolderOptions& folders,
             const ChainOptions& options, const SourceOption* source = nullptr);

    store::LogContainer& log() { return m_log; }
    filters::Chain& chain() { return *m_chain; }

  private:
    store::LogContainer m_log;
    std::optional<filters::Chain> m_chain;
};

} // namespace cli
