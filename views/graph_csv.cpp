#include "views/graph_csv.h"

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdio>

namespace views {
namespace {

template <typename... Args> void appendFormat(std::string& out, const char* format, Args... args)
{
    char text[128];
    const int n = std::snprintf(text, sizeof text, format, args...);
    if (n > 0)
        out.append(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
}

} // namespace

std::string graphCsv(const GraphBuckets& buckets, std::span<const GraphPane> panes, bool rank)
{
    static const std::string kHeader = platform::utf8ToCp932("日付,1. 期間");
    // Stages 1 to 6: a chain never has more panes than mask bits.
    const std::size_t paneCount = std::min<std::size_t>(panes.size(), kGraphStages - 1);
    std::string out = kHeader;
    for (std::size_t p = 0; p < paneCount; ++p)
        out += "," + panes[p].label + " " + platform::utf8ToCp932(panes[p].title);
    if (rank)
        out += ",Rank";
    out += "\r\n";
    const bool days = buckets.length() > kDayBucket - 1;
    for (std::size_t b = 0; b < buckets.size(); ++b) {
        const platform::DateParts d = platform::dateParts(buckets.bucketStart(b));
        if (days)
            appendFormat(out, "%04d/%02d/%02d", d.year, d.month, d.day);
        else
            appendFormat(out, "%04d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                         d.minute, d.second);
        const StageCounts& c = buckets.counts(b);
        for (std::size_t s = 0; s <= paneCount; ++s)
            appendFormat(out, ",%u", c[s]);
        if (rank) {
            const filters::RankBucket& r = buckets.ranks()[b];
            if (r.count)
                appendFormat(out, ",%f", static_cast<double>(r.sum) / r.count);
            else
                out += ',';
        }
        out += "\r\n";
    }
    return out;
}

int exportGraphCsv(const std::string& path, std::string_view csv)
{
    return platform::replaceFile(path, csv);
}

std::string exportGraphFailedText(int error)
{
    char text[64];
    std::snprintf(text, sizeof text, "Export graph failed\n\nerr=%d(0x%X)", error,
                  static_cast<unsigned>(error));
    return text;
}

} // namespace views
