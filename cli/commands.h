#pragma once

// The commands of vexilo-cli. Each file adds one command (its options, its help and its
// work) to the program's command line; main() calls every function listed here.

namespace CLI {
class App;
}

namespace cli {

void addImportCommand(CLI::App& app);
void addDumpCommand(CLI::App& app);
void addLoadCommand(CLI::App& app);
void addReportCommand(CLI::App& app);
void addRegexpCommand(CLI::App& app);
void addDecodeCommand(CLI::App& app);
void addRulesCommand(CLI::App& app);
void addResolveCommand(CLI::App& app);
void addFilterCommand(CLI::App& app);
void addGraphCommand(CLI::App& app);
void addLogCommand(CLI::App& app);
void addFlowCommand(CLI::App& app);
void addOverlayCommand(CLI::App& app);
void addWordlensCommand(CLI::App& app);

// Says on standard error which of the five rule files the rule folder (--res, else res/
// next to the program) lacks: one line naming the folder when it has none of them. The
// load still runs; what a missing file would classify stays unclassified.
void warnMissingRuleFiles(const char* command);

} // namespace cli
