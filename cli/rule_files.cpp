// The rule files a command's load will miss, said before it runs.

#include "cli/commands.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "rules/rule_file.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace cli {

void warnMissingRuleFiles(const char* command)
{
    const std::string folder = platform::resFolder();
    std::vector<std::string> missing;
    for (const char* name : rules::kRuleFileNames)
        if (!platform::fileExists(folder + name))
            missing.push_back(folder + name);
    if (missing.size() == std::size(rules::kRuleFileNames)) {
        std::fprintf(stderr,
                     "vexilo-cli %s: no rule files in %s: referers and user agents stay "
                     "unclassified\n",
                     command, folder.c_str());
        return;
    }
    for (const std::string& path : missing)
        std::fprintf(stderr, "vexilo-cli %s: no rule file %s\n", command, path.c_str());
}

} // namespace cli
