#pragma once

// What the report says about a loaded log, computed once before any page is read.

#include "store/log_container.h"

#include <cstdint>
#include <unordered_map>

namespace report {

struct ReportState
{
    std::uint32_t records = 0;  // entries of Rec2
    std::uint32_t visitors = 0; // entries of Visitors: all visitors, not those of a period
    // Local standard seconds: the day start of the earliest first page view of any visitor,
    // and the day start after the latest one (exclusive). Both 0 without visitors.
    std::int64_t begin = 0;
    std::int64_t end = 0;
    // For a name (by dictionary pointer), the number of visitors it occurs for: the
    // URL-group names of their pages, and the URL-group names and texts of their outside
    // referers (those beginning with "h"). One map for all three kinds.
    std::unordered_map<const char*, std::uint32_t> visitorCounts;

    std::uint32_t days() const { return static_cast<std::uint32_t>((end - begin) / 86400); }
    std::uint32_t countOf(const char* name) const
    {
        const auto it = visitorCounts.find(name);
        return it == visitorCounts.end() ? 0 : it->second;
    }
};

inline constexpr std::int64_t kDay = 86400;

inline std::int64_t dayStart(std::int64_t seconds)
{
    return seconds - seconds % kDay;
}

ReportState computeReportState(const store::LogContainer& log);

} // namespace report
