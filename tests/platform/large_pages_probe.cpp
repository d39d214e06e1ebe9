// Prints how the allocator runs after the start-up with large pages (whether the heap
// grows 32 MiB at a time, whether it is marked for huge pages) and what the programs this
// one starts would get.

#include "platform/large_pages.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int, char** argv)
{
    platform::startWithLargePages(argv);
    void* small = std::malloc(1000);
    const auto heapLeft =
        static_cast<long>(static_cast<char*>(::sbrk(0)) - static_cast<char*>(small));
    // The heap's flags: "hg" where it was advised to take huge pages.
    std::ifstream maps("/proc/self/smaps");
    bool inHeap = false, huge = false;
    for (std::string line; std::getline(maps, line);) {
        if (line.find(" [heap]") != std::string::npos)
            inHeap = true;
        else if (inHeap && line.rfind("VmFlags:", 0) == 0) {
            huge = line.find(" hg") != std::string::npos;
            break;
        }
    }
    const char* now = std::getenv("GLIBC_TUNABLES");
    const char* mark = std::getenv("VEXILO_TUNABLES_BEFORE");
    std::printf("%s %s\n%s\n%s\n%s\n", heapLeft >= (32l << 20) ? "pad" : "nopad",
                huge ? "huge" : "small", now ? now : "-", mark ? mark : "-", argv[1]);
    std::free(small);
    return 0;
}
