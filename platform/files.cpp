#include "platform/files.h"

#include "platform/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

int File::open(const std::string& path, Mode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::ReadFile:
        flags |= O_RDONLY | O_NONBLOCK;
        break;
    case Mode::ReadWrite:
        flags |= O_RDWR;
        break;
    case Mode::CreateAlways:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case Mode::OpenOrCreate:
        flags |= O_RDWR | O_CREAT;
        break;
    case Mode::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW;
        break;
    }
    if (path.empty())
        return kErrFileNotFound;
    do {
        m_fd = ::open(path.c_str(), flags, 0644);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return lastError();
    if (mode == Mode::Read || mode == Mode::ReadWrite || mode == Mode::ReadFile) {
        struct stat st
        {
        };
        if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            close();
            return kErrAccessDenied;
        }
        if (mode == Mode::ReadFile) {
            if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
                close();
                return kErrBadFormat;
            }
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        }
    }
    return kOk;
}

void File::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::int64_t File::size() const
{
    struct stat st
    {
    };
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return st.st_size;
}

int File::readAt(std::uint64_t offset, void* buffer, std::size_t length, std::size_t* done) const
{
    std::size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < length) {
        const ssize_t n =
            ::pread(m_fd, out + total, length - total, static_cast<off_t>(offset + total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done)
                *done = total;
            return lastError();
        }
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    if (done)
        *done = total;
    return total == length ? kOk : kErrHandleEof;
}

int File::readAll(std::string& bytes) const
{
    bytes.clear();
    if (m_fd < 0)
        return kErrInvalidHandle;
    const std::int64_t expected = size();
    bytes.resize(static_cast<std::size_t>(expected > 0 ? expected : 0) + 1);
    std::size_t total = 0;
    for (;;) {
        if (total == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n =
            ::pread(m_fd, bytes.data() + total, bytes.size() - total, static_cast<off_t>(total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            bytes.clear();
            return lastError();
        }
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    bytes.resize(total);
    return kOk;
}

bool File::sameFileAs(const File& other) const
{
    struct stat a
    {
    }, b{};
    return m_fd >= 0 && other.m_fd >= 0 && ::fstat(m_fd, &a) == 0 && ::fstat(other.m_fd, &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

namespace {

// Writes all of buffer at offset, or at the current position when offset is negative.
int writeAll(int fd, const void* buffer, std::size_t length, std::int64_t offset)
{
    std::size_t total = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (total < length) {
        const ssize_t n = offset < 0 ? ::write(fd, in + total, length - total)
                                     : ::pwrite(fd, in + total, length - total,
                                                static_cast<off_t>(offset + std::int64_t(total)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (n == 0)
            return kErrDiskFull;
        total += static_cast<std::size_t>(n);
    }
    return kOk;
}

} // namespace

int File::writeAt(std::uint64_t offset, const void* buffer, std::size_t length)
{
    return writeAll(m_fd, buffer, length, static_cast<std::int64_t>(offset));
}

int File::append(const void* buffer, std::size_t length)
{
    // Positioned at the end once; a file opened in append mode goes there by itself.
    if (::lseek(m_fd, 0, SEEK_END) < 0)
        return lastError();
    return writeAll(m_fd, buffer, length, -1);
}

int File::truncate(std::uint64_t length)
{
    return ::ftruncate(m_fd, static_cast<off_t>(length)) == 0 ? kOk : lastError();
}

MappedView::MappedView(MappedView&& other) noexcept
    : m_base(other.m_base), m_baseLength(other.m_baseLength), m_data(other.m_data),
      m_size(other.m_size)
{
    other.m_base = nullptr;
    other.m_data = nullptr;
    other.m_baseLength = 0;
    other.m_size = 0;
}

MappedView& MappedView::operator=(MappedView&& other) noexcept
{
    if (this != &other) {
        unmap();
        std::swap(m_base, other.m_base);
        std::swap(m_baseLength, other.m_baseLength);
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
    }
    return *this;
}

int MappedView::map(const File& file, std::uint64_t offset, std::uint64_t length, bool writable)
{
    unmap();
    const std::int64_t fileLength = file.size();
    if (fileLength < 0)
        return kErrInvalidParameter;
    const auto end = static_cast<std::uint64_t>(fileLength);
    if (offset > end)
        return kErrInvalidParameter;
    if (length == 0)
        length = end - offset;
    if (offset + length > end)
        return kErrInvalidParameter;
    if (length == 0)
        return kOk;
    static const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t aligned = offset - offset % page;
    const std::size_t mapLength = static_cast<std::size_t>(length + (offset - aligned));
    void* base = ::mmap(nullptr, mapLength, writable ? PROT_READ | PROT_WRITE : PROT_READ,
                        MAP_SHARED, file.fd(), static_cast<off_t>(aligned));
    if (base == MAP_FAILED)
        return lastError();
    m_base = base;
    m_baseLength = mapLength;
    m_data = static_cast<char*>(base) + (offset - aligned);
    m_size = length;
    return kOk;
}

void MappedView::unmap()
{
    if (m_base) {
        ::munmap(m_base, m_baseLength);
        m_base = nullptr;
    }
    m_baseLength = 0;
    m_data = nullptr;
    m_size = 0;
}

std::int64_t fileSize(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

std::int64_t lastWriteTime(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::int64_t creationTime(const std::string& path)
{
    struct statx sx
    {
    };
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) != 0)
        return 0;
    const auto& t = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool isDirectory(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isWritableFolder(const std::string& path)
{
    // Tried, not asked: permission bits do not bind every user, and a read-only disk or a
    // file system that makes no files refuses whatever the bits say.
    const std::string probe = isDirectory(path) ? makeTempFile(path, ".vexilo-probe-") : "";
    if (probe.empty())
        return false;
    ::unlink(probe.c_str());
    return true;
}

bool fileExists(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string tempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

int createNewFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return lastError();
    ::close(fd);
    return kOk;
}

std::string makeTempFile(const std::string& folder, const std::string& prefix)
{
    static thread_local std::minstd_rand rng(std::random_device{}());
    for (int attempt = 0; attempt < 65536; ++attempt) {
        char name[16];
        std::snprintf(name, sizeof name, "%04X.tmp", static_cast<unsigned>(rng() & 0xFFFF));
        std::string path = folder + "/" + prefix + name;
        const int rc = createNewFile(path);
        if (rc == kOk)
            return path;
        if (rc != kErrFileExists)
            return {};
    }
    return {};
}

namespace {

// Retries a system call that an interrupting signal cut short.
template <typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// The file a replacement is written to: path itself, or what a symbolic link at path
// leads to (the link must stay a link).
std::string replacementTarget(const std::string& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path; // a link that leads nowhere is replaced itself
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Creates a new temporary file in the open folder dir for a replacement of its entry leaf;
// -1 on failure (errno set), with the temporary's name in temp.
int createReplacement(int dir, const std::string& leaf, std::string& temp)
{
    static thread_local std::minstd_rand rng(std::random_device{}());
    // Long names are shortened so that the temporary's name stays within NAME_MAX.
    const std::string name = leaf.substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08X.tmp", static_cast<unsigned>(rng()));
        temp = "." + name + suffix;
        const int fd = retryOnInterrupt([&] {
            return ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            0666);
        });
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Replaces the entry leaf of the open folder dir (a file, a symbolic link, or nothing yet)
// with what write(fd) puts into a temporary beside it.
template <typename Write> int replaceEntry(int dir, const std::string& leaf, Write write)
{
    struct stat old
    {
    };
    const bool exists = ::fstatat(dir, leaf.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return kErrAccessDenied;

    std::string temp;
    const int fd = createReplacement(dir, leaf, temp);
    if (fd < 0)
        return errno == ENOENT ? kErrPathNotFound : lastError();
    int rc = kOk;
    if (exists && S_ISREG(old.st_mode)) {
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Not allowed to give the file away: it stays ours, with the old bits.
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            rc = lastError();
    }
    if (rc == kOk)
        rc = write(fd);
    if (rc == kOk && retryOnInterrupt([&] { return ::fsync(fd); }) != 0)
        rc = lastError();
    // After a successful fsync an interrupted close has nothing left to lose.
    if (::close(fd) != 0 && errno != EINTR && rc == kOk)
        rc = lastError();
    if (rc == kOk &&
        retryOnInterrupt([&] { return ::renameat(dir, temp.c_str(), dir, leaf.c_str()); }) != 0)
        rc = lastError();
    if (rc != kOk) {
        ::unlinkat(dir, temp.c_str(), 0);
        return rc;
    }
    // The rename itself lasts once the folder is on the disk too; a folder that cannot be
    // synced (some file systems refuse) leaves the new file in place all the same.
    retryOnInterrupt([&] { return ::fsync(dir); });
    return kOk;
}

// An open folder, closed with its owner.
class FolderHandle
{
  public:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    ~FolderHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    int fd() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

  private:
    int m_fd;
};

int openFolder(const std::string& path, FolderHandle& folder)
{
    folder.reset(
        retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (folder.fd() >= 0)
        return kOk;
    return errno == ENOENT || errno == ENOTDIR ? kErrPathNotFound : lastError();
}

// Replaces path with what write(fd) puts into a temporary file beside it.
template <typename Write> int replaceWith(const std::string& path, Write write)
{
    if (path.empty())
        return kErrFileNotFound;
    const std::string target = replacementTarget(path);
    const auto slash = target.rfind('/');
    const std::string leaf = target.substr(slash == std::string::npos ? 0 : slash + 1);
    if (leaf.empty())
        return kErrAccessDenied; // a folder
    FolderHandle folder(-1);
    if (const int rc = openFolder(folderOf(target), folder))
        return rc;
    return replaceEntry(folder.fd(), leaf, write);
}

} // namespace

int replaceFileInFolder(const std::string& folder, const std::string& name, std::string_view bytes)
{
    std::vector<std::string> parts;
    for (std::size_t begin = 0;;) {
        const std::size_t end = name.find('/', begin);
        parts.push_back(name.substr(begin, end - begin));
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
    for (const std::string& part : parts)
        if (part.empty() || part == "." || part == "..")
            return kErrInvalidParameter;
    FolderHandle dir(-1);
    if (const int rc = openFolder(folder, dir))
        return rc;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const char* sub = parts[i].c_str();
        if (::mkdirat(dir.fd(), sub, 0777) != 0 && errno != EEXIST)
            return lastError();
        const int fd = retryOnInterrupt([&] {
            return ::openat(dir.fd(), sub, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        });
        if (fd < 0)
            return errno == ELOOP || errno == ENOTDIR ? kErrAccessDenied : lastError();
        dir.reset(fd);
    }
    return replaceEntry(dir.fd(), parts.back(),
                        [&](int fd) { return writeAll(fd, bytes.data(), bytes.size(), -1); });
}

int replaceFile(const std::string& path, std::string_view bytes)
{
    return replaceWith(path, [&](int fd) { return writeAll(fd, bytes.data(), bytes.size(), -1); });
}

int copyFile(const std::string& from, const std::string& to)
{
    File source;
    if (const int rc = source.open(from, File::Mode::Read))
        return rc;
    if (sameFile(from, to))
        return kOk;
    return replaceWith(to, [&](int fd) {
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t n =
                retryOnInterrupt([&] { return ::read(source.fd(), buffer.data(), buffer.size()); });
            if (n < 0)
                return lastError();
            if (n == 0)
                return int(kOk);
            if (const int rc = writeAll(fd, buffer.data(), static_cast<std::size_t>(n), -1))
                return rc;
        }
    });
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    struct stat sa
    {
    }, sb{};
    const bool hasA = ::stat(a.c_str(), &sa) == 0, hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (hasA != hasB)
        return false;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    return !ea && !eb && ca == cb;
}

int copyFolder(const std::string& from, const std::string& to)
{
    std::error_code ec;
    std::filesystem::create_directories(to, ec);
    if (!ec)
        std::filesystem::copy(from, to,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing,
                              ec);
    return ec ? errorFromErrno(ec.value()) : kOk;
}

int deleteFolder(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return ec ? errorFromErrno(ec.value()) : kOk;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace platform
