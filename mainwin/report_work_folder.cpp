#include "mainwin/report_work_folder.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/trace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace mainwin {
namespace {

// The start time of a process in clock ticks since boot ("" when it has ended): with the
// pid it names one process, even after the pid is used again.
std::string processStart(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name in parentheses may hold blanks; the fields count from its end.
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return {};
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            return field;
    return {};
}

std::string ownerText()
{
    const long pid = static_cast<long>(::getpid());
    return std::to_string(pid) + " " + processStart(pid) + "\n";
}

bool ownerAlive(const std::string& markerPath)
{
    std::ifstream in(markerPath);
    long pid = 0;
    std::string start;
    if (!(in >> pid >> start) || pid <= 0)
        return true; // not a marker we wrote: leave the folder alone
    return processStart(pid) == start;
}

std::string folderName(std::time_t t)
{
    std::tm local{};
    localtime_r(&t, &local);
    char name[40];
    std::snprintf(name, sizeof name, "report%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

bool looksLikeWorkFolder(const std::string& name)
{
    // "report" + 8 digits + "-" + 6 digits
    if (name.size() != 21 || name.compare(0, 6, "report") != 0 || name[14] != '-')
        return false;
    for (std::size_t i = 6; i < name.size(); ++i)
        if (i != 14 && (name[i] < '0' || name[i] > '9'))
            return false;
    return true;
}

} // namespace

std::string createReportWorkFolder(const WorkFolderSetup& setup, int* error)
{
    int rc = 0;
    if (!platform::isDirectory(setup.templates)) {
        if (error)
            *error = platform::kErrPathNotFound;
        return {};
    }
    for (int attempt = 0; attempt < setup.attempts; ++attempt) {
        if (attempt > 0) {
            if (setup.waitASecond)
                setup.waitASecond();
            else
                std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        const std::string to = setup.tempFolder + "/" + folderName(setup.now());
        platform::trace("pFrom=%s pTo=%s", setup.templates.c_str(), to.c_str());
        // mkdir fails on an existing name: two programs never share a folder.
        if (::mkdir(to.c_str(), 0700) != 0) {
            rc = platform::lastError();
            continue;
        }
        {
            std::ofstream marker(to + "/" + kOwnerMarker);
            marker << ownerText();
        }
        rc = platform::copyFolder(setup.templates, to);
        if (rc == 0) {
            if (error)
                *error = 0;
            return to;
        }
        removeReportWorkFolder(to);
    }
    if (error)
        *error = rc ? rc : platform::kErrGenFailure;
    return {};
}

void removeReportWorkFolder(const std::string& path)
{
    if (path.empty() || !platform::isDirectory(path))
        return;
    if (const int rc = platform::deleteFolder(path))
        platform::trace("remove %s failed err=%d", path.c_str(), rc);
}

int removeOrphanedWorkFolders(const std::string& tempFolder)
{
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(tempFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!looksLikeWorkFolder(name) || !entry.is_directory(ec))
            continue;
        const std::string marker = entry.path().string() + "/" + kOwnerMarker;
        if (!platform::fileExists(marker) || ownerAlive(marker))
            continue;
        removeReportWorkFolder(entry.path().string());
        ++removed;
    }
    return removed;
}

} // namespace mainwin
