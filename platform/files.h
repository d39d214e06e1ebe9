#pragma once

// Files as the core uses them: 64-bit sizes and positioned I/O, read-only and read-write
// mapping views at any offset, file times, temporary names, folder copy and delete.
// Paths are native byte strings. Functions return 0 or an error code of errors.h.
// There are no sharing modes on this platform: readers may always read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Views are placed on multiples of this (it keeps the 448 KiB / 512 KiB reader windows).
inline constexpr std::uint64_t kAllocationGranularity = 65536;

class File
{
  public:
    enum class Mode {
        Read,         // existing file, read only (a pipe or a device too: log input)
        ReadFile,     // existing regular file, read only: the open never waits on a
                      // FIFO, and anything but a regular file is refused (kErrBadFormat)
        ReadWrite,    // existing file
        CreateAlways, // create or truncate, read and write
        OpenOrCreate, // open or create, read and write
        Append,       // open or create, writes go to the end; a symbolic link at the
                      // name is not followed (the open fails): appends go to files of
                      // the data folder, which links must not lead elsewhere
    };

    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    [[nodiscard]] int open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Size in bytes, or -1 when it cannot be taken.
    std::int64_t size() const;

    // Read or write exactly `length` bytes at `offset`; *done (optional) receives the
    // count moved. A short read at the end of the file returns kErrHandleEof.
    [[nodiscard]] int readAt(std::uint64_t offset, void* buffer, std::size_t length,
                             std::size_t* done = nullptr) const;
    [[nodiscard]] int writeAt(std::uint64_t offset, const void* buffer, std::size_t length);
    // Appends at the current end of the file.
    [[nodiscard]] int append(const void* buffer, std::size_t length);
    [[nodiscard]] int truncate(std::uint64_t length);
    // Reads from offset 0 to the end of the file, however long it is by then: a file that
    // another program shortens or lengthens meanwhile gives what it held when each part
    // was read, never a fault (a mapping view would die of a shortened file). 0 or an error.
    [[nodiscard]] int readAll(std::string& bytes) const;
    // Whether both are open on the same file (device and inode).
    bool sameFileAs(const File& other) const;

  private:
    int m_fd = -1;
};

// A mapping of [offset, offset + length) of a file; offset need not be aligned.
class MappedView
{
  public:
    MappedView() = default;
    ~MappedView() { unmap(); }
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    // length 0 maps up to the end of the file. A view of zero bytes is allowed (data()
    // is then null). Writable views write through to the file.
    [[nodiscard]] int map(const File& file, std::uint64_t offset, std::uint64_t length,
                          bool writable);
    void unmap();

    char* data() const { return m_data; }
    std::uint64_t size() const { return m_size; }

  private:
    void* m_base = nullptr;
    std::size_t m_baseLength = 0;
    char* m_data = nullptr;
    std::uint64_t m_size = 0;
};

// Size of the file at path, or -1.
std::int64_t fileSize(const std::string& path);

// File times in nanoseconds since 1970-01-01 UTC; 0 when the file cannot be looked at.
// The creation time is the file system's birth time where it keeps one, else the
// last-write time.
std::int64_t lastWriteTime(const std::string& path);
std::int64_t creationTime(const std::string& path);

bool isDirectory(const std::string& path);
// Whether this process can make files in the folder: a new empty file is made there and
// removed again (a folder on a read-only disk cannot, whatever its permission bits say).
bool isWritableFolder(const std::string& path);
bool fileExists(const std::string& path);

// Creates a new empty file that must not exist yet (O_EXCL): 0, kErrFileExists when it
// does, or the error of the create.
[[nodiscard]] int createNewFile(const std::string& path);

// $TMPDIR, else /tmp; without a trailing slash.
std::string tempFolder();

// Creates a new empty file "<folder>/<prefix>XXXX.tmp" (XXXX four hex digits) that did
// not exist before (O_EXCL) and returns its path; empty on failure.
std::string makeTempFile(const std::string& folder, const std::string& prefix);

// Replaces the whole file at path by `bytes` so that a reader or a crash only ever finds the
// old contents or the new ones, never a mixture or an empty file: the bytes go to a new
// temporary file in the same folder (created with O_EXCL, named ".<name>.<hex>.tmp"), are
// flushed to the disk, and the temporary is renamed over path. An existing file keeps its
// permission bits (and its owner where the process may set it); a new one gets 0666 less
// the umask. When path is a symbolic link, the file it leads to is replaced and the link
// stays. On any failure the temporary is removed and path is left as it was. Returns 0,
// kErrPathNotFound when the folder does not exist, or the error of the failing call.
[[nodiscard]] int replaceFile(const std::string& path, std::string_view bytes);

// Replaces the file `name` of folder the same way, for folders this program does not own
// (a report folder the user named, the data folder): the entry itself is replaced, never
// written through, so a symbolic link planted there is replaced by the new file and the file
// it led to stays as it was. `name` may hold subfolders ("images/a.gif"); they are made when
// missing and must be real folders: a symbolic link where a subfolder belongs is refused
// (kErrAccessDenied). `folder` itself is taken as the user named it. Returns 0,
// kErrPathNotFound when folder does not exist, or the error of the failing call.
[[nodiscard]] int replaceFileInFolder(const std::string& folder, const std::string& name,
                                      std::string_view bytes);

// Copies the file `from` over `to` the same safe way (to is replaced whole, or left as it
// was). Copying a file onto itself changes nothing.
[[nodiscard]] int copyFile(const std::string& from, const std::string& to);

// Whether two paths name the same file: the same device and inode when both exist,
// otherwise the same absolute path once symbolic links are resolved.
bool sameFile(const std::string& a, const std::string& b);

// Recursive copy of a folder's contents into `to` (created as needed; existing files are
// overwritten). Returns 0 or an error code.
[[nodiscard]] int copyFolder(const std::string& from, const std::string& to);
// Deletes a folder and everything in it; a missing folder is success.
[[nodiscard]] int deleteFolder(const std::string& path);

// The folder part of a path (up to, not including, the last "/"); "." when there is none.
std::string folderOf(const std::string& path);

} // namespace platform
