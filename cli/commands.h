#pragma once

// Sub-commands of vexilo-cli. Each takes the arguments after its name and returns the
// process exit status.

#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

// Makes sure the data folder (--home, else the registered one, else the default in the
// documents folder) exists, so that the load can keep its caches there.
void ensureDataFolder();

// Says on standard error which of the five rule files the rule folder (--res, else res/
// next to the program) lacks: one line naming the folder when it has none of them. The
// load still runs; what a missing file would classify stays unclassified.
void warnMissingRuleFiles(const char* command);

int importCommand(const Args& args);
int dumpCommand(const Args& args);
int regexpCommand(const Args& args);
int decodeCommand(const Args& args);
int rulesCommand(const Args& args);
int loadCommand(const Args& args);
int reportCommand(const Args& args);

} // namespace cli
