#pragma once

// Sortwell's loading sequence: the store's base load and the first load steps (sorting,
// the site, the own-site referers, the visitors), then the counts of the text table and
// the site's group file. Shares the main program's loading code; runs on uiAsyncOpen's
// worker thread.

#include "sortwell/text_table.h"
#include "store/log_container.h"

#include <string>

namespace sortwell {

// The site's group file: the data folder's "<site host>.urlgrp".
std::string groupFileName(const store::LogContainer& log);

// Loads the analysed log at log.logPath and fills the table. 0, the store's codes (11 not
// an analysed log, 232 too little to find the site, 1223 cancelled), or the error of a
// group file that exists and cannot be read.
[[nodiscard]] int loadForSortwell(store::LogContainer& log, TextTable& table, store::StepText* text,
                                  store::Progress& progress, const std::string& dataFolder);

// Reads a group file into the table (Sortwell's way). 0 or the error of the read; a
// missing file is kErrFileNotFound.
[[nodiscard]] int importGroupFile(TextTable& table, const std::string& path);

// Writes the table's group file to path, whole or not at all. 0 or the error.
[[nodiscard]] int exportGroupFile(const TextTable& table, const std::string& path);
// The site's group file in the data folder, replaced in place (a link there is not
// followed).
[[nodiscard]] int saveGroupFile(const TextTable& table, const std::string& dataFolder,
                                const std::string& name);

} // namespace sortwell
