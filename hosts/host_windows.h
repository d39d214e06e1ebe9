#pragma once

// The host-name windows of an open log:
//  - "WC_DNS" (id 2008, an invisible child of the store window): hands the unnamed
//    addresses to the resolver, writes each answer into today's cache file, tells the main
//    window of new names (UM_HOSTRESOLVED) and, once every host has a name, renews cache
//    lines older than 30 days. Its window text is the host-name part of the status bar.
//  - "WC_RESOLVER" (its invisible child): checks once that names resolve at all, then
//    keeps up to 20 reverse lookups of the platform's name service running and reports
//    every answer to its parent.

#include "hosts/host_names.h"

namespace hosts {

inline constexpr char kHostCacheClass[] = "WC_DNS";
inline constexpr char kResolverClass[] = "WC_RESOLVER";

// Registers both classes (the program calls this once at start-up).
void registerHostWindows();

// The windows' rhythm: the resolver tops its lookups up every 2 s, the status text is
// rebuilt every second, and 3 s without an answer count as quiet. Tests make it faster
// (the windows made afterwards take it).
struct HostTimers
{
    int lookupMillis = 2000;
    int statusMillis = 1000;
    int quietMillis = 3000;
};
void setHostTimers(const HostTimers& timers);

} // namespace hosts
