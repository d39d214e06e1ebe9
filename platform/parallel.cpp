#include "platform/parallel.h"

#include <cstdlib>
#include <sched.h>

namespace platform {

unsigned coreCount()
{
    if (const char* jobs = std::getenv("VEXILO_JOBS")) {
        char* end = nullptr;
        const long n = std::strtol(jobs, &end, 10);
        if (end != jobs && *end == '\0' && n >= 1 && n <= 256)
            return static_cast<unsigned>(n);
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n >= 1)
            return static_cast<unsigned>(n);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace platform
