#pragma once

// The report work folder: a private copy of the report templates in the temporary folder,
// where every load regenerates the report and the report view shows it. Each running
// program has its own ("report%04d%02d%02d-%02d%02d%02d" from the local time it was made)
// and removes it at exit. A marker file inside names the owning process, so that folders
// left by a program that crashed are removed at the next start.

#include <ctime>
#include <functional>
#include <string>

namespace mainwin {

struct WorkFolderSetup
{
    std::string templates;  // the template folder (program folder + res/report)
    std::string tempFolder; // where the work folder goes
    int attempts = 10;      // names tried, one a second, before giving up
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
    std::function<void()> waitASecond; // default: sleeps one second
};

// Makes the folder and copies the templates into it. The name is taken exclusively: a
// second program started in the same second waits a second and takes the next name.
// Returns the folder's path, or "" with *error set (a missing template folder fails at
// once: waiting would not bring it back).
std::string createReportWorkFolder(const WorkFolderSetup& setup, int* error);

// Removes a work folder made by createReportWorkFolder (nothing when path is empty).
void removeReportWorkFolder(const std::string& path);

// Removes the work folders in tempFolder whose owner has ended; returns how many.
int removeOrphanedWorkFolders(const std::string& tempFolder);

// The name of the marker file inside a work folder.
inline constexpr char kOwnerMarker[] = ".vexilo-owner";

} // namespace mainwin
