#pragma once

// Small access logs for the store and report tests, written hit by hit.

#include "../import/import_helpers.h"

#include <ctime>
#include <string>
#include <vector>

namespace vxtest {

const std::string kSite = "http://www.example.com";

// One log line: host, seconds after 2026-10-01 00:00:00 UTC, path, referer ("-" for none).
struct Hit
{
    std::string host;
    int second;
    std::string path;
    std::string referer = "-";
    std::string agent = kBrowser;
};

inline std::string format(const Hit& h)
{
    const std::time_t t = 1790812800 + h.second; // 2026-10-01 00:00:00 UTC
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%d/%b/%Y:%H:%M:%S +0000", &tm);
    return line(h.host, stamp, "GET " + h.path + " HTTP/1.1", 200, "10", h.referer, h.agent);
}

// Two internal steps of one host: they make `site` the own site.
inline std::vector<Hit> siteChain(const std::string& site = kSite,
                                  const std::string& host = "192.0.2.99", int at = 0)
{
    return {{host, at, "/a", site + "/"},
            {host, at + 10, "/b", site + "/a"},
            {host, at + 20, "/c", site + "/b"}};
}

// Writes the hits as a log next to output and imports them with every agent kept, the
// referer and the queries stored. Returns the import's result.
inline std::uint32_t importHits(const std::vector<Hit>& hits, const std::string& output)
{
    std::string text;
    for (const Hit& h : hits)
        text += format(h);
    const std::string log = output + ".log";
    writeFile(log, text);
    Options o;
    o.output = output;
    o.inputs = list({log});
    o.flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY;
    return runImport(o);
}

} // namespace vxtest
