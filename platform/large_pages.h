#pragma once

// The allocator's settings a program runs with. A first touch of a 4 KiB page costs about
// 10 microseconds on a virtual machine, and importing or opening a log of a million lines
// touches tens of thousands of them: kept in 2 MiB pages, the same tables cost a fault per
// 2 MiB. glibc takes its malloc settings only when a program starts, so the program starts
// itself once more with them, first thing in main().

namespace platform {

// The settings added for the second start, ahead of any the caller gave (which win).
inline constexpr char kLargePageTunables[] = "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=33554432";

// Returns at once in the second start (after giving GLIBC_TUNABLES back its value from
// before, for the programs this one starts), when huge pages are turned off on this
// system or by VEXILO_SMALL_PAGES=1, under valgrind or a sanitizer, and when the program cannot be
// started again. Otherwise it does not return: the program starts again with the same arguments.
void startWithLargePages(char** argv);

} // namespace platform
