#include "combine/combine_job.h"

#include "platform/codepage.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace combine {
namespace {

constexpr std::size_t kChunk = 0x80000; // 512 KiB

struct GzCloser
{
    void operator()(gzFile f) const
    {
        if (f)
            gzclose(f);
    }
};
using GzFile = std::unique_ptr<gzFile_s, GzCloser>;

// The end of a gzip read: a stream that stops inside a member, or damaged data, is an error.
int readError(gzFile in)
{
    int code = Z_OK;
    gzerror(in, &code);
    return code == Z_OK || code == Z_STREAM_END ? 0 : EIO;
}

// Output sinks: a plain file or a gzip stream on a file descriptor.
class Sink
{
  public:
    ~Sink() { close(); }
    int open(const std::string& path, bool compressed, int flags)
    {
        m_fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return errno;
        if (compressed) {
            m_gz = gzdopen(m_fd, "wb9");
            if (!m_gz) {
                ::close(m_fd);
                m_fd = -1;
                return ENOMEM;
            }
            gzbuffer(m_gz, kChunk);
        }
        return 0;
    }
    int write(const char* data, std::size_t size)
    {
        if (m_gz)
            return gzwrite(m_gz, data, static_cast<unsigned>(size)) == static_cast<int>(size) ? 0
                                                                                              : EIO;
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return 0;
    }
    // 0 when everything reached the file.
    int close()
    {
        int rc = 0;
        if (m_gz) {
            rc = gzclose(m_gz) == Z_OK ? 0 : EIO; // closes the descriptor too
            m_gz = nullptr;
            m_fd = -1;
        } else if (m_fd >= 0) {
            rc = ::close(m_fd) == 0 ? 0 : errno;
            m_fd = -1;
        }
        return rc;
    }

  private:
    int m_fd = -1;
    gzFile m_gz = nullptr;
};

Outcome failure(int code, const std::string& path, const char* what)
{
    return {code, path, what};
}

// Copies the decompressed bytes of one input into sink. `base` is the done count of the
// inputs before it.
Outcome copyInto(const std::string& input, Sink& sink, const std::string& output,
                 Progress& progress, std::uint64_t base, std::vector<char>& buffer)
{
    GzFile in(gzopen(input.c_str(), "rb"));
    if (!in)
        return failure(errno ? errno : ENOENT, input, "開けません");
    gzbuffer(in.get(), kChunk);
    for (;;) {
        const int n = gzread(in.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0)
            return failure(EIO, input, "読み込めません (gzip が壊れているか途中で切れています)");
        if (n == 0)
            break;
        if (const int rc = sink.write(buffer.data(), static_cast<std::size_t>(n)))
            return failure(rc, output, "書き込めません");
        progress.done =
            base + static_cast<std::uint64_t>(std::max<z_off64_t>(0, gzoffset64(in.get())));
        if (!progress.running)
            return failure(kCancelled, {}, "");
    }
    if (const int rc = readError(in.get()))
        return failure(rc, input, "読み込めません (gzip が壊れているか途中で切れています)");
    return {};
}

bool sameBytes(const std::string& a, const std::string& b)
{
    return a == b;
}

} // namespace

std::uint64_t fileSize(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)
               ? static_cast<std::uint64_t>(st.st_size)
               : 0;
}

std::string sizeText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 256)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(bytes));
    else if (bytes < 0x40000)
        std::snprintf(text, sizeof text, "%.1fk", static_cast<double>(bytes) / 1024);
    else if (bytes < 0x10000000)
        std::snprintf(text, sizeof text, "%.1fM", static_cast<double>(bytes) / (1 << 20));
    else
        std::snprintf(text, sizeof text, "%.1fG", static_cast<double>(bytes) / (1 << 30));
    return text;
}

std::string remainingText(std::uint64_t elapsedMillis, double fraction)
{
    if (!(fraction > 0))
        return "--:--";
    const auto r =
        static_cast<long long>(static_cast<double>(elapsedMillis) * (1 / fraction - 1) / 1000);
    char text[32];
    if (r < 60) {
        std::snprintf(text, sizeof text, "%lld sec", (r + 3) / 5 * 5);
    } else {
        const long long rounded = r / 30 * 30;
        std::snprintf(text, sizeof text, "%lld:%02lld", rounded / 60, rounded % 60);
    }
    return text;
}

bool compressedName(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return false;
    return platform::equalNoCase(std::string_view(path).substr(dot), ".gz");
}

Outcome combineFiles(const std::vector<std::string>& inputs, const std::string& output,
                     Progress& progress)
{
    for (const std::string& in : inputs)
        if (platform::sameFile(in, output))
            return failure(EINVAL, output, "結合ファイルに出力ファイルを含むことはできません");
    std::uint64_t total = 0;
    for (const std::string& in : inputs)
        total += fileSize(in);
    progress.total = total;
    progress.done = 0;
    Sink sink;
    if (const int rc = sink.open(output, compressedName(output), O_CREAT | O_TRUNC))
        return failure(rc, output, "作成できません");
    std::vector<char> buffer(kChunk);
    std::uint64_t base = 0;
    for (std::size_t i = 0; i < inputs.size() && progress.running; ++i) {
        progress.current = static_cast<int>(i);
        Outcome o = copyInto(inputs[i], sink, output, progress, base, buffer);
        if (!o.ok()) {
            sink.close();
            return o;
        }
        base += fileSize(inputs[i]);
        progress.done = base;
    }
    if (const int rc = sink.close())
        return failure(rc, output, "書き込めません");
    return progress.running ? Outcome{} : failure(kCancelled, {}, "");
}

bool FileList::add(const std::string& path)
{
    if (std::any_of(m_paths.begin(), m_paths.end(),
                    [&](const std::string& p) { return sameBytes(p, path); }))
        return false;
    m_paths.push_back(path);
    return true;
}

void FileList::remove(const std::vector<int>& rows)
{
    std::vector<int> sorted(rows);
    std::sort(sorted.rbegin(), sorted.rend());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int r : sorted)
        if (r >= 0 && r < static_cast<int>(m_paths.size()))
            m_paths.erase(m_paths.begin() + r);
}

bool FileList::canMoveUp(std::size_t count, const std::vector<int>& rows)
{
    return count >= 2 && !rows.empty() && *std::min_element(rows.begin(), rows.end()) > 0;
}

bool FileList::canMoveDown(std::size_t count, const std::vector<int>& rows)
{
    return count >= 2 && !rows.empty() &&
           *std::max_element(rows.begin(), rows.end()) < static_cast<int>(count) - 1;
}

namespace {

// Takes the selected rows out (in order) and puts them back as one block at `at` (an index
// into the rows that are left).
std::vector<int> moveBlock(std::vector<std::string>& paths, std::vector<int> rows, int at)
{
    std::sort(rows.begin(), rows.end());
    std::vector<std::string> block, rest;
    std::size_t r = 0;
    for (int i = 0; i < static_cast<int>(paths.size()); ++i) {
        if (r < rows.size() && rows[r] == i) {
            block.push_back(paths[static_cast<std::size_t>(i)]);
            ++r;
        } else {
            rest.push_back(paths[static_cast<std::size_t>(i)]);
        }
    }
    at = std::clamp(at, 0, static_cast<int>(rest.size()));
    rest.insert(rest.begin() + at, block.begin(), block.end());
    paths = std::move(rest);
    std::vector<int> now;
    for (std::size_t i = 0; i < block.size(); ++i)
        now.push_back(at + static_cast<int>(i));
    return now;
}

} // namespace

std::vector<int> FileList::moveUp(const std::vector<int>& rows)
{
    if (!canMoveUp(m_paths.size(), rows))
        return rows;
    const int first = *std::min_element(rows.begin(), rows.end());
    return moveBlock(m_paths, rows, first - 1); // before the row above the first
}

std::vector<int> FileList::moveDown(const std::vector<int>& rows)
{
    if (!canMoveDown(m_paths.size(), rows))
        return rows;
    const int last = *std::max_element(rows.begin(), rows.end());
    // Among the rows left, the one below the last selected sits at last + 1 - selected.
    const int below = last + 1 - static_cast<int>(rows.size());
    return moveBlock(m_paths, rows, below + 1);
}

void FileList::sort(int column, bool descending)
{
    std::vector<std::pair<std::uint64_t, std::string>> keyed;
    for (const std::string& p : m_paths)
        keyed.emplace_back(column == 1 ? fileSize(p) : 0, p);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        int c = column == 1 ? (a.first < b.first ? -1 : a.first > b.first ? 1 : 0) : 0;
        if (c == 0)
            c = platform::compareNoCase(a.second, b.second);
        return descending ? c > 0 : c < 0;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        m_paths[i] = std::move(keyed[i].second);
}

bool FileList::holds(const std::string& output) const
{
    return std::any_of(m_paths.begin(), m_paths.end(), [&](const std::string& p) {
        return sameBytes(p, output) || platform::sameFile(p, output);
    });
}

std::uint64_t FileList::totalSize() const
{
    std::uint64_t total = 0;
    for (const std::string& p : m_paths)
        total += fileSize(p);
    return total;
}

std::string gzipName(const std::string& path)
{
    return path + ".gz";
}

std::string gunzipName(const std::string& path)
{
    return compressedName(path) ? path.substr(0, path.size() - 3) : std::string();
}

namespace {

Outcome convert(const std::string& path, const std::string& target, bool compress, bool overwrite,
                Progress& progress)
{
    if (target.empty())
        return failure(EINVAL, path, "名前が .gz で終わっていません");
    if (platform::fileExists(target) && !overwrite)
        return failure(EEXIST, target, "すでにあります");
    const std::string folder = platform::folderOf(target);
    const std::string temp = platform::makeTempFile(folder.empty() ? "." : folder, ".crunchbox");
    if (temp.empty())
        return failure(errno ? errno : EACCES, target, "作成できません");
    progress.total = fileSize(path);
    progress.done = 0;
    Outcome o;
    {
        Sink sink;
        if (const int rc = sink.open(temp, compress, O_TRUNC)) {
            ::unlink(temp.c_str());
            return failure(rc, target, "作成できません");
        }
        std::vector<char> buffer(kChunk);
        if (compress) {
            // A plain read: a file that happens to be gzip already is compressed again.
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                o = failure(errno, path, "開けません");
            } else {
                for (;;) {
                    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n < 0) {
                        o = failure(errno, path, "読み込めません");
                        break;
                    }
                    if (n == 0)
                        break;
                    if (const int rc = sink.write(buffer.data(), static_cast<std::size_t>(n))) {
                        o = failure(rc, target, "書き込めません");
                        break;
                    }
                    progress.done = progress.done + static_cast<std::uint64_t>(n);
                    if (!progress.running) {
                        o = failure(kCancelled, {}, "");
                        break;
                    }
                }
                ::close(fd);
            }
        } else {
            o = copyInto(path, sink, target, progress, 0, buffer);
        }
        const int closed = sink.close();
        if (o.ok() && closed)
            o = failure(closed, target, "書き込めません");
    }
    if (o.ok()) {
        // The new file keeps the input's permission bits.
        struct stat st
        {
        };
        if (::stat(path.c_str(), &st) == 0)
            ::chmod(temp.c_str(), st.st_mode & 07777);
        // On the disk before the name moves, so that a crash never leaves a short file.
        if (const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        if (::rename(temp.c_str(), target.c_str()) != 0)
            o = failure(errno, target, "作成できません");
    }
    if (!o.ok()) {
        ::unlink(temp.c_str());
        return o;
    }
    // The input goes only now that its output is whole.
    if (::unlink(path.c_str()) != 0)
        return failure(errno, path, "元のファイルを削除できません");
    return {};
}

} // namespace

Outcome gzipFile(const std::string& path, bool overwrite, Progress& progress)
{
    return convert(path, gzipName(path), true, overwrite, progress);
}

Outcome gunzipFile(const std::string& path, bool overwrite, Progress& progress)
{
    return convert(path, gunzipName(path), false, overwrite, progress);
}

} // namespace combine
