#include "dialogs/log_files.h"

#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>

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

struct SearchState
{
    const std::string& pattern;
    bool subfolders;
    std::int64_t newerThan;
    const std::atomic<bool>* cancel;
    std::size_t matched = 0;
    std::vector<LogFileItem> items;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

// Lists one folder into the state; the error of listing it (0 when it could be listed).
std::error_code searchFolder(const std::filesystem::path& folder, SearchState& state)
{
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (state.cancelled())
            return {};
        const std::filesystem::directory_entry& entry = *it;
        std::error_code kind;
        if (entry.is_directory(kind)) {
            if (state.subfolders && !entry.is_symlink(kind))
                folders.push_back(entry.path());
        } else if (entry.is_regular_file(kind) &&
                   wildcardMatch(state.pattern, entry.path().filename().string())) {
            files.push_back(entry.path());
        }
    }
    if (ec)
        return ec;
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    state.matched += files.size();
    for (const auto& file : files) {
        const std::string path = file.string();
        if (state.newerThan == 0 || platform::lastWriteTime(path) > state.newerThan)
            state.items.push_back(makeLogFileItem(path));
    }
    // A subfolder that cannot be listed is passed over: the others still count.
    for (const auto& sub : folders)
        if (!state.cancelled())
            searchFolder(sub, state);
    return {};
}

} // namespace

LogFileItem makeLogFileItem(const std::string& path)
{
    LogFileItem item;
    if (path.empty())
        return item;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    item.path = ec ? path : full.string();
    struct stat st
    {
    };
    if (::stat(item.path.c_str(), &st) == 0) {
        item.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        item.device = static_cast<std::uint64_t>(st.st_dev);
        item.inode = static_cast<std::uint64_t>(st.st_ino);
    }
    const std::size_t slash = item.path.find_last_of('/');
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

SearchResult searchLogFiles(const std::string& folder, const std::string& pattern, bool subfolders,
                            std::int64_t newerThan, const std::atomic<bool>* cancel)
{
    SearchResult result;
    std::error_code ec;
    const std::filesystem::path root = std::filesystem::absolute(folder, ec).lexically_normal();
    const std::filesystem::file_status status = std::filesystem::status(root, ec);
    if (folder.empty() || status.type() == std::filesystem::file_type::not_found) {
        result.outcome = SearchOutcome::kNoFolder;
        return result;
    }
    if (ec) {
        result.outcome = SearchOutcome::kUnreadable;
        result.error = ec.value();
        return result;
    }
    if (status.type() != std::filesystem::file_type::directory) {
        result.outcome = SearchOutcome::kNotAFolder;
        return result;
    }
    SearchState state{pattern, subfolders, newerThan, cancel, 0, {}};
    if (!pattern.empty()) {
        if (const std::error_code listed = searchFolder(root, state)) {
            result.outcome = SearchOutcome::kUnreadable;
            result.error = listed.value();
            return result;
        }
    }
    if (state.cancelled())
        result.outcome = SearchOutcome::kCancelled;
    else if (!state.items.empty())
        result.outcome = SearchOutcome::kFound;
    else
        result.outcome = state.matched ? SearchOutcome::kNoneNewer : SearchOutcome::kNoMatch;
    if (result.outcome == SearchOutcome::kFound)
        result.items = std::move(state.items);
    return result;
}

void removeDuplicateFiles(std::vector<LogFileItem>& items)
{
    std::set<std::pair<std::uint64_t, std::uint64_t>> files;
    std::set<std::string> paths;
    std::vector<LogFileItem> kept;
    kept.reserve(items.size());
    for (auto& item : items) {
        const bool known = item.device != 0 || item.inode != 0;
        const bool newFile = !known || files.insert({item.device, item.inode}).second;
        const bool newPath = paths.insert(item.path).second;
        if (newFile && newPath)
            kept.push_back(std::move(item));
    }
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
