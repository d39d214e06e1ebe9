#include "dialogs/log_files.h"

#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace ui {
namespace {

char fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

int compareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(fold(a[i]));
        const auto cb = static_cast<unsigned char>(fold(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void searchFolder(const std::filesystem::path& folder, const std::string& pattern, bool subfolders,
                  std::int64_t newerThan, std::vector<LogFileItem>& out)
{
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::directory_entry& entry = *it;
        std::error_code kind;
        if (entry.is_directory(kind)) {
            if (subfolders && !entry.is_symlink(kind))
                folders.push_back(entry.path());
        } else if (entry.is_regular_file(kind) &&
                   wildcardMatch(pattern, entry.path().filename().string())) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (const auto& file : files) {
        const std::string path = file.string();
        if (newerThan == 0 || platform::lastWriteTime(path) > newerThan)
            out.push_back(makeLogFileItem(path));
    }
    for (const auto& sub : folders)
        searchFolder(sub, pattern, subfolders, newerThan, out);
}

} // namespace

LogFileItem makeLogFileItem(const std::string& path)
{
    LogFileItem item;
    item.path = path;
    const std::int64_t size = platform::fileSize(path);
    item.size = size < 0 ? 0 : static_cast<std::uint64_t>(size);
    const std::size_t slash = path.find_last_of('/');
    item.namePos = slash == std::string::npos ? 0 : slash + 1;
    return item;
}

bool wildcardMatch(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*" || pattern == "*")
        return true;
    // Iterative match with one backtracking point for the last "*".
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<LogFileItem> searchLogFiles(const std::string& folder, const std::string& pattern,
                                        bool subfolders, std::int64_t newerThan)
{
    std::vector<LogFileItem> items;
    if (!folder.empty() && !pattern.empty())
        searchFolder(folder, pattern, subfolders, newerThan, items);
    return items;
}

void removeDuplicatePaths(std::vector<LogFileItem>& items)
{
    std::set<std::string> seen;
    std::vector<LogFileItem> kept;
    kept.reserve(items.size());
    for (auto& item : items)
        if (seen.insert(item.path).second)
            kept.push_back(std::move(item));
    items = std::move(kept);
}

FileOrder nextFileOrder(FileOrder current, int column)
{
    if (current.column == column)
        return {column, !current.descending};
    return {column, false};
}

void sortLogFiles(std::vector<LogFileItem>& items, FileOrder order)
{
    if (order.column == FileOrder::kNone)
        return;
    const auto compare = [order](const LogFileItem& a, const LogFileItem& b) {
        int c = 0;
        switch (order.column) {
        case FileOrder::kSize:
            c = a.size == b.size ? 0 : (a.size < b.size ? -1 : 1);
            break;
        case FileOrder::kPath:
            c = compareNoCase(a.path, b.path);
            break;
        default:
            break;
        }
        if (c == 0)
            c = compareNoCase(a.name(), b.name());
        return order.descending ? c > 0 : c < 0;
    };
    std::stable_sort(items.begin(), items.end(), compare);
}

std::uint64_t totalSize(const std::vector<LogFileItem>& items)
{
    std::uint64_t total = 0;
    for (const auto& item : items)
        total += item.size;
    return total;
}

} // namespace ui
