#pragma once

// Sub-commands of vexilo-cli. Each takes the arguments after its name and returns the
// process exit status.

#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

int importCommand(const Args& args);
int dumpCommand(const Args& args);

} // namespace cli
