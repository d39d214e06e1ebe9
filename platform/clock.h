#pragma once

// Time as the program sees it: a millisecond tick for measuring, and the local
// *standard* time of the machine (daylight saving is never applied, so a local time is
// always UTC minus one fixed offset).

#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock (wraps like a 32-bit tick count).
std::uint32_t tickCount();

// Seconds west of UTC of the local standard time (Tokyo: -32400). Reads the zone afresh
// on each call: take it once outside a loop.
long standardBiasSeconds();

// UTC seconds since 1970 -> local standard seconds since 1970 (utc - bias).
std::int64_t utcToLocalStandard(std::int64_t utc);

struct DateParts
{
    int year;  // e.g. 2026
    int month; // 1..12
    int day;   // 1..31
    int hour;  // 0..23
    int minute;
    int second;
    int weekday; // 0 = Sunday
};

// Calendar parts of a count of seconds since 1970 taken as it is (no zone applied): give
// it a local standard time to get local parts.
DateParts dateParts(std::int64_t seconds);

// Today's date in local standard time.
DateParts todayLocal();

} // namespace platform
