#pragma once

// What the host-name windows and `vexilo-cli resolve` compute without a window: the
// stored form of a name and the status text of the lookups (the cache files themselves:
// host_cache_file.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hosts {

// Lookups running at once, at most.
inline constexpr int kMaxPendingLookups = 20;
// A name that resolves wherever the DNS works: the first root name server. Without an
// answer for it nothing is looked up, so a machine without DNS never waits on lookups.
inline constexpr char kProbeName[] = "a.root-servers.net";

// Labels reversed and lower-cased, as every host name is kept: Host.Example.NET becomes
// net.example.host.
std::string reversedName(std::string_view name);

// The stored form of a lookup's answer, "" for "no name": a name without a dot (a single
// label says nothing about where a visitor comes from), or one with bytes a cache line
// cannot hold or a person cannot read (control characters, quotes, non-ASCII), is none.
std::string storedName(std::string_view official);

struct LookupState
{
    std::size_t hosts = 0;    // hosts of the log
    std::size_t named = 0;    // hosts with a name (or known to have none)
    std::size_t renewals = 0; // renewal lookups still outstanding
    bool quiet = false;       // no answer for 3 seconds
    bool blink = false;       // toggled every second
};

// The status text (first character "*" or " ": the mark blinks while lookups run):
// "*40/40" while answers come, "*97.5% done" after 3 quiet seconds, "*updating expired"
// while renewing, "*complete" when done, "*-/-" for a log without hosts.
std::string statusText(const LookupState& state);

} // namespace hosts
