#include "cli/folder_options.h"

#include "platform/settings.h"

#include <filesystem>

namespace cli {

void FolderOptions::addTo(CLI::App& command)
{
    command
        .add_option("--home", home,
                    "data folder (caches, host names, URL groups); default: the\n"
                    "registered one")
        ->type_name("DIR");
    command
        .add_option("--res", res,
                    "folder of the rule files and of report/ with the report\n"
                    "templates; default: res/ next to this program")
        ->type_name("DIR");
}

void FolderOptions::apply() const
{
    if (!home.empty())
        platform::setHomeDirOverride(home);
    if (!res.empty())
        platform::setResFolder(res);
    std::string folder = platform::homeDir();
    if (folder.empty()) {
        folder = platform::defaultHomeDir();
        platform::setHomeDirOverride(folder);
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

} // namespace cli
