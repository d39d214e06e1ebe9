#include "import/import_paths.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <filesystem>
#include <sys/stat.h>

namespace sievra {
namespace {

using platform::sameFile;

bool endsWithExtension(std::string_view path, std::string_view extension)
{
    const auto dot = path.rfind('.');
    return dot != std::string_view::npos && path.substr(dot) == extension;
}

PathProblem problem(const std::string& file, std::string message)
{
    return {platform::kErrInvalidParameter, file, std::move(message)};
}

} // namespace

bool isAnalysedLogName(std::string_view path)
{
    return endsWithExtension(path, ".vxlog");
}

bool isGzipName(std::string_view path)
{
    return endsWithExtension(path, ".gz");
}

PathProblem checkImportPaths(const std::string& output, const std::vector<std::string>& inputs,
                             const std::string& truncatedFile, const std::string& excludedFile)
{
    if (!output.empty()) {
        struct stat st
        {
        };
        if (::stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return problem(output, output + " exists and is not a regular file");
    }
    const struct
    {
        const std::string& path;
        const char* what;
    } sides[] = {{truncatedFile, "the file of truncated lines"},
                 {excludedFile, "the file of excluded lines"}};
    for (const auto& side : sides) {
        if (sameFile(side.path, output))
            return problem(side.path, side.path + " is both the output and " + side.what);
        struct stat st
        {
        };
        if (!side.path.empty() && ::stat(side.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return problem(side.path, side.path + " is a folder, not a file for " + side.what);
    }
    if (sameFile(truncatedFile, excludedFile))
        return problem(excludedFile, excludedFile +
                                         " is both the file of truncated lines and the file "
                                         "of excluded lines");
    const std::string* analysedLog = nullptr;
    for (const std::string& input : inputs) {
        for (const auto& side : sides)
            if (sameFile(input, side.path))
                return problem(input, input + " is both an input and " + side.what +
                                          (input == side.path ? "" : " (" + side.path + ")"));
        if (isAnalysedLogName(input)) {
            if (analysedLog && !sameFile(*analysedLog, input))
                return problem(input, "more than one analysed log among the inputs (" +
                                          *analysedLog + ", " + input +
                                          "); an import extends at most one");
            analysedLog = &input;
        } else if (sameFile(input, output)) {
            return problem(input, input + " is both an input and the output" +
                                      (input == output ? "" : " (" + output + ")"));
        }
    }
    return {};
}

} // namespace sievra
