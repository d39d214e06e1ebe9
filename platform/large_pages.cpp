#include "platform/large_pages.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace platform {
namespace {

// Set only for the second start: "-" when the caller had no GLIBC_TUNABLES, else "=" and
// its value.
constexpr char kBefore[] = "VEXILO_TUNABLES_BEFORE";

bool hugePagesOff()
{
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    return !std::getline(in, modes) || modes.find("[never]") != std::string::npos;
}

bool underValgrind()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "vgpreload");
}

void restore(const std::string& before)
{
    if (before.empty() || before[0] != '=')
        ::unsetenv("GLIBC_TUNABLES");
    else
        ::setenv("GLIBC_TUNABLES", before.c_str() + 1, 1);
    ::unsetenv(kBefore);
}

} // namespace

void startWithLargePages(char** argv)
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    if (const char* before = std::getenv(kBefore)) {
        restore(before);
        return;
    }
    const char* small = std::getenv("VEXILO_SMALL_PAGES"); // benchmarks' "before", or a way out
    if (!argv || !argv[0] || (small && *small && *small != '0') || hugePagesOff() ||
        underValgrind())
        return;
    const char* caller = std::getenv("GLIBC_TUNABLES");
    const std::string before = caller ? std::string("=") + caller : std::string("-");
    std::string tunables = kLargePageTunables;
    if (caller && *caller)
        tunables.append(":").append(caller);
    if (::setenv(kBefore, before.c_str(), 1) != 0 ||
        ::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) {
        restore(before);
        return;
    }
    // Started by its own path rather than /proc/self/exe, so that the process keeps its
    // name (in ps, top, pkill).
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        ::execv(self, argv);
    }
    ::execv("/proc/self/exe", argv);
    restore(before); // not started again: run with the settings there are
#else
    (void)argv;
#endif
}

} // namespace platform
