#pragma once

// Host-name cache files "dns%04d%02d%02d.dat" in the data folder: "[DNS]" CR LF, then one
// line per answer, "%08X=" (address in host order) and the label-reversed lower-case name,
// or two double quotes for an address without a name. Read oldest file first at load
// time; the first line met for an address wins and later duplicates are disabled with ";".
// Files are only ever appended to or have single bytes turned into ";", never shortened.
// This library knows the files only; the store decides what the names are for.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hosts {

// What reading the cache files hands to its caller.
class NameSink
{
  public:
    virtual ~NameSink() = default;
    // Checked before every line; true ends the reading.
    virtual bool cancelled() const = 0;
    // The name of an address, from the first line met for it: CP932 bytes, "" when the
    // address was looked up and has no name. Valid during the call only.
    virtual void found(std::uint32_t address, std::string_view name) = 0;
    // One more of the `files` cache files has been read or skipped.
    virtual void fileDone(std::size_t files) = 0;
};

// What reading the cache files may do to them: disable the later duplicates in their
// files (the main program's load), or leave every file as it is (the command line's
// read-only commands). Either way the first line read for an address wins.
enum class CacheUpkeep { DisableDuplicates, ReadOnly };

// Reads every cache file of folder, oldest date first, into sink. The files are opened for
// reading only and read with plain reads, so a file the user cannot write is read all the
// same and a file another program changes meanwhile cannot crash the reader. A file that
// cannot be read, or that does not begin with "[DNS]" CR LF, is skipped. Returns the number
// of cache files found.
std::size_t readHostNameCache(const std::string& folder, NameSink& sink, CacheUpkeep upkeep);

// Appends one answer to today's file (local standard date) in dataFolder; the file is
// made with its first line when needed. name null or empty: the address has no name.
// Returns 0 or an error code (callers do not report it).
[[nodiscard]] int appendHostName(const std::string& dataFolder, std::uint32_t address,
                                 const char* name);

// "dns%04d%02d%02d.dat" for a local standard date.
std::string cacheFileName(int year, int month, int day);

// Seconds after which a cache file is renewed.
inline constexpr std::int64_t kExpirySeconds = 30 * 24 * 3600;

// The cache files of folder created more than 30 days before `now` (seconds since 1970), in
// the order of their names; each one found is traced.
std::vector<std::string> expiredFiles(const std::string& folder, std::int64_t now);

// The renewal of cache files created more than 30 days before `now`: their addresses, one
// expired file after another, each from its end backwards, read ahead on a thread of its
// own so that the user-interface thread never waits on a file. Only what has not been read
// yet is read (a chunk at a time from where the last one began). The lines read are
// disabled in place (the file never gets shorter) and a file is deleted once all its lines
// are read. A file that cannot be read or written ends the renewal.
class RenewalReader
{
  public:
    RenewalReader(std::string folder, std::int64_t now);
    ~RenewalReader(); // stops and joins the reader
    RenewalReader(const RenewalReader&) = delete;
    RenewalReader& operator=(const RenewalReader&) = delete;

    // Up to n addresses (host order) of what has been read; 0 while the reader is busy.
    std::size_t take(std::uint32_t* out, std::size_t n);
    // Nothing is left to renew and every address read has been taken.
    bool finished();

  private:
    void run();
    // Reads the next chunk of the current file into m_ready; false when nothing is left.
    bool readChunk();

    std::string m_folder;
    std::int64_t m_now;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::uint32_t> m_ready;
    bool m_stop = false;
    bool m_done = false;
    bool m_listed = false;
    std::vector<std::string> m_files; // the expired files not read yet
    std::string m_file;               // the expired file being read
    std::uint64_t m_end = 0;          // where the part not read yet ends
    std::thread m_thread;
};

} // namespace hosts
