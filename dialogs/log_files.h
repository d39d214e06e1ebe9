#pragma once

// The wizard's list of log files: items with their sizes, the wildcard search over a
// folder (and its subfolders) and the sort orders of the list's columns. Paths are native.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct LogFileItem
{
    std::string path;        // absolute
    std::uint64_t size = 0;  // measured when the item was made; 0 if it could not be
    std::size_t namePos = 0; // where the file-name part starts
    // The file itself (device and inode), whatever path reached it; 0 and 0 when the
    // file could not be looked at.
    std::uint64_t device = 0, inode = 0;
    std::string_view name() const { return std::string_view(path).substr(namePos); }
};

// An item for the file at path; a relative path is taken from the current folder.
LogFileItem makeLogFileItem(const std::string& path);

// Matches a file name against a pattern with "*" and "?", letters compared without
// regard to case; "*.*" matches every name, as it always has.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// How a search ended, so that the page can say why nothing was found.
enum class SearchOutcome {
    kFound,      // items holds the files
    kNoMatch,    // no name matched the pattern
    kNoneNewer,  // names matched, but none is newer than the analysed log
    kNoFolder,   // the folder does not exist
    kNotAFolder, // the name is a file or something else
    kUnreadable, // the folder cannot be listed; error holds the errno
    kCancelled,
};

struct SearchResult
{
    SearchOutcome outcome = SearchOutcome::kNoMatch;
    int error = 0;
    std::vector<LogFileItem> items;
};

// The regular files of `folder` (and, with subfolders, of every folder below it) whose
// names match `pattern` and, when newerThan is not 0, whose last-write time (ns since
// 1970) is strictly later. Each folder's files in name order, before its subfolders.
// Symbolic links to folders are not followed. A relative folder is taken from the current
// folder. Runs on any thread; stops soon once *cancel (optional) is set.
SearchResult searchLogFiles(const std::string& folder, const std::string& pattern, bool subfolders,
                            std::int64_t newerThan, const std::atomic<bool>* cancel = nullptr);

// Removes the items whose file occurs earlier in the list, by any path: the same path,
// another spelling of it, a symbolic link or a hard link. Importing a file twice would
// count its visitors twice.
void removeDuplicateFiles(std::vector<LogFileItem>& items);

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
