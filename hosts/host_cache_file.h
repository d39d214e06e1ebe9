#pragma once

// Host-name cache files "dns%04d%02d%02d.dat" in the data folder: "[DNS]" CR LF, then one
// line per answer, "%08X=" (address in host order) and the label-reversed lower-case name,
// or two double quotes for an address without a name. Read oldest file first at load
// time; the first line met for an address wins and later duplicates are disabled with ";".
// Files are only ever appended to or have single bytes turned into ";", never shortened.
// This library knows the files only; the store decides what the names are for.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// The cache file of folder to renew next ("" when none was created more than 30 days before
// `now`, seconds since 1970); each expired file found is traced.
std::string findExpiredFile(const std::string& folder, std::int64_t now);

// Takes up to n addresses (host order) from the end of an expired file, skipping disabled
// lines, and disables the lines taken in place (the file never gets shorter); deletes the
// file when no line is left (drained). 0, or an error when the file cannot be read, is not a
// cache file, or the lines taken cannot be disabled (out is then empty).
[[nodiscard]] int takeAddresses(const std::string& path, std::size_t n,
                                std::vector<std::uint32_t>& out, bool& drained);

} // namespace hosts
