#pragma once

// The folder options of the commands that load an analysed log: --home (the data folder)
// and --res (the installed rule files and report templates).

#include <CLI/CLI.hpp>
#include <string>

namespace cli {

struct FolderOptions
{
    std::string home; // "" for the registered data folder
    std::string res;  // "" for res/ next to this program

    // Adds --home DIR and --res DIR to command.
    void addTo(CLI::App& command);
    // Points the settings at the folders given and makes sure the data folder (--home, else
    // the registered one, else the default in the documents folder) exists, so that the
    // load can keep its caches there.
    void apply() const;
};

} // namespace cli
