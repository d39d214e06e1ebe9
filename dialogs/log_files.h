#pragma once

// The wizard's list of log files: items with their sizes, the wildcard search over a
// folder (and its subfolders) and the sort orders of the list's columns. Paths are native.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct LogFileItem
{
    std::string path;
    std::uint64_t size = 0;  // measured when the item was made; 0 if it could not be
    std::size_t namePos = 0; // where the file-name part starts
    std::string_view name() const { return std::string_view(path).substr(namePos); }
};

LogFileItem makeLogFileItem(const std::string& path);

// Matches a file name against a pattern with "*" and "?", letters compared without
// regard to case; "*.*" matches every name, as it always has.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// The regular files of `folder` (and, with subfolders, of every folder below it) whose
// names match `pattern` and, when newerThan is not 0, whose last-write time (ns since
// 1970) is strictly later. Each folder's files in name order, before its subfolders.
std::vector<LogFileItem> searchLogFiles(const std::string& folder, const std::string& pattern,
                                        bool subfolders, std::int64_t newerThan);

// Removes the items whose path occurs earlier in the list.
void removeDuplicatePaths(std::vector<LogFileItem>& items);

// A column of the list and its direction; column -1 keeps the order items came in.
struct FileOrder
{
    enum Column { kNone = -1, kFileName = 0, kSize = 1, kPath = 2 };
    int column = kNone;
    bool descending = false;
};

// A click on a column: ascending first, descending on a second click.
FileOrder nextFileOrder(FileOrder current, int column);

// FileName: by file name; Size: by size, then file name; Path: by path, then file name;
// texts compared without regard to case.
void sortLogFiles(std::vector<LogFileItem>& items, FileOrder order);

std::uint64_t totalSize(const std::vector<LogFileItem>& items);

} // namespace ui
