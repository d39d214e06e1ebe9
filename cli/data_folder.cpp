#include <filesystem>

#include "cli/commands.h"
#include "platform/settings.h"

namespace cli {

void ensureDataFolder()
{
    std::string folder = platform::homeDir();
    if (folder.empty()) {
        folder = platform::defaultHomeDir();
        platform::setHomeDirOverride(folder);
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

} // namespace cli
