#pragma once

// Runs whole imports through the C interface and reads the result back as rows.

#include "import/import_options.h"
#include "import/sievra.h"
#include "import/vxlog_reader.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vxtest {

// One record of an analysed log with its texts resolved.
struct Row
{
    std::uint32_t time;
    std::string host;
    std::uint32_t bytes, status;
    std::string method, path, referer, user, agent, query, refQuery;
};

inline std::vector<Row> readRows(const std::string& path, int* rc = nullptr)
{
    sievra::AnalysedLogFile log;
    const int result = log.open(path);
    if (rc)
        *rc = result;
    std::vector<Row> rows;
    if (result)
        return rows;
    for (const auto& r : log.records()) {
        const std::uint32_t* f = log.fragment(r.fragment);
        Row row{r.time,
                log.text(r.host),
                f[0],
                f[1],
                f[2] ? std::string(reinterpret_cast<const char*>(&f[2]), 4) : "",
                log.text(f[3]),
                log.text(f[4]),
                log.text(f[5]),
                log.text(f[6]),
                log.text(f[7]),
                log.text(f[8])};
        rows.push_back(row);
    }
    return rows;
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A list of NUL-terminated items ended by an empty one.
inline std::string list(std::initializer_list<std::string> items)
{
    return sievra::makeList(items);
}

// The analysis wizard's options, with every list filled in.
using Options = sievra::OwnedImportOptions;

// laCreate, laImport, laFinish, laRelease; the first non-zero result, else 0.
inline std::uint32_t runImport(const ImportOptions& o)
{
    LaJob job = nullptr;
    std::uint32_t rc = laCreate(&job, &o);
    if (rc == 0)
        rc = laImport(job);
    if (rc == 0)
        rc = laFinish(job);
    laRelease(job);
    return rc;
}

inline std::uint32_t runImport(const Options& options)
{
    return runImport(options.get());
}

// A combined-format line.
inline std::string line(const std::string& host, const std::string& time,
                        const std::string& request, int status, const std::string& bytes,
                        const std::string& referer, const std::string& agent)
{
    return host + " - - [" + time + "] \"" + request + "\" " + std::to_string(status) + " " +
           bytes + " \"" + referer + "\" \"" + agent + "\"\n";
}

inline const std::string kBrowser =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";

} // namespace vxtest
