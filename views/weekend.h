#pragma once

// Saturdays and Sundays, which the log view and the graph view mark. Times are the store's
// local standard seconds, read as if they were UTC: 1970-01-01 (day 0) was a Thursday.

#include <cstdint>

namespace views {

enum class Weekend : std::uint8_t { None, Saturday, Sunday };

constexpr Weekend weekendOf(std::int64_t localSeconds)
{
    std::int64_t day = localSeconds / 86400;
    if (localSeconds % 86400 < 0)
        --day;
    const std::int64_t weekday = ((day + 4) % 7 + 7) % 7; // 0 = Sunday
    return weekday == 0 ? Weekend::Sunday : weekday == 6 ? Weekend::Saturday : Weekend::None;
}

} // namespace views
