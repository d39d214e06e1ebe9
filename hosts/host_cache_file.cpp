#include "hosts/host_cache_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/settings.h"

namespace hosts {
namespace {

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Every "dns*.dat" of the folder, ordered by path (oldest date first).
std::vector<std::string> cacheFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= 7 && name.compare(0, 3, "dns") == 0 &&
            name.compare(name.size() - 4, 4, ".dat") == 0 && entry.is_regular_file(ec))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void readFile(const std::string& path, NameSink& sink, std::unordered_set<std::uint32_t>& seen)
{
    platform::File file;
    platform::MappedView view;
    if (file.open(path, platform::File::Mode::ReadWrite) || view.map(file, 0, 0, true) ||
        view.size() < 7 || std::memcmp(view.data(), "[DNS]\r\n", 7) != 0)
        return;
    char* p = view.data() + 7;
    char* const end = view.data() + view.size();
    auto skipLine = [&] {
        char* lf = static_cast<char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        p = lf ? lf + 1 : end;
    };
    while (end - p >= 10 && !sink.cancelled()) {
        if (!isUpperHex(*p)) {
            skipLine();
            continue;
        }
        std::uint32_t address = 0;
        for (int i = 0; i < 8; ++i) {
            const char c = p[i];
            address = address * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 55);
        }
        if (!seen.insert(address).second) {
            *p = ';'; // a later duplicate is disabled for good
            skipLine();
            continue;
        }
        char* value = p + 8;
        if (*value == '=')
            ++value;
        char* cr = static_cast<char*>(std::memchr(value, '\r', static_cast<std::size_t>(end - value)));
        char* valueEnd = cr ? cr : end;
        const std::size_t length = static_cast<std::size_t>(valueEnd - value);
        sink.found(address, *value == '"' ? std::string_view() : std::string_view(value, length));
        if (!cr)
            break;
        p = cr + 2 <= end ? cr + 2 : end;
    }
}

} // namespace

std::string cacheFileName(int year, int month, int day)
{
    char name[32];
    std::snprintf(name, sizeof name, "dns%04d%02d%02d.dat", year, month, day);
    return name;
}

std::size_t readHostNameCache(const std::string& folder, NameSink& sink)
{
    const auto files = cacheFiles(folder);
    std::unordered_set<std::uint32_t> seen;
    for (const std::string& path : files) {
        if (sink.cancelled())
            break;
        readFile(path, sink, seen);
        sink.fileDone(files.size());
    }
    return files.size();
}

int appendHostName(const std::string& dataFolder, std::uint32_t address, const char* name)
{
    const auto today = platform::todayLocal();
    const std::string path =
        platform::joinPath(dataFolder, cacheFileName(today.year, today.month, today.day));
    // Opened for appending, so that every write lands at the end even when another
    // program appends to the same file: lines are only ever added, never written over.
    // Header and line go out in one write.
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::Append))
        return rc;
    std::string line;
    if (file.size() == 0)
        line = "[DNS]\r\n";
    char head[16];
    std::snprintf(head, sizeof head, "%08X=", address);
    line += head;
    line += (!name || !*name || *name == '"') ? "\"\"" : name;
    line += "\r\n";
    return file.append(line.data(), line.size());
}

} // namespace hosts
