#include "platform/large_pages.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

bool hugePagesOn()
{
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    return std::getline(in, modes) && modes.find("[never]") == std::string::npos;
}

// The probe's four lines: how its heap grows and is paged, GLIBC_TUNABLES as the
// programs it starts see it, the start-up's mark, its first argument.
std::string probe(const std::string& environment)
{
    const std::string command = "env -u GLIBC_TUNABLES -u VEXILO_SMALL_PAGES " + environment +
                                " '" + LARGE_PAGES_PROBE + "' 'two words'";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    return out;
}

TEST(LargePages, TheProgramRunsWithThemAndWhatItStartsWithTheCallersSettings)
{
    if (!hugePagesOn())
        GTEST_SKIP() << "transparent huge pages are off on this machine";
    const struct
    {
        const char* environment;
        const char* heap;
        const char* children;
    } cases[] = {
        {"", "pad huge", "-"},
        // The caller's settings come after ours, so that they win; its value is given back.
        {"GLIBC_TUNABLES=glibc.malloc.check=0", "pad huge", "glibc.malloc.check=0"},
        {"GLIBC_TUNABLES=glibc.malloc.top_pad=0", "nopad huge", "glibc.malloc.top_pad=0"},
        {"GLIBC_TUNABLES=", "pad huge", ""},
        {"VEXILO_SMALL_PAGES=1", "nopad small", "-"},
        {"VEXILO_SMALL_PAGES=0", "pad huge", "-"},
        {"VEXILO_SMALL_PAGES=1 GLIBC_TUNABLES=glibc.malloc.check=0", "nopad small",
         "glibc.malloc.check=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment);
        EXPECT_EQ(probe(c.environment),
                  std::string(c.heap) + "\n" + c.children + "\n-\ntwo words\n");
    }
}

} // namespace
