#pragma once

// Checks on the files of one import before anything is opened for writing: no input may
// also be an output (the output, the truncated-lines or the excluded-lines file), however
// its name is spelt; the outputs are distinct; the output, when it exists, is a regular
// file; at most one analysed log is extended. Extending an analysed log in place (the
// same .vxlog as input and output) is allowed: it is read whole before the new file
// replaces it.

#include <string>
#include <string_view>
#include <vector>

namespace sievra {

struct PathProblem
{
    int code = 0;        // 0, or the error laCreate returns (87)
    std::string file;    // the file concerned
    std::string message; // English, for the command line
};

PathProblem checkImportPaths(const std::string& output, const std::vector<std::string>& inputs,
                             const std::string& truncatedFile, const std::string& excludedFile);

// Input kinds by name, case-sensitive as the import tells them apart.
bool isAnalysedLogName(std::string_view path);
bool isGzipName(std::string_view path);

} // namespace sievra
