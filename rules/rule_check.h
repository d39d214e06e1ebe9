#pragma once

// What is wrong with a rule file, and where: lines that are no section, key or comment,
// sections that cannot be rules (no Pattern, an unknown Operator) and patterns the regular
// expression engine refuses. The loader leaves such sections out silently; the programs that
// show rule outcomes say where the fault is instead.

#include <string>
#include <vector>

namespace rules {

struct RuleProblem
{
    std::string file;    // the file's name (not its folder)
    std::string section; // CP932, "" before the first section
    int line = 0;        // 1-based
    std::string what;    // UTF-8
};

// The problems of one file, in file order; none for a missing file.
std::vector<RuleProblem> CheckRules(const std::string& path);

// "referer2searchword.ini [Google] 12行目: Pattern がありません" (UTF-8).
std::string describe(const RuleProblem& problem);

} // namespace rules
