#pragma once

// Per-user settings and the two folders every path starts from:
//  - the data folder: the per-user value HomeDir of the key SOFTWARE\Orvane\Vexilo, kept
//    in $XDG_CONFIG_HOME/Orvane/registry.ini (default ~/.config/Orvane/registry.ini);
//  - the program folder: the folder of the running executable, where res/ and manual/
//    lie next to the programs.
// Both can be overridden (tests, the command-line tool's --home and --res).

#include <string>
#include <string_view>

namespace platform {

inline constexpr char kRegistryKey[] = "SOFTWARE\\Orvane\\Vexilo";

// The file that holds the per-user values.
std::string registryFile();

// Per-user string values under kRegistryKey; readUserValue gives "" when unset.
std::string readUserValue(std::string_view name);
[[nodiscard]] int writeUserValue(std::string_view name, const std::string& value);

// The data folder as registered (HomeDir), or the override; "" when none is set.
std::string homeDir();
[[nodiscard]] int setHomeDir(const std::string& folder);
// Non-empty: use this folder instead of the registered one (not stored anywhere).
void setHomeDirOverride(const std::string& folder);

// The user's documents folder (xdg-user-dir DOCUMENTS, else $HOME/Documents) and the
// data folder proposed to a new user inside it.
std::string documentsFolder();
std::string defaultHomeDir();

// folder + "/" + name, without doubling a separator the folder already ends with.
std::string joinPath(const std::string& folder, std::string_view name);
// A file in the data folder.
std::string dataFilePath(std::string_view name);

// The program folder, ending in "/". Defaults to the executable's folder.
std::string programFolder();
void setProgramFolder(const std::string& folder);
// The program folder followed directly by a relative name as written ("./res/x.ini"). Names
// under res/ and manual/ are taken from <prefix>/share/vexilo/ when the program folder has
// no such folder but that one has (the installed layout: programs in <prefix>/lib/vexilo/).
std::string programPath(std::string_view relative);

// The folder of the installed data (rule files, report templates): "./res/" in the
// program folder unless overridden (the command-line tool's --res).
std::string resFolder();
void setResFolder(const std::string& folder);

} // namespace platform
