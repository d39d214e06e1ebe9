#pragma once

// Loads libsievra.so from the program folder at run time. The library announces itself on
// standard output when it is loaded; loading it only for the commands that import keeps
// the output of every other command clean.

#include "import/sievra.h"

#include <string>

namespace cli {

struct SievraApi
{
    decltype(&laCreate) create = nullptr;
    decltype(&laImport) import = nullptr;
    decltype(&laImportAsync) importAsync = nullptr;
    decltype(&laImportRecord) importRecord = nullptr;
    decltype(&laGetProgress) getProgress = nullptr;
    decltype(&laFinish) finish = nullptr;
    decltype(&laRelease) release = nullptr;
    decltype(&laGetErrorFile) errorFile = nullptr;
};

// Fills api; on failure returns false and a message in error.
bool loadSievra(SievraApi& api, std::string& error);

} // namespace cli
