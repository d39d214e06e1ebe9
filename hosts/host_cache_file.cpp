#include "hosts/host_cache_file.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace hosts {
namespace {

constexpr char kHeader[] = "[DNS]\r\n";
constexpr std::size_t kHeaderSize = 7;

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The address of a line's eight leading digits, as the loader reads them (a digit counts
// its value, any other character its code minus 55).
std::uint32_t lineAddress(const char* line)
{
    std::uint32_t address = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = line[i];
        address = address * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 55);
    }
    return address;
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

// A cache file read whole: plain reads, never a mapping, so that another program
// shortening or replacing the file meanwhile cannot bring the reader down.
bool readCacheFile(const std::string& path, platform::File& file, std::string& bytes)
{
    return file.open(path, platform::File::Mode::ReadFile) == 0 && file.readAll(bytes) == 0 &&
           bytes.compare(0, kHeaderSize, kHeader) == 0;
}

// The start of a line read, and its first byte as read.
struct LineStart
{
    std::uint64_t at;
    char first;
};

// Disables the lines (their first byte becomes ";") in the file that was read. The bytes are
// written in place, one at a time, so the file never gets shorter under a reader; a file
// replaced since it was read is left alone, and a line only changes while it still starts as
// it did. 0, or the error that kept the file unchanged.
int disableLines(const platform::File& read, const std::string& path,
                 const std::vector<LineStart>& lines)
{
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadWrite))
        return rc;
    if (!file.sameFileAs(read))
        return platform::kErrFileNotFound;
    for (const auto& [at, first] : lines) {
        char now = 0;
        if (file.readAt(at, &now, 1) != 0 || now != first)
            continue;
        if (const int rc = file.writeAt(at, ";", 1))
            return rc;
    }
    return 0;
}

void readFile(const std::string& path, NameSink& sink, std::unordered_set<std::uint32_t>& seen,
              CacheUpkeep upkeep)
{
    platform::File file;
    std::string bytes;
    if (!readCacheFile(path, file, bytes))
        return;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* p = begin + kHeaderSize;
    std::vector<LineStart> duplicates;
    auto skipLine = [&] {
        const char* lf =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        p = lf ? lf + 1 : end;
    };
    while (end - p >= 10 && !sink.cancelled()) {
        if (!isUpperHex(*p)) {
            skipLine();
            continue;
        }
        const std::uint32_t address = lineAddress(p);
        if (!seen.insert(address).second) {
            duplicates.push_back({static_cast<std::uint64_t>(p - begin), *p}); // for good
            skipLine();
            continue;
        }
        const char* value = p + 8;
        if (*value == '=')
            ++value;
        const char* cr = static_cast<const char*>(
            std::memchr(value, '\r', static_cast<std::size_t>(end - value)));
        const char* valueEnd = cr ? cr : end;
        const std::size_t length = static_cast<std::size_t>(valueEnd - value);
        sink.found(address, *value == '"' ? std::string_view() : std::string_view(value, length));
        if (!cr)
            break;
        p = cr + 2 <= end ? cr + 2 : end;
    }
    // A file the user cannot write keeps its duplicates; the first line read wins all the same.
    if (!duplicates.empty() && upkeep == CacheUpkeep::DisableDuplicates)
        (void)disableLines(file, path, duplicates);
}

} // namespace

std::string cacheFileName(int year, int month, int day)
{
    char name[32];
    std::snprintf(name, sizeof name, "dns%04d%02d%02d.dat", year, month, day);
    return name;
}

std::size_t readHostNameCache(const std::string& folder, NameSink& sink, CacheUpkeep upkeep)
{
    const auto files = cacheFiles(folder);
    std::unordered_set<std::uint32_t> seen;
    for (const std::string& path : files) {
        if (sink.cancelled())
            break;
        readFile(path, sink, seen, upkeep);
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
    // Header and line go out in one write. A link planted at today's name is not followed.
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::Append))
        return rc;
    std::string line;
    if (file.size() == 0)
        line = kHeader;
    char head[16];
    std::snprintf(head, sizeof head, "%08X=", address);
    line += head;
    line += (!name || !*name || *name == '"') ? "\"\"" : name;
    line += "\r\n";
    return file.append(line.data(), line.size());
}

std::vector<std::string> expiredFiles(const std::string& folder, std::int64_t now)
{
    std::vector<std::string> expired;
    for (const std::string& path : cacheFiles(folder)) {
        const std::int64_t created = platform::creationTime(path) / 1000000000;
        if (created != 0 && now - created > kExpirySeconds) {
            platform::trace("old %s", path.c_str());
            expired.push_back(path);
        }
    }
    return expired;
}

namespace {

constexpr std::size_t kReadAhead = 100;     // addresses read before they are asked for
constexpr std::uint64_t kChunk = 64 * 1024; // bytes read at a time, from the end back

} // namespace

RenewalReader::RenewalReader(std::string folder, std::int64_t now)
    : m_folder(std::move(folder)), m_now(now), m_thread([this] { run(); })
{
}

RenewalReader::~RenewalReader()
{
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::size_t RenewalReader::take(std::uint32_t* out, std::size_t n)
{
    std::size_t put = 0;
    {
        std::lock_guard guard(m_lock);
        for (; put < n && !m_ready.empty(); ++put) {
            out[put] = m_ready.front();
            m_ready.pop_front();
        }
    }
    m_wake.notify_all();
    return put;
}

bool RenewalReader::finished()
{
    std::lock_guard guard(m_lock);
    return m_done && m_ready.empty();
}

void RenewalReader::run()
{
    for (;;) {
        {
            std::unique_lock guard(m_lock);
            m_wake.wait(guard, [this] { return m_stop || m_ready.size() < kReadAhead; });
            if (m_stop)
                return;
        }
        if (!readChunk()) {
            std::lock_guard guard(m_lock);
            m_done = true;
            return;
        }
    }
}

bool RenewalReader::readChunk()
{
    if (!m_listed) {
        m_files = expiredFiles(m_folder, m_now); // once: a file drained is never read again
        m_listed = true;
    }
    if (m_file.empty()) {
        if (m_files.empty())
            return false;
        m_file = m_files.back(); // the newest first
        m_files.pop_back();
        m_end = static_cast<std::uint64_t>(std::max<std::int64_t>(platform::fileSize(m_file), 0));
    }
    platform::File file;
    if (file.open(m_file, platform::File::Mode::ReadFile) != 0)
        return false;
    char header[kHeaderSize];
    if (file.readAt(0, header, kHeaderSize) != 0 || std::memcmp(header, kHeader, kHeaderSize) != 0)
        return false;
    // The chunk before m_end; its first line counts only when it begins there.
    const std::uint64_t begin = m_end > kHeaderSize + kChunk ? m_end - kChunk : kHeaderSize;
    std::string bytes(static_cast<std::size_t>(m_end - begin), '\0');
    std::size_t got = 0;
    if (!bytes.empty() && file.readAt(begin, bytes.data(), bytes.size(), &got) != 0 &&
        got != bytes.size())
        return false;
    std::size_t first = 0; // the first whole line of the chunk
    if (begin > kHeaderSize) {
        char before = 0;
        if (file.readAt(begin - 1, &before, 1) != 0)
            return false;
        if (before != '\n') {
            const std::size_t lf = bytes.find('\n');
            if (lf == std::string::npos)
                return false; // a line longer than a chunk: no line of ours
            first = lf + 1;
        }
    }
    std::vector<std::uint32_t> addresses;
    std::vector<LineStart> taken;
    std::size_t end = bytes.size();
    while (end > first) {
        std::size_t start = end >= 2 ? bytes.rfind('\n', end - 2) : std::string::npos;
        start = start == std::string::npos || start < first ? first : start + 1;
        const std::string_view line(bytes.data() + start, end - start);
        end = start;
        if (line.size() < 8 || !isUpperHex(line[0]))
            continue; // disabled (";") or not a line of ours
        std::uint32_t address = 0;
        for (std::size_t i = 0; i < 8 && isUpperHex(line[i]); ++i)
            address = address * 16 + static_cast<std::uint32_t>(
                                         line[i] <= '9' ? line[i] - '0' : line[i] - 'A' + 10);
        addresses.push_back(address);
        taken.push_back({begin + start, line[0]});
    }
    // The lines read are disabled before they are handed out, so that no line is renewed
    // twice; a file that cannot be written ends the renewal.
    if (!taken.empty() && disableLines(file, m_file, taken) != 0)
        return false;
    m_end = begin + first;
    if (m_end <= kHeaderSize) {
        file.close();
        ::unlink(m_file.c_str());
        m_file.clear(); // the next request starts on the next expired file
    }
    std::lock_guard guard(m_lock);
    m_ready.insert(m_ready.end(), addresses.begin(), addresses.end());
    return true;
}

} // namespace hosts
