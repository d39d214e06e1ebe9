#pragma once

// Host-name cache files "dns%04d%02d%02d.dat" in the data folder: "[DNS]" CR LF, then one
// line per answer, "%08X=" (address in host order) and the label-reversed lower-case name,
// or two double quotes for an address without a name. Read oldest file first at load
// time; the first line met for an address wins and later duplicates are disabled with ";".

#include <cstdint>
#include <string>

namespace store {
struct LoadContext;
}

namespace hosts {

// Names from every cache file into the store's Host table and HostNamePool (load step 6,
// second half). Adds 0.15 to the progress, spread over the files.
void loadHostNameCache(store::LoadContext& ctx);

// Appends one answer to today's file (local standard date) in dataFolder; the file is
// made with its first line when needed. name null or empty: the address has no name.
// Returns 0 or an error code (callers do not report it).
int appendHostName(const std::string& dataFolder, std::uint32_t address, const char* name);

// "dns%04d%02d%02d.dat" for a local standard date.
std::string cacheFileName(int year, int month, int day);

} // namespace hosts
