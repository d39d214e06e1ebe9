// libFuzzer target: any bytes as an analysed log, read and walked as `vexilo-cli dump`
// walks it.

#include "import/vxlog_reader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/vxlog-fuzz-" + std::to_string(::getpid()) + ".vxlog";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    sievra::AnalysedLogFile log;
    if (log.open(path) != 0)
        return 0;
    std::size_t total = 0;
    for (const auto& r : log.records()) {
        const std::uint32_t* f = log.fragment(r.fragment);
        total += std::string(log.text(r.host)).size();
        for (int field = 3; field < 9; ++field)
            total += std::string(log.text(f[field])).size();
    }
    return total == 0xFFFFFFFF ? 1 : 0;
}
