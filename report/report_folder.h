#pragma once

// The HTML report of a loaded log in a folder of the user's choice (vexilo-cli report).

#include "store/log_container.h"

#include <string>

namespace report {

// Generates the report of a finished load from the templates folder and puts it into
// folder (created when missing). The pages are made in a private temporary folder first;
// only then is each file of the report copied into folder, replacing the entry of the same
// name whole (platform::replaceFileInFolder: a symbolic link there is replaced, never
// written through; a link where a subfolder belongs is refused). Other files of folder are
// left alone, and nothing is
// written there when the templates cannot be copied or generated. Returns 0 or the error
// of the failing copy or write (a failure while the files go in can leave some of them new
// and the others as they were, but never half a file).
[[nodiscard]] int publishReport(const std::string& templates, const std::string& folder,
                                const store::LogContainer& log);

} // namespace report
