#include "platform/settings.h"

#include "platform/errors.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {

std::mutex g_lock;
std::string g_homeOverride;
std::string g_programFolder;
std::string g_resFolder;

std::string homeEnv()
{
    const char* home = std::getenv("HOME");
    return (home && *home) ? home : "/root";
}

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string registryFile()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = (config && *config) ? config : homeEnv() + "/.config";
    return base + "/Orvane/registry.ini";
}

std::string readUserValue(std::string_view name)
{
    return getProfileString(registryFile(), kRegistryKey, name, "");
}

int writeUserValue(std::string_view name, const std::string& value)
{
    const std::string file = registryFile();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    if (ec)
        return errorFromErrno(ec.value());
    const std::string key(name);
    return writeProfileString(file, kRegistryKey, key.c_str(), value.c_str());
}

std::string homeDir()
{
    {
        std::lock_guard guard(g_lock);
        if (!g_homeOverride.empty())
            return g_homeOverride;
    }
    return readUserValue("HomeDir");
}

int setHomeDir(const std::string& folder)
{
    return writeUserValue("HomeDir", folder);
}

void setHomeDirOverride(const std::string& folder)
{
    std::lock_guard guard(g_lock);
    g_homeOverride = folder;
}

std::string documentsFolder()
{
    std::string folder;
    if (FILE* pipe = ::popen("xdg-user-dir DOCUMENTS 2>/dev/null", "r")) {
        char line[4096];
        if (std::fgets(line, sizeof line, pipe))
            folder = line;
        ::pclose(pipe);
    }
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r'))
        folder.pop_back();
    // xdg-user-dir answers $HOME itself when no documents folder is configured.
    if (folder.empty() || folder == homeEnv())
        folder = homeEnv() + "/Documents";
    return folder;
}

std::string defaultHomeDir()
{
    return joinPath(documentsFolder(), "My Vexilo");
}

std::string joinPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += '/';
    path += name;
    return path;
}

std::string dataFilePath(std::string_view name)
{
    return joinPath(homeDir(), name);
}

std::string programFolder()
{
    std::lock_guard guard(g_lock);
    if (g_programFolder.empty()) {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        g_programFolder = ec ? std::string("./") : withSlash(exe.parent_path().string());
    }
    return g_programFolder;
}

void setProgramFolder(const std::string& folder)
{
    std::lock_guard guard(g_lock);
    g_programFolder = folder.empty() ? std::string() : withSlash(folder);
}

namespace {

// Installed, the programs live in <prefix>/lib/vexilo/ and their data (res/, manual/) in
// <prefix>/share/vexilo/; in the build folder everything sits side by side.
std::string dataFolderFor(const std::string& programs, std::string_view relative)
{
    while (relative.substr(0, 2) == "./")
        relative.remove_prefix(2);
    const std::size_t slash = relative.find('/');
    const std::string first(relative.substr(0, slash));
    if (first != "res" && first != "manual")
        return programs;
    std::error_code ec;
    if (std::filesystem::exists(programs + first, ec))
        return programs;
    const std::string shared = programs + "../../share/vexilo/";
    return std::filesystem::exists(shared + first, ec) ? shared : programs;
}

} // namespace

std::string programPath(std::string_view relative)
{
    return dataFolderFor(programFolder(), relative) + std::string(relative);
}

std::string resFolder()
{
    {
        std::lock_guard guard(g_lock);
        if (!g_resFolder.empty())
            return g_resFolder;
    }
    return programPath("./res/");
}

void setResFolder(const std::string& folder)
{
    std::lock_guard guard(g_lock);
    g_resFolder = folder.empty() ? std::string() : withSlash(folder);
}

} // namespace platform
