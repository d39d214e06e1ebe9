#pragma once

// Host-name cache files "dns%04d%02d%02d.dat" in the data folder: "[DNS]" CR LF, then one
// line per answer, "%08X=" (address in host order) and the label-reversed lower-case name,
// or two double quotes for an address without a name. Read oldest file first at load
// time; the first line met for an address wins and later duplicates are disabled with ";".
// This library knows the files only; the store decides what the names are for.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// Reads every cache file of folder, oldest date first, into sink, and disables the later
// duplicate lines in their files. A file that cannot be opened or mapped, or that does not
// begin with "[DNS]" CR LF, is skipped. Returns the number of cache files found.
std::size_t readHostNameCache(const std::string& folder, NameSink& sink);

// Appends one answer to today's file (local standard date) in dataFolder; the file is
// made with its first line when needed. name null or empty: the address has no name.
// Returns 0 or an error code (callers do not report it).
[[nodiscard]] int appendHostName(const std::string& dataFolder, std::uint32_t address, const char* name);

// "dns%04d%02d%02d.dat" for a local standard date.
std::string cacheFileName(int year, int month, int day);

} // namespace hosts
